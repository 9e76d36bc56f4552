#!/bin/sh
# Starts the real program on a virtual X display, takes a screenshot of its
# window and checks that something was drawn: the window maps, and the picture
# is neither blank nor a flat fill.
#
#   screenshot_smoke.sh ONDRIX SHOT.png
#
# Needs xvfb-run (xvfb, xauth), xwininfo (x11-utils) and ImageMagick.
set -eu

if [ "${1:-}" != --inner ]; then
    [ $# -eq 2 ] || { echo "usage: $0 ONDRIX SHOT.png" >&2; exit 2; }
    for tool in xvfb-run xauth xwininfo import convert; do
        command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
    done
    exec timeout 80 xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inner "$1" "$2"
fi

ondrix=$2
shot=$3
work=$(mktemp -d)
pid=
cleanup() {
    status=$?
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT

# The xcb platform, whatever the calling environment chose; no sound server
# is needed to show the window.
QT_QPA_PLATFORM=xcb "$ondrix" --dir "$work" >"$work/out.log" 2>&1 &
pid=$!

# Seconds since the epoch, for the deadlines below: generous, since a loaded
# machine or an instrumented build is slow, and only a failure waits that long.
now() { date +%s; }

# Wait for the window to map.
id=
deadline=$(($(now) + 30))
while [ "$(now)" -lt "$deadline" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "ondrix exited before showing its window:" >&2
        cat "$work/out.log" >&2
        exit 1
    fi
    id=$(xwininfo -root -tree | awk '/"Ondrix v0.1"/ { print $1; exit }')
    [ -n "$id" ] && xwininfo -id "$id" | grep -q 'Map State: IsViewable' && break
    id=
    sleep 0.1
done
[ -n "$id" ] || { echo "no window titled 'Ondrix v0.1' appeared" >&2; exit 1; }

# Screenshots until one shows the window drawn: its first paint comes some time
# after it maps. A blank or flat-filled window has a grey deviation near 0 and
# a handful of colours; text and icons give many anti-aliased shades.
problem=
deadline=$(($(now) + 30))
while :; do
    kill -0 "$pid" 2>/dev/null || { echo "ondrix died while being captured" >&2; exit 1; }
    # The window alone, cut from the root so what is checked is what shows.
    geom=$(xwininfo -id "$id" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF }
        END { printf "%dx%d+%d+%d", w, h, x, y }')
    import -window root -crop "$geom" +repage "$shot"
    size=$(convert "$shot" -format '%wx%h' info:)
    stddev=$(convert "$shot" -colorspace Gray -format '%[fx:standard_deviation]' info:)
    colours=$(convert "$shot" -format '%k' info:)
    w=${size%x*}
    h=${size#*x}
    if ! { [ "$w" -ge 400 ] && [ "$h" -ge 200 ]; }; then
        problem="window too small: $size"
    elif ! awk -v s="$stddev" 'BEGIN { exit !(s > 0.05) }'; then
        problem="screenshot looks blank"
    elif [ "$colours" -le 32 ]; then
        problem="too few colours: $colours"
    else
        problem=
    fi
    [ -z "$problem" ] && break
    [ "$(now)" -lt "$deadline" ] || break
    sleep 0.2
done
echo "window $geom, screenshot $size, grey standard deviation $stddev, $colours colours: $shot"
[ -z "$problem" ] || { echo "$problem" >&2; exit 1; }
