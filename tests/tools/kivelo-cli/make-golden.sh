#!/bin/sh
# Regenerates the golden CSV files of the kivelo-cli tests from golden/cases.txt.
# Usage: tests/tools/kivelo-cli/make-golden.sh BUILD_DIR   (the folder holding bin/kivelo-cli)
set -eu
build=${1:?usage: make-golden.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$build" && pwd)/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

grep -v '^#' "$here/golden/cases.txt" | while IFS='|' read -r name gen cli; do
    name=$(echo "$name" | tr -d ' ')
    [ -n "$name" ] || continue
    rm -rf "$work/case" && mkdir "$work/case"
    # The argument fields are plain words: word splitting is wanted here.
    (cd "$work/case" && "$bin/kivelo-gen" $gen >/dev/null && "$bin/kivelo-cli" $cli -o out.csv >/dev/null)
    cp "$work/case/out.csv" "$here/golden/$name.csv"
    echo "wrote golden/$name.csv"
done
