#!/usr/bin/env bash
# The real program under a virtual X server downloads from the simulator's GPIB
# library through the Comm menu, the question and the save dialog, and opens
# the record; the files equal what kivelo-cli download fetches from the same
# simulated instrument.
# Usage: download_from_menu.sh BIN_DIR LIB_DIR
set -euo pipefail

sim_env() {
    export KIVELO_GPIB_LIBRARY=$lib/libqvsim-gpib.so QVSIM_FAMILY=qv43 QVSIM_CHANNELS=2,4,5 QVSIM_RECORDS=2 \
        QVSIM_LENGTH=3001 QVSIM_ADDRESS=1
}

# Inner part, inside the virtual X server: keys and clicks as a user would.
if [[ ${1:-} == --under-x ]]; then
    bin=$2 lib=$3 work=$4
    sim_env
    export KIVELO_READY_FILE=$work/ready KIVELO_SETTINGS=$work/kivelo.stp XDG_CONFIG_HOME=$work/config
    "$bin/kivelo" >"$work/kivelo.log" 2>&1 &
    pid=$!
    wid=$(xdotool search --sync --name '^Waveform Viewer$' | head -1)
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    sleep 0.5
    # File menu near the left end of the menu bar, then one to the right: Comm.
    xdotool mousemove $((X + 20)) $((Y + 10)) click 1
    sleep 0.3
    xdotool key Right Down Return
    xdotool search --sync --name '^INFORMATION$' >/dev/null
    sleep 0.3
    xdotool key Return
    sleep 1
    xdotool type --delay 10 "$work/menu.wvf"
    xdotool key Return
    for _ in $(seq 1 200); do
        [[ -s $work/ready ]] && break
        kill -0 $pid 2>/dev/null || { echo "kivelo exited early"; cat "$work/kivelo.log"; exit 1; }
        sleep 0.1
    done
    if [[ ! -s $work/ready ]]; then
        echo "no record opened within 20 s"
        kill $pid
        exit 1
    fi
    kill -TERM $pid
    wait $pid || { echo "kivelo exited with $? on SIGTERM"; exit 1; }
    exit 0
fi

bin=$1 lib=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --under-x "$bin" "$lib" "$work"
sim_env
"$bin/kivelo-cli" download --gpib 1 -o "$work/cli.wvf" --yes >/dev/null 2>&1
cmp "$work/menu.wvf" "$work/cli.wvf"
cmp "$work/menu.hdr" "$work/cli.hdr"
echo "Downloaded through the Comm menu: $(stat -c %s "$work/menu.wvf") bytes, the same as kivelo-cli download"
