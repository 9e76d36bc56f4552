#!/bin/bash
# Figures for the performance targets, measured on the real program:
#   start-up to window shown (median of 5), resident memory after start,
#   and, from the end-to-end run, idle CPU between sendings and the
#   start-to-start error of the file cycle; with the benchmarks built
#   (-DONDRIX_BENCH=ON), start-up to the window loaded on a full settings
#   file (pauses apart) and the window-less beacon's launch to its first
#   sending heard (medians of 5).
# Usage: scripts/measure.sh [BUILD_DIR]   (needs the test rig's env sourced,
# or starts its own)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
exe=$build/src/ondrix

own_rig=0
if [ -z "${DISPLAY:-}" ] || [ -z "${PULSE_SERVER:-}" ]; then
    export RIG_DIR=${RIG_DIR:-$(mktemp -d /tmp/ondrix-rig.XXXXXX)}
    envfile=$("$root/scripts/rig.sh" start | tail -n 1)
    # shellcheck disable=SC1090
    . "$envfile"
    own_rig=1
fi
cleanup() {
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
    [ $own_rig = 1 ] && "$root/scripts/rig.sh" stop >/dev/null || true
}
trap cleanup EXIT

export ONDRIX_SERIAL_PORTS=""
work=$(mktemp -d)
times=()
for i in 1 2 3 4 5; do
    t0=$(date +%s%N)
    "$exe" --dir "$work" >/dev/null 2>&1 &
    pid=$!
    until xwininfo -root -tree 2>/dev/null | grep -q '"Ondrix'; do
        sleep 0.005
    done
    t1=$(date +%s%N)
    times+=($(((t1 - t0) / 1000000)))
    if [ "$i" = 5 ]; then
        sleep 2
        rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
echo "start-up to window shown (ms): $sorted-> median $median"
echo "resident memory 2 s after start: $((rss / 1024)) MB ($rss kB)"
for prog in window_startup headless_onset; do
    if [ -x "$build/bench/$prog" ]; then
        "$build/bench/$prog" | tail -n 1
    fi
done

e2e=$build/tests/e2e/e2e_tests
if [ -x "$e2e" ]; then
    "$e2e" --gtest_filter='*FileCycle*' 2>&1 | grep -E '^(measure|\[  )' || true
fi
keying=$build/tests/e2e/keying_e2e
if [ -x "$keying" ]; then
    # Ten spoken messages keyed on a pty: medians of the lead and the tail.
    ONDRIX_E2E_SENDINGS=10 "$keying" --gtest_filter='*Speech*' 2>&1 | grep '^measure' |
        tee /dev/stderr | gawk '{lead[NR]=$6; tail[NR]=$13} END {
            n=asort(lead); asort(tail);
            printf "speech keying, median of %d: keyed %.1f ms before the first sample, released %.1f ms after the last\n", n, (lead[int((n+1)/2)]+lead[int(n/2)+1])/2, (tail[int((n+1)/2)]+tail[int(n/2)+1])/2 }'
fi
rm -rf "$work"
