#!/usr/bin/env bash
# The real program given a FIFO named x.wvf (with a valid x.hdr beside it) under
# a virtual X server: the ERROR box comes at once instead of "Loading ..." for
# ever, and the program still ends on SIGTERM, writing its settings.
# Usage: fifo_open_fails_at_once.sh BIN_DIR
set -euo pipefail

if [[ ${1:-} == --under-x ]]; then
    bin=$2 work=$3
    export KIVELO_SETTINGS=$work/kivelo.stp XDG_CONFIG_HOME=$work/config
    "$bin/kivelo" "$work/x.wvf" >"$work/kivelo.log" 2>&1 &
    pid=$!
    for i in $(seq 1 100); do
        xdotool search --name '^ERROR$' >/dev/null 2>&1 && break
        kill -0 $pid 2>/dev/null || { echo "kivelo exited early"; cat "$work/kivelo.log"; exit 1; }
        sleep 0.1
    done
    xdotool search --name '^ERROR$' >/dev/null 2>&1 || { echo "no ERROR box within 10 s"; kill $pid; exit 1; }
    if xdotool search --name 'Loading' >/dev/null 2>&1; then echo "still loading"; kill $pid; exit 1; fi
    kill -TERM $pid
    for i in $(seq 1 100); do
        kill -0 $pid 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 $pid 2>/dev/null; then echo "kivelo did not end within 10 s of SIGTERM"; kill -KILL $pid; exit 1; fi
    exit 0
fi

bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/kivelo-gen" wvf "$work/x.wvf" --traces 2 --samples 100 >/dev/null
rm "$work/x.wvf"
mkfifo "$work/x.wvf"
xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --under-x "$bin" "$work"
[[ -f $work/kivelo.stp ]] || { echo "no settings written at exit"; exit 1; }
echo "FIFO: ERROR box at once, program ended on SIGTERM with its settings written"
