#!/usr/bin/env bash
# The private test rig: a PulseAudio daemon of our own with a null sink (what
# the program plays can be captured back from its monitor) and an Xvfb display.
# Nothing here touches the user's own sound server, display or ~/.config.
#
#   scripts/rig.sh start   starts the rig (restarting it if it runs), prints the
#                          path of a file to source: XDG_RUNTIME_DIR,
#                          PULSE_SERVER, DISPLAY...
#   scripts/rig.sh stop    stops everything start started; safe to repeat.
#
# RIG_DIR (default /tmp/ondrix-rig-$USER, or the uid) holds the runtime
# directory, the logs, the pids and the env file.
set -euo pipefail

RIG_DIR="${RIG_DIR:-/tmp/ondrix-rig-${USER:-$(id -u)}}"
PULSE_TIMEOUT_S=10
X_TIMEOUT_S=10

die() {
    echo "rig: $*" >&2
    exit 1
}

# Pulse clients and the daemon both read these; they keep everything under
# RIG_DIR whoever runs us (root in CI, a developer at a desk).
rig_env() {
    export XDG_RUNTIME_DIR="$RIG_DIR/xdg"
    export PULSE_RUNTIME_PATH="$RIG_DIR/xdg/pulse"
    export PULSE_STATE_PATH="$RIG_DIR/state"
    export PULSE_CONFIG_PATH="$RIG_DIR/config"
    export PULSE_COOKIE="$RIG_DIR/state/cookie"
    export PULSE_CLIENTCONFIG="$RIG_DIR/client.conf"
    export PULSE_SERVER="unix:$RIG_DIR/xdg/pulse/native"
}

# Kills the process in pid file $1 if it is still the program named $2 (a pid
# may have been reused since).
kill_pidfile() {
    local file="$1" name="$2" pid
    [ -f "$file" ] || return 0
    pid=$(cat "$file" 2>/dev/null || true)
    rm -f "$file"
    [[ "$pid" =~ ^[0-9]+$ ]] || return 0
    if ! tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -q -- "$name"; then
        return 0
    fi
    kill -TERM "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
}

stop_rig() {
    kill_pidfile "$RIG_DIR/parec.pid" parec
    kill_pidfile "$RIG_DIR/pulseaudio.pid" pulseaudio
    kill_pidfile "$RIG_DIR/xvfb.pid" Xvfb
    rm -f "$RIG_DIR/env" "$RIG_DIR/display"
}

start_pulse() {
    rm -rf "${RIG_DIR:?}/xdg" "${RIG_DIR:?}/state" "${RIG_DIR:?}/config" "${RIG_DIR:?}/home"
    mkdir -p "$RIG_DIR/xdg/pulse" "$RIG_DIR/state" "$RIG_DIR/config" "$RIG_DIR/home"
    chmod 700 "$RIG_DIR/xdg" "$RIG_DIR/xdg/pulse" "$RIG_DIR/state" "$RIG_DIR/config" "$RIG_DIR/home"
    # No autospawn: a client that cannot reach our daemon must fail, not start
    # (or find) another one.
    printf 'autospawn = no\n' >"$RIG_DIR/client.conf"

    # -n with explicit modules: no default.pa, so no hardware, no D-Bus, and
    # root needs no --system. HOME points into the rig for the same reason.
    env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS HOME="$RIG_DIR/home" \
        setsid pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit \
        --use-pid-file=no --log-target=stderr -n \
        --load="module-native-protocol-unix auth-anonymous=1 auth-cookie-enabled=0 socket=$RIG_DIR/xdg/pulse/native" \
        --load="module-null-sink sink_name=ondrix_out" \
        --load="module-remap-source master=ondrix_out.monitor source_name=ondrix_in" \
        </dev/null >"$RIG_DIR/pulseaudio.log" 2>&1 &
    echo $! >"$RIG_DIR/pulseaudio.pid"

    local waited=0
    until pactl info >/dev/null 2>&1; do
        if ! kill -0 "$(cat "$RIG_DIR/pulseaudio.pid")" 2>/dev/null; then
            die "pulseaudio exited at start; its log ($RIG_DIR/pulseaudio.log) says:
$(tail -n 20 "$RIG_DIR/pulseaudio.log")"
        fi
        if [ "$waited" -ge $((PULSE_TIMEOUT_S * 10)) ]; then
            die "pulseaudio did not answer 'pactl info' within ${PULSE_TIMEOUT_S} s; see $RIG_DIR/pulseaudio.log"
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    pactl set-default-sink ondrix_out
    pactl set-default-source ondrix_in

    # Without a low-latency reader the null sink renders in blocks of up to
    # 2 s, and captures lag by as much.
    setsid parec --latency-msec=20 -d ondrix_out.monitor </dev/null >/dev/null \
        2>"$RIG_DIR/parec.log" &
    echo $! >"$RIG_DIR/parec.pid"
}

start_xvfb() {
    local fifo="$RIG_DIR/display" waited=0 display=""
    rm -f "$fifo"
    : >"$fifo"
    # -displayfd lets the server pick a free display number and tell us.
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
        </dev/null >"$RIG_DIR/xvfb.log" 2>&1 3>"$fifo" &
    echo $! >"$RIG_DIR/xvfb.pid"
    while :; do
        display=$(tr -dc '0-9' <"$fifo")
        [ -n "$display" ] && break
        if ! kill -0 "$(cat "$RIG_DIR/xvfb.pid")" 2>/dev/null; then
            die "Xvfb exited at start; its log ($RIG_DIR/xvfb.log) says:
$(tail -n 20 "$RIG_DIR/xvfb.log")"
        fi
        if [ "$waited" -ge $((X_TIMEOUT_S * 10)) ]; then
            die "Xvfb did not report a display within ${X_TIMEOUT_S} s; see $RIG_DIR/xvfb.log"
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    echo ":$display"
}

write_env() {
    local display="$1" tmp="$RIG_DIR/env.tmp"
    {
        echo "# Sourced by the test command: the private rig's sound server and display."
        for v in XDG_RUNTIME_DIR PULSE_RUNTIME_PATH PULSE_STATE_PATH PULSE_CONFIG_PATH \
            PULSE_COOKIE PULSE_CLIENTCONFIG PULSE_SERVER; do
            printf 'export %s=%q\n' "$v" "${!v}"
        done
        printf 'export DISPLAY=%q\n' "$display"
        printf 'export ONDRIX_RIG_DIR=%q\n' "$RIG_DIR"
    } >"$tmp"
    mv "$tmp" "$RIG_DIR/env"
}

start_rig() {
    for tool in pulseaudio pactl parec Xvfb setsid; do
        command -v "$tool" >/dev/null || die "$tool is not installed"
    done
    # The rig empties parts of RIG_DIR: never a directory it did not make.
    if [ -d "$RIG_DIR" ] && [ ! -e "$RIG_DIR/.ondrix-rig" ] && [ ! -e "$RIG_DIR/client.conf" ] &&
        [ -n "$(ls -A "$RIG_DIR" 2>/dev/null)" ]; then
        die "$RIG_DIR exists and is not a rig directory; choose another RIG_DIR"
    fi
    mkdir -p "$RIG_DIR"
    chmod 700 "$RIG_DIR"
    : >"$RIG_DIR/.ondrix-rig"
    stop_rig
    rig_env
    # If anything below fails, leave nothing half started behind.
    trap 'stop_rig' EXIT
    start_pulse
    local display
    display=$(start_xvfb)
    write_env "$display"
    trap - EXIT
    echo "$RIG_DIR/env"
}

case "${1:-}" in
start) start_rig ;;
stop) stop_rig ;;
*)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
