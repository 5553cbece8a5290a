#!/usr/bin/env bash
# Starts the real program on a 2560 x 1440 virtual screen with its frame over
# the whole screen (the place saved at the last exit), and checks that the XY
# window, at the right edge, is drawn there: its graticule reaches past x = 2048,
# where the old fixed 2048-pixel plane stopped. A second start keeps the place.
# Usage: wide_screen_draws_to_the_edge.sh BIN_DIR SOURCE_DIR
set -euo pipefail

bin=$1 src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
record=$src/data/demo/demo_wave.wvf
screen="-screen 0 2560x1440x24"
# A first start writes the settings; its frame rectangle then becomes the whole screen.
shoot="$(dirname "$0")/start_and_shoot.sh"
xvfb-run -a -s "$screen" "$shoot" "$bin" "$record" "$work" first.png
/usr/bin/python3 - "$work/kivelo.stp" <<'PY'
import struct, sys
with open(sys.argv[1], "r+b") as f:
    f.seek(9504)
    f.write(struct.pack("<4i", 0, 0, 2560, 1440))
PY
for start in second third; do
    xvfb-run -a -s "$screen" "$shoot" "$bin" "$record" "$work" "$start.png"
    read -r _ fx fy fw fh < <(grep '^frame ' "$work/ready")
    [[ $fw -ge 2500 && $fh -ge 1300 ]] || { echo "$start start: frame ${fw}x${fh} at $fx,$fy, not the whole screen"; exit 1; }
done
read -r _ x y w h visible < <(grep '^xy ' "$work/ready")
[[ $visible == 1 ]] || { echo "XY window not shown"; exit 1; }
(( x + w >= 2540 )) || { echo "XY window ends at $((x + w)), not at the right edge"; exit 1; }
# The graticule (light grey, 196) of the XY window right of x = 2048.
left=$(( x > 2060 ? x : 2060 ))
count=$(convert "$work/third.png" -crop "$((x + w - left))x$((h - 36))+${left}+$((y + 36))" +repage \
    -fill black +opaque "rgb(196,196,196)" -fill white -opaque "rgb(196,196,196)" -format "%[fx:round(mean*w*h)]" info:)
if (( count < 50 )); then
    keep=${KIVELO_E2E_KEEP:-/tmp/kivelo-e2e}
    mkdir -p "$keep" && cp "$work"/*.png "$keep"/
    echo "XY window right of x = 2048: $count graticule pixels (pictures in $keep)"
    exit 1
fi
echo "2560 x 1440: frame ${fw}x${fh}, XY window ${w}x${h} at $x,$y drawn to its edge ($count graticule pixels past x = 2048)"
