#!/bin/bash
# Installs the Debian packages Ondrix needs to build, run and test, and only
# those that are missing. Works as root or as a user with sudo.
set -euo pipefail

PACKAGES=(
    # build
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-multimedia-dev qt6-serialport-dev qt6-qpa-plugins libsndfile1-dev
    libespeak-ng-dev espeak-ng-data
    libgtest-dev libgmock-dev libbenchmark-dev
    # settings file (header only)
    libsimpleini-dev
    # settings-file fuzzer (scripts/fuzz.sh): clang with libFuzzer
    clang libclang-rt-14-dev
    # audio playback at run time
    pulseaudio-utils
    # test rig: private sound server, virtual display, screenshots
    pulseaudio xvfb xauth x11-utils imagemagick
    # measurement scripts (scripts/measure.sh sorts with gawk)
    gawk
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "deps: all ${#PACKAGES[@]} packages present"
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
echo "deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
