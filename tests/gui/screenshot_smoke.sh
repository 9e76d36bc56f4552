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
    exec timeout 15 xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inner "$1" "$2"
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

# Wait for the window to map (at most 8 s), then a moment for its first paint.
id=
i=0
while [ $i -lt 80 ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "ondrix exited before showing its window:" >&2
        cat "$work/out.log" >&2
        exit 1
    fi
    id=$(xwininfo -root -tree | awk '/"Ondrix v0.1"/ { print $1; exit }')
    [ -n "$id" ] && xwininfo -id "$id" | grep -q 'Map State: IsViewable' && break
    id=
    sleep 0.1
    i=$((i + 1))
done
[ -n "$id" ] || { echo "no window titled 'Ondrix v0.1' appeared" >&2; exit 1; }
sleep 0.5

# The window alone, cut from the root so what is checked is what shows.
geom=$(xwininfo -id "$id" | awk '
    /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF }
    END { printf "%dx%d+%d+%d", w, h, x, y }')
import -window root -crop "$geom" +repage "$shot"
kill -0 "$pid" 2>/dev/null || { echo "ondrix died while being captured" >&2; exit 1; }

size=$(convert "$shot" -format '%wx%h' info:)
stddev=$(convert "$shot" -colorspace Gray -format '%[fx:standard_deviation]' info:)
colours=$(convert "$shot" -format '%k' info:)
echo "window $geom, screenshot $size, grey standard deviation $stddev, $colours colours: $shot"

# A blank or flat-filled window has a deviation near 0 and a handful of colours;
# text and icons give many anti-aliased shades.
w=${size%x*}
h=${size#*x}
[ "$w" -ge 400 ] && [ "$h" -ge 200 ] || { echo "window too small: $size" >&2; exit 1; }
awk -v s="$stddev" 'BEGIN { exit !(s > 0.05) }' || { echo "screenshot looks blank" >&2; exit 1; }
[ "$colours" -gt 32 ] || { echo "too few colours: $colours" >&2; exit 1; }
