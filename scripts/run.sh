#!/bin/bash
# Installs what is missing, builds, and starts Ondrix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" "$root/build-app" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DONDRIX_TESTS=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Aucun affichage (DISPLAY ou WAYLAND_DISPLAY) : la fenêtre ne peut pas s'ouvrir." >&2
    echo "Le mode sans fenêtre (--headless) n'est pas encore disponible." >&2
    exit 1
fi
exec "$root/build-app/src/ondrix" "$@"
