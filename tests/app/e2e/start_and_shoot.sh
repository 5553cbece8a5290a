#!/usr/bin/env bash
# Run inside a virtual X server: starts the program on a record, waits for its
# first drawn document, takes a screenshot of the screen and ends the program
# the normal way (SIGTERM: it writes its settings).
# Usage: start_and_shoot.sh BIN_DIR RECORD WORK_DIR SHOT_NAME
set -euo pipefail
bin=$1 record=$2 work=$3 shot=$4
export KIVELO_READY_FILE=$work/ready KIVELO_SETTINGS=$work/kivelo.stp XDG_CONFIG_HOME=$work/config
rm -f "$work/ready"
"$bin/kivelo" "$record" >"$work/kivelo.log" 2>&1 &
pid=$!
for i in $(seq 1 200); do
    [[ -s $work/ready ]] && break
    kill -0 $pid 2>/dev/null || { echo "kivelo exited early"; cat "$work/kivelo.log"; exit 1; }
    sleep 0.1
done
[[ -s $work/ready ]] || { echo "kivelo drew no document within 20 s"; kill $pid; exit 1; }
sleep 1.5 # the splash has gone and the frame reached the screen
import -window root "$work/$shot"
kill -TERM $pid
wait $pid || { echo "kivelo exited with $? on SIGTERM"; exit 1; }
