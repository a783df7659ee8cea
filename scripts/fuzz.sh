#!/bin/sh
# Fuzzes the settings reader (IniDocument, the records above it, and its writes):
# built natively with clang, libFuzzer, AddressSanitizer and UBSan into
# <build>/fuzz, then run for a bounded time from the seed corpus in tests/.
#
#   scripts/fuzz.sh [build-dir]        (FUZZ_SECONDS, default 120)
#
# New inputs the fuzzer finds go to <build>/fuzz/corpus. An input that breaks
# something is copied into tests/fuzz-corpus/, which `make test` replays
# (FuzzCorpusTest); the script then fails.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-build}"
mkdir -p "$build"
build=$(cd "$build" && pwd)
out="$build/fuzz"
seconds="${FUZZ_SECONDS:-120}"
jobs_corpus="$out/corpus"
artifacts="$out/artifacts"
mkdir -p "$out" "$jobs_corpus" "$artifacts"

cxx="${FUZZ_CXX:-clang++}"
sources="$root/tests/fuzz/SettingsFuzz.cpp $root/tests/fuzz/SettingsInvariants.cpp
$root/launcher/data/IniDocument.cpp $root/launcher/data/SettingsRecords.cpp $root/launcher/data/LauncherRecords.cpp
$root/launcher/data/CompanionKey.cpp $root/tests/fuzz/Cp932Native.cpp"
binary="$out/settings_fuzz"

# Rebuild when a source is newer than the binary.
stale=1
if [ -x "$binary" ]; then
    stale=0
    for s in $sources "$root"/launcher/*.h "$root"/launcher/data/*.h "$root"/tests/fuzz/*.h; do
        [ "$s" -nt "$binary" ] && stale=1
    done
fi
if [ $stale -eq 1 ]; then
    echo "fuzz: building $binary"
    # shellcheck disable=SC2086
    "$cxx" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
        -I"$root/launcher" -I"$root/tests/fuzz" $sources -o "$binary"
fi

seeds="$root/tests/ini-corpus $root/tests/fuzz-corpus"
existing=$(ls "$artifacts" | wc -l)
# shellcheck disable=SC2086
echo "fuzz: running for ${seconds} s from $(find $seeds -type f ! -name '.*' | wc -l) seeds"
set +e
"$binary" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$jobs_corpus" $seeds >"$out/last-run.log" 2>&1
rc=$?
set -e

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/last-run.log" | tail -n 1)
echo "fuzz: ${runs:-0} executions, exit code $rc (log: $out/last-run.log)"

found=0
for f in "$artifacts"/*; do
    [ -f "$f" ] || continue
    name=$(basename "$f")
    if [ ! -f "$root/tests/fuzz-corpus/$name" ]; then
        cp "$f" "$root/tests/fuzz-corpus/$name"
        echo "fuzz: finding kept as tests/fuzz-corpus/$name"
        found=1
    fi
done
if [ $rc -eq 72 ] && [ $found -eq 0 ]; then
    # libFuzzer's answer to SIGINT or SIGTERM: stopped early, nothing found.
    echo "fuzz: interrupted, no finding" >&2
    exit 130
fi
if [ $rc -ne 0 ] || [ $found -eq 1 ]; then
    grep -E "^settings fuzz:|ERROR:|SUMMARY:" "$out/last-run.log" | head -n 20 >&2 || true
    echo "fuzz: FAILED ($(($(ls "$artifacts" | wc -l) - existing)) new finding(s))" >&2
    exit 1
fi
echo "fuzz: no finding"
