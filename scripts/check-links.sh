#!/bin/sh
# Fails when a logic test binary depends on Qt Widgets, Gui or Multimedia.
set -eu
bin="$1"
bad=$(ldd "$bin" | grep -E 'libQt6(Widgets|Gui|Multimedia|SerialPort)' || true)
if [ -n "$bad" ]; then
    echo "logic binary $bin loads forbidden libraries:" >&2
    echo "$bad" >&2
    exit 1
fi
echo "$bin: Qt Core only"
