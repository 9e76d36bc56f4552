#!/bin/bash
# Installs what is missing, builds, starts the private test rig (sound server
# with a null sink, virtual display), and runs every test twice: in a normal
# build and under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/deps.sh

export RIG_DIR=${RIG_DIR:-$(mktemp -d /tmp/ondrix-rig.XXXXXX)}
trap 'scripts/rig.sh stop || true' EXIT
envfile=$(scripts/rig.sh start | tail -n 1)
# shellcheck disable=SC1090
. "$envfile"

# No test may reach this machine's own serial ports; tests that need ports
# name their pseudo-terminals themselves.
export ONDRIX_SERIAL_PORTS=""

status=0
run_suite() {
    local dir=$1
    shift
    echo "=== build $dir $*"
    scripts/build.sh "$dir" "$@"
    echo "=== tests $dir"
    ctest --test-dir "$dir" --output-on-failure -j2 || status=1
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DONDRIX_TESTS=ON -DONDRIX_SANITIZE=OFF -DONDRIX_BENCH=ON
# Third-party libraries (fontconfig, PulseAudio, Qt plugins) keep caches for
# the life of the process; leak reports are limited to our own code.
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DONDRIX_TESTS=ON -DONDRIX_SANITIZE=ON

echo "=== fuzz settings file (20 s)"
scripts/fuzz.sh 20 || status=1

exit $status
