#!/bin/bash
# Installs what is missing, builds, and starts Ondrix: its window when there is
# a display, else the beacon without a window (--headless).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" "$root/build-app" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DONDRIX_TESTS=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Aucun affichage (DISPLAY ou WAYLAND_DISPLAY) : Ondrix tourne sans fenêtre (--headless)." >&2
    echo "Arrêt : Ctrl+C ; les paramètres sont alors enregistrés." >&2
    case " $* " in
    *" --headless "*) ;;
    *) set -- --headless "$@" ;;
    esac
fi
exec "$root/build-app/src/ondrix" "$@"
