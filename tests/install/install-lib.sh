# Shared by the install checks (sourced). The build's install directories
# come from CMake in the environment: KIVELO_BINDIR, KIVELO_LIBDIR (the
# simulator library's folder), KIVELO_DATADIR, KIVELO_MANDIR, KIVELO_DOCDIR,
# KIVELO_APP_ID, KIVELO_ICON_SIZES, KIVELO_GUI (1 or 0), KIVELO_VERSION.

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "SKIP: $*"; }
have() { command -v "$1" >/dev/null 2>&1; }

# install_tree BUILD_DIR DESTDIR: cmake --install under the package's prefix.
# Sets prefix (the installed /usr inside DESTDIR).
install_tree() {
    local build=$1 dest=$2
    if ! DESTDIR=$dest cmake --install "$build" --prefix /usr >"$dest.log" 2>&1; then
        cat "$dest.log"
        echo "FAIL: cmake --install"
        exit 1
    fi
    prefix=$dest/usr
}

finish() {
    if ((failures)); then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all checks passed"
}
