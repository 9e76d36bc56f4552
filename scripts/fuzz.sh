#!/bin/bash
# Builds the settings-file fuzzer (clang, libFuzzer, ASan + UBSan) in
# build-fuzz/ and runs it for the given number of seconds (default 20) on a
# copy of the seed corpus. Exits non-zero when it finds a crash; the input that
# caused it is kept in build-fuzz/artifacts/.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
dir=$root/build-fuzz

cmake -S "$root/fuzz" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$dir"

work=$(mktemp -d /tmp/ondrix-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp -r "$root/fuzz/corpus/settings" "$work/corpus"
mkdir -p "$dir/artifacts"

# Settings files are a few KB; 8 KB inputs cover a full one with room to spare.
# Qt keeps some allocations for the life of the process: leaks are not looked for.
# Each new input found is a line of its own: the run's log is kept in
# build-fuzz/fuzz.log and shown whole only when something was found.
status=0
"$dir/settings_fuzz" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
    -detect_leaks=0 -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$work/corpus" \
    >"$dir/fuzz.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    cat "$dir/fuzz.log"
    exit "$status"
fi
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$dir/fuzz.log" || true
