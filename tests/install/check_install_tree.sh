#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks the tree: every file in
# its place and nothing else, the programs run from there, the manual pages
# render without warnings and name paths that exist, the desktop entry, the
# metainfo and the MIME package pass their tools, the file types map upper-
# and lower-case names alike, the icons have their sizes and the SVG looks
# like the PNGs. A check whose tool is missing says SKIP and passes.
# Usage: check_install_tree.sh BUILD_DIR ICON_RENDER_TOOL|-
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=install-lib.sh
source "$here/install-lib.sh"
build=$1 icon_tool=${2:--}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_tree "$build" "$work/root"
id=$KIVELO_APP_ID
share=$prefix/$KIVELO_DATADIR

# ---- the tree ----------------------------------------------------------------
expected=(
    "$KIVELO_BINDIR/kivelo-cli" "$KIVELO_LIBEXECDIR/kivelo/kivelo-cli-full"
    "$KIVELO_BINDIR/qvsim" "$KIVELO_LIBDIR/libqvsim-gpib.so"
    "$KIVELO_DATADIR/mime/packages/$id.xml"
    "$KIVELO_MANDIR/man1/kivelo-cli.1.gz" "$KIVELO_MANDIR/man1/qvsim.1.gz"
    "$KIVELO_DOCDIR/README.md" "$KIVELO_DOCDIR/copyright" "$KIVELO_DOCDIR/changelog.gz"
)
[[ $KIVELO_PYTHON_MODULE == - ]] || expected+=("$KIVELO_PYTHON_MODULE")
for f in demo_wave.wvf demo_wave.hdr demo_realtime.rtm demo_realtime.hdr demo_float.fld; do
    expected+=("$KIVELO_DATADIR/kivelo/demo/$f")
done
if ((KIVELO_GUI)); then
    expected+=("$KIVELO_BINDIR/kivelo" "$KIVELO_MANDIR/man1/kivelo.1.gz"
               "$KIVELO_DATADIR/applications/$id.desktop" "$KIVELO_DATADIR/metainfo/$id.metainfo.xml"
               "$KIVELO_DATADIR/icons/hicolor/scalable/apps/$id.svg")
    for s in $KIVELO_ICON_SIZES; do expected+=("$KIVELO_DATADIR/icons/hicolor/${s}x$s/apps/$id.png"); done
fi
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/installed"
while read -r f; do fail "missing from the install: $f"; done < <(comm -23 "$work/expected" "$work/installed")
while read -r f; do fail "installed but not expected: $f"; done < <(comm -13 "$work/expected" "$work/installed")

for p in kivelo kivelo-cli qvsim; do
    exe=$prefix/$KIVELO_BINDIR/$p
    [[ -e $exe ]] || continue
    [[ -x $exe ]] || fail "$p is not executable"
    if have readelf && readelf -d "$exe" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
        fail "$p looks for libraries in the build folder: $(readelf -d "$exe" | grep -E 'R(UN)?PATH')"
    fi
done

# ---- the programs run from the prefix -----------------------------------------
cli=$prefix/$KIVELO_BINDIR/kivelo-cli
"$cli" --help >"$work/help" 2>&1 || fail "installed kivelo-cli --help: $(cat "$work/help")"
# export runs in kivelo-cli-full, found in libexec from bin/.
"$cli" export --help >"$work/help" 2>&1 || fail "installed kivelo-cli export --help: $(cat "$work/help")"
for f in demo_wave.wvf demo_realtime.rtm demo_float.fld; do
    if ! "$cli" info "$share/kivelo/demo/$f" >"$work/info" 2>&1 || ! grep -q '^Traces' "$work/info"; then
        fail "installed kivelo-cli info $f: $(head -3 "$work/info")"
    fi
done
if [[ $KIVELO_PYTHON_MODULE != - && $KIVELO_PYTHON != - ]]; then
    # The installed module, from its folder alone, reads the installed demo record.
    out=$(cd "$work" && PYTHONPATH=$prefix/$(dirname "$KIVELO_PYTHON_MODULE") "$KIVELO_PYTHON" -c '
import sys, kivelo
with kivelo.open(sys.argv[1]) as r:
    print(kivelo.__file__, r.values(0).size == r.block_size(0) > 0)' "$share/kivelo/demo/demo_wave.wvf" 2>&1)
    [[ $out == "$prefix/$KIVELO_PYTHON_MODULE True" ]] || fail "the installed Python module: $out"
fi
if ((KIVELO_GUI)); then
    "$prefix/$KIVELO_BINDIR/kivelo" --version >"$work/version" 2>&1 || fail "installed kivelo --version"
fi

# ---- manual pages ------------------------------------------------------------------
for page in "$prefix/$KIVELO_MANDIR"/man1/*.1.gz; do
    name=$(basename "$page")
    gzip -t "$page" || { fail "$name is not a gzip file"; continue; }
    left=$(zcat "$page" | grep -o '@[A-Z_]*@' | sort -u | tr '\n' ' ')
    [[ -z $left ]] || fail "$name keeps unreplaced names: $left"
    if have groff; then
        warnings=$(zcat "$page" | groff -man -ww -z -Tutf8 2>&1)
        [[ -z $warnings ]] || fail "groff warns about $name: $warnings"
    fi
    if have man; then
        warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [[ -z $warnings ]] || fail "man -l warns about $name: $warnings"
    else
        skip "man -l $name (no man)"
    fi
done
# The path the pages give for the simulator's GPIB library is where it is, and it works.
gpib=$(zcat "$prefix/$KIVELO_MANDIR/man1/qvsim.1.gz" | grep -o '/[^ ]*/libqvsim-gpib\.so' | head -1)
if [[ -z $gpib || ! -f $work/root$gpib ]]; then
    fail "qvsim(1) names the GPIB library as '$gpib', which is not installed"
else
    (cd "$work" && env KIVELO_GPIB_LIBRARY="$work/root$gpib" QVSIM_FAMILY=qv8 QVSIM_ADDRESS=1 QVSIM_LENGTH=1000 \
        "$cli" download --gpib 1 -o "$work/gpib.wvf" --yes >"$work/download" 2>&1) ||
        fail "download through the installed GPIB library: $(tail -2 "$work/download")"
fi

# ---- desktop entry, metainfo, MIME package -------------------------------------------
if ((KIVELO_GUI)); then
    desktop=$share/applications/$id.desktop
    if have desktop-file-validate; then
        out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
        [[ -z $out ]] || fail "desktop-file-validate has remarks: $out"
    else
        skip "desktop-file-validate (not installed)"
    fi
    exec_line=$(sed -n 's/^Exec=//p' "$desktop")
    [[ $exec_line == "kivelo %F" ]] || fail "Exec is '$exec_line', not 'kivelo %F'"
    [[ -x $prefix/$KIVELO_BINDIR/${exec_line%% *} ]] || fail "Exec names ${exec_line%% *}, which is not in bin/"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [[ -f $share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "Icon=$icon has no scalable icon"
    for type in $(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' '); do
        grep -q "type=\"$type\"" "$share/mime/packages/$id.xml" || fail "MimeType $type is not in the MIME package"
    done

    metainfo=$share/metainfo/$id.metainfo.xml
    if have appstreamcli; then
        out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
    else
        skip "appstreamcli validate (not installed)"
    fi
    newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)
    [[ $newest == "$KIVELO_VERSION" ]] || fail "newest release of the metainfo is '$newest', the project is $KIVELO_VERSION"
    for b in $(grep -o '<binary>[^<]*' "$metainfo" | cut -d'>' -f2); do
        [[ -x $prefix/$KIVELO_BINDIR/$b ]] || fail "metainfo provides $b, which is not installed"
    done
fi

python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$share/mime/packages/$id.xml" ||
    fail "the MIME package does not parse"
if have update-mime-database; then
    update-mime-database "$share/mime" >/dev/null 2>"$work/umd" || fail "update-mime-database: $(cat "$work/umd")"
    mkdir -p "$work/files" "$work/none"
    printf 'x' >"$work/files/WAVE1.WVF"; printf 'x' >"$work/files/wave1.wvf"
    printf 'x' >"$work/files/REC1.RTM";  printf 'x' >"$work/files/rec1.rtm"
    printf 'x' >"$work/files/F1.FLD";    printf 'x' >"$work/files/f1.fld"
    printf 'x' >"$work/files/WAVE1.HDR"; printf 'x' >"$work/files/wave1.hdr"
    printf '//ORVANTIS ASCII FILE FORMAT\r\n\r\n$PublicInfo\r\n' >"$work/files/header-without-ending"
    if have gio; then
        type_of() {
            XDG_DATA_HOME=$work/none XDG_DATA_DIRS=$share gio info -a standard::content-type "$1" 2>/dev/null |
                sed -n 's/^ *standard::content-type: //p'
        }
        for pair in WAVE1.WVF:application/x-qv-waveform wave1.wvf:application/x-qv-waveform \
                    REC1.RTM:application/x-qv-realtime rec1.rtm:application/x-qv-realtime \
                    F1.FLD:application/x-qv-floating f1.fld:application/x-qv-floating \
                    WAVE1.HDR:text/x-qv-header wave1.hdr:text/x-qv-header \
                    header-without-ending:text/x-qv-header; do
            got=$(type_of "$work/files/${pair%%:*}")
            [[ $got == "${pair#*:}" ]] || fail "${pair%%:*} is '$got', not ${pair#*:}"
        done
        if ((KIVELO_GUI)) && have update-desktop-database; then
            # What a file manager starts for a record: the program's desktop entry.
            update-desktop-database "$share/applications"
            default=$(PATH=$prefix/$KIVELO_BINDIR:$PATH XDG_DATA_HOME=$work/none XDG_CONFIG_HOME=$work/none \
                      XDG_CONFIG_DIRS=$work/none XDG_DATA_DIRS=$share gio mime application/x-qv-waveform 2>&1 | head -1)
            [[ $default == *": $id.desktop" ]] || fail "default application for .wvf: $default"
        fi
    else
        skip "file types by name (no gio)"
    fi
else
    skip "MIME database (no update-mime-database)"
fi

# ---- icons ----------------------------------------------------------------------------
if ((KIVELO_GUI)); then
    for s in $KIVELO_ICON_SIZES; do
        png=$share/icons/hicolor/${s}x$s/apps/$id.png
        size=$(python3 - "$png" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read(24)
print("%dx%d" % struct.unpack(">II", data[16:24]) if data[:8] == b"\x89PNG\r\n\x1a\n" else "not a PNG")
PY
)
        [[ $size == "${s}x$s" ]] || fail "the ${s}x$s icon is $size"
    done
    svg=$share/icons/hicolor/scalable/apps/$id.svg
    python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "$svg" || fail "the SVG icon does not parse"
    if have rsvg-convert && [[ -x $icon_tool ]]; then
        # The large-size design: the SVG and the painted PNGs must not drift apart.
        for s in 64 128 256; do
            rsvg-convert -w "$s" -h "$s" "$svg" -o "$work/svg$s.png"
            diff=$("$icon_tool" --compare "$work/svg$s.png" "$share/icons/hicolor/${s}x$s/apps/$id.png")
            python3 -c "import sys; sys.exit(0 if float('$diff') < 2.0 else 1)" ||
                fail "the SVG icon differs from the ${s}px PNG by $diff per channel (at most 2.0)"
        done
    else
        skip "SVG against PNG icons (needs rsvg-convert)"
    fi
fi

finish
