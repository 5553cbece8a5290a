#!/usr/bin/env bash
# The installed program, started the way a file manager starts it (the
# desktop entry's Exec line, through `gio open` when GIO is there) on an
# upper-case record as instruments write them, by a user who cannot write the
# program's folder: it draws the record, closes normally, and keeps its
# settings under $XDG_CONFIG_HOME, not beside the program.
# Run as root, the check runs as the user nobody.
# Usage: check_desktop_start.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=install-lib.sh
source "$here/install-lib.sh"

# ---- inner part, under the virtual X server ---------------------------------------
if [[ ${1:-} == --under-x ]]; then
    work=$2 prefix=$3
    share=$prefix/$KIVELO_DATADIR bin=$prefix/$KIVELO_BINDIR
    export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data
    export XDG_DATA_DIRS=$share XDG_CONFIG_DIRS=$work/none PATH=$bin:$PATH
    export KIVELO_READY_FILE=$work/ready ASAN_OPTIONS=detect_leaks=0 XDG_RUNTIME_DIR=$work/runtime-$(id -u)
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    unset KIVELO_SETTINGS
    record=$work/files/WAVE1.WVF
    if have gio; then
        gio open "$record" >"$work/launch.log" 2>&1 || { cat "$work/launch.log"; exit 1; }
        how="gio open"
    else
        # The desktop entry's Exec line with %F replaced, as the launcher would.
        exec_line=$(sed -n 's/^Exec=//p' "$share/applications/$KIVELO_APP_ID.desktop")
        ${exec_line/\%F/$record} >"$work/launch.log" 2>&1 &
        how="the Exec line"
    fi
    pid=
    for _ in $(seq 1 300); do
        for p in /proc/[0-9]*; do
            [[ $(readlink "$p/exe" 2>/dev/null) == "$bin/kivelo" ]] && pid=${p#/proc/}
        done
        [[ -n $pid && -s $work/ready ]] && break
        sleep 0.1
    done
    [[ -n $pid ]] || { echo "FAIL: $how started no kivelo"; cat "$work/launch.log"; exit 1; }
    [[ -s $work/ready ]] || { echo "FAIL: kivelo drew no document within 30 s"; kill "$pid"; exit 1; }
    tr '\0' ' ' <"/proc/$pid/cmdline" >"$work/cmdline"
    python3 "$work/close_x_windows.py" "$pid" || { echo "FAIL: no window of kivelo to close"; kill "$pid"; exit 1; }
    for _ in $(seq 1 100); do
        [[ -d /proc/$pid ]] || break
        sleep 0.1
    done
    [[ -d /proc/$pid ]] && { echo "FAIL: kivelo did not end when its window was closed"; kill "$pid"; exit 1; }
    echo "$how" >"$work/how"
    exit 0
fi

build=$1
for tool in xvfb-run python3; do
    have "$tool" || { echo "SKIP: needs $tool"; exit 0; }
done
((KIVELO_GUI)) || { echo "SKIP: a build without the program"; exit 0; }

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
install_tree "$build" "$work/root"
share=$prefix/$KIVELO_DATADIR
have update-mime-database && update-mime-database "$share/mime" >/dev/null 2>&1
have update-desktop-database && update-desktop-database "$share/applications"
mkdir -p "$work/files" "$work/home" "$work/none"
cp "$share/kivelo/demo/demo_wave.wvf" "$work/files/WAVE1.WVF"
cp "$share/kivelo/demo/demo_wave.hdr" "$work/files/WAVE1.HDR"
cp "$here/close_x_windows.py" "$here/install-lib.sh" "$0" "$work/"
chmod -R a+rX "$work"
chmod a-w "$prefix/$KIVELO_BINDIR"

runner=()
if [[ $(id -u) == 0 ]]; then
    have setpriv || { echo "SKIP: as root, needs setpriv to run as a plain user"; exit 0; }
    chown -R nobody "$work/home" "$work/files"
    chmod a+w "$work"
    runner=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
    "${runner[@]}" test -r "$work/files/WAVE1.WVF" ||
        { echo "SKIP: nobody cannot reach the scratch folder $work (TMPDIR)"; exit 0; }
fi
if ! "${runner[@]}" env HOME="$work/home" xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash "$work/$(basename "$0")" --under-x "$work" "$prefix"; then
    exit 1
fi

echo "started by $(cat "$work/how"): $(cat "$work/cmdline")"
grep -q "WAVE1.WVF" "$work/cmdline" || fail "kivelo was not given the record: $(cat "$work/cmdline")"
grep -q '^main .* 1$' "$work/ready" || fail "the Main window is not shown: $(cat "$work/ready")"
settings=$work/home/config/kivelo/kivelo.stp
if [[ ! -f $settings ]]; then
    fail "no settings in \$XDG_CONFIG_HOME/kivelo/ after a normal close"
elif [[ $(stat -c %s "$settings") != 11588 ]]; then
    fail "the settings file has $(stat -c %s "$settings") bytes, not 11588"
fi
[[ -e $prefix/$KIVELO_BINDIR/kivelo.stp ]] && fail "settings were written beside the installed program"
finish
