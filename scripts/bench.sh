#!/bin/sh
# Runs every benchmark program of a build (<builddir>/bin/*Bench.exe) under Wine and
# prints their rows as one table. `make bench` calls it inside a Wine session:
#
#   scripts/bench.sh <builddir>
#
# A benchmark program prints tab-separated rows, the first cell naming the program
# (see bench/CMakeLists.txt); this script only runs them and lines the cells up.
set -eu

build=${1:?usage: scripts/bench.sh <builddir>}
bin=$(cd "$build/bin" && pwd)
rows=$(mktemp)
raw=$(mktemp)
trap 'rm -f "$rows" "$raw"' EXIT

status=0
found=0
for exe in "$bin"/*Bench.exe; do
    [ -e "$exe" ] || continue
    found=1
    name=$(basename "$exe")
    echo "bench: running $name ..." >&2
    if ! (cd "$bin" && wine "./$name" </dev/null >"$raw" 2>/dev/null); then
        echo "bench: $name failed" >&2
        status=1
    fi
    tr -d '\r' <"$raw" >>"$rows"
done
if [ $found -eq 0 ]; then
    echo "bench: no *Bench.exe in $bin (build first)" >&2
    exit 1
fi

# Line up the cells of all rows: two passes over the rows, widths first. A row's
# last cell (a sentence, say) is not padded and does not widen its column.
awk -F '\t' '
    NR == FNR { for (i = 1; i < NF; i++) if (length($i) > width[i]) width[i] = length($i); next }
    { line = ""; for (i = 1; i <= NF; i++) line = line sprintf(i < NF ? "%-" width[i] "s  " : "%s", $i); print line }
' "$rows" "$rows"
exit $status
