#!/bin/bash
# Figures for the performance targets, measured on the real program:
#   start-up to window shown (median of 5), resident memory after start,
#   the window's idle CPU and memory with a file cycle running (median of 3),
#   and, from the end-to-end run, idle CPU between sendings and the
#   start-to-start error of the file cycle; with the benchmarks built
#   (-DONDRIX_BENCH=ON), start-up to the window loaded on a full settings
#   file (pauses apart), the window-less beacon's launch to its first
#   sending heard (medians of 5) and where its sendings land after the
#   process is held still (SIGSTOP/SIGCONT; medians of 3).
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

# Starts the window on $work in the background ($pid) and waits until it is
# shown; $t0 and $t1 are the launch and the window shown, in ns.
launch_window() {
    t0=$(date +%s%N)
    "$exe" --dir "$work" >/dev/null 2>"$work/ondrix.err" &
    pid=$!
    until xwininfo -root -tree 2>/dev/null | grep -q '"Ondrix'; do
        # A program that died (no display, say) never shows a window.
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "the window did not come up; the program said:" >&2
            cat "$work/ondrix.err" >&2
            exit 1
        fi
        sleep 0.005
    done
    t1=$(date +%s%N)
}
times=()
for i in 1 2 3 4 5; do
    launch_window
    times+=($(((t1 - t0) / 1000000)))
    if [ "$i" = 5 ]; then
        sleep 2
        rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
        hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
echo "start-up to window shown (ms): $sorted-> median $median"
echo "resident memory 2 s after start: $((rss / 1024)) MB ($rss kB), peak $((hwm / 1024)) MB ($hwm kB)"

export ONDRIX_TRACE_REDRAWS=1
# Idle CPU of the window between two sendings. The cycle (1 s tone, period
# 30 s, tick 1000 ms, VOX) is started by a daily time window open all day, as
# an unattended station runs; its first sending comes within a tick of the
# start-up, the next one 31 s later. Past the first sending, 20 s of the wait
# are measured from /proc/PID/stat (utime + stime in clock ticks: 0.05 % of
# resolution over 20 s).
tone_wav() {
    LC_ALL=C gawk 'function le(v, n, i) {
            for (i = 0; i < n; i++) { printf "%c", v % 256; v = int(v / 256) } }
        BEGIN { rate = 48000; n = rate
            printf "RIFF"; le(36 + 2 * n, 4); printf "WAVEfmt "; le(16, 4); le(1, 2); le(1, 2)
            le(rate, 4); le(2 * rate, 4); le(2, 2); le(16, 2); printf "data"; le(2 * n, 4)
            for (i = 0; i < n; i++) {
                v = int(16384 * sin(2 * 3.141592653589793 * 1000 * i / rate))
                le(v < 0 ? v + 65536 : v, 2) } }' >"$1"
}
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
tone_wav "$work/balise.wav"
hz=$(getconf CLK_TCK)
cpus=()
for i in 1 2 3; do
    # A fresh file each time: the shut-down writes every key back.
    cat >"$work/parametres.ini" <<EOF
[Params]
Param0=$work/balise.wav
Param25=1
Param28=30
Param15=1000
Param34=VOX ON
Param16=1
Param48=00
Param49=00
Param50=00
Param51=23
Param52=59
Param53=59
EOF
    launch_window
    # The first sending, seen as the program's stream on the sound server.
    sent=no
    for _ in $(seq 50); do
        if pactl list sink-inputs 2>/dev/null | grep -q "application.process.id = \"$pid\""; then
            sent=yes
            break
        fi
        sleep 0.1
    done
    # Past its end; the next one is due 31 s after it.
    sleep 3
    c0=$(cpu_ticks "$pid")
    s0=$(date +%s%N)
    sleep 20
    c1=$(cpu_ticks "$pid")
    s1=$(date +%s%N)
    cpu=$(gawk -v c="$((c1 - c0))" -v hz="$hz" -v ns="$((s1 - s0))" \
        'BEGIN { printf "%.2f", 100 * c / hz / (ns / 1e9) }')
    cpus+=("$cpu")
    rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
    hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
    echo "window with a file cycle, run $i: shown after $(((t1 - t0) / 1000000)) ms," \
        "first sending seen: $sent, CPU over 20 s between sendings $cpu % of one core" \
        "($((c1 - c0)) ticks of 1/$hz s), VmRSS $((rss / 1024)) MB ($rss kB)," \
        "VmHWM $((hwm / 1024)) MB ($hwm kB)"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
    # Whole-window redraws from the end of start-up to the close, the
    # first sending included (ONDRIX_TRACE_REDRAWS).
    echo "window with a file cycle, run $i: $(grep '^redraws:' "$work/ondrix.err" || echo 'redraws: not traced')"
done
echo "window idle CPU between sendings, median of 3:" \
    "$(printf '%s\n' "${cpus[@]}" | sort -g | sed -n 2p) % of one core"
for prog in window_startup headless_onset; do
    if [ -x "$build/bench/$prog" ]; then
        "$build/bench/$prog" | tail -n 1
    fi
done
if [ -x "$build/bench/stall_onset" ]; then
    "$build/bench/stall_onset" | grep -E '^(control|held)'
fi

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
