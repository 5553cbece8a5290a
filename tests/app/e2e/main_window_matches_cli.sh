#!/usr/bin/env bash
# Starts the real program on the demo record under a virtual X server, takes a
# screenshot, and compares the Main window below its control strip with what
# kivelo-cli render draws for a frame of the same size: the same pixels.
# Usage: main_window_matches_cli.sh BIN_DIR SOURCE_DIR
set -euo pipefail

bin=$1 src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
record=$src/data/demo/demo_wave.wvf
xvfb-run -a -s "-screen 0 1280x1024x24" "$(dirname "$0")/start_and_shoot.sh" "$bin" "$record" "$work" screen.png

size=$(stat -c %s "$work/kivelo.stp" 2>/dev/null || echo none)
[[ $size == 11588 ]] || { echo "settings after exit: $size bytes, not 11588"; exit 1; }

read -r _ cx cy cw ch < <(grep '^client ' "$work/ready")
read -r _ mx my mw mh visible < <(grep '^main ' "$work/ready")
[[ $visible == 1 ]] || { echo "Main window not shown"; exit 1; }
# The client area is the frame's usable rectangle: 4 px each side, 71 above, 22 below.
"$bin/kivelo-cli" render "$record" -o "$work/cli.png" --window main --size "$((cw + 8))x$((ch + 93))"
read -r iw ih <<<"$(identify -format '%w %h' "$work/cli.png")"
[[ $iw == "$mw" && $ih == "$mh" ]] || { echo "window sizes differ: program ${mw}x${mh}, cli ${iw}x${ih}"; exit 1; }

strip=36
convert "$work/screen.png" -crop "${mw}x$((mh - strip))+${mx}+$((my + strip))" +repage "$work/program-traces.png"
convert "$work/cli.png" -crop "${mw}x$((mh - strip))+0+${strip}" +repage "$work/cli-traces.png"
diff=$(compare -metric AE "$work/program-traces.png" "$work/cli-traces.png" "$work/diff.png" 2>&1 || true)
if [[ $diff != 0 ]]; then
    keep=${KIVELO_E2E_KEEP:-/tmp/kivelo-e2e}
    mkdir -p "$keep" && cp "$work"/*.png "$keep"/
    echo "Main window differs from kivelo-cli render in $diff pixels (pictures in $keep)"
    exit 1
fi
echo "Main window: ${mw}x${mh}, identical to kivelo-cli render below the control strip; settings written at exit"
