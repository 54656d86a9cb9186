#!/usr/bin/env bash
# Installs every Debian package lumbrik needs to build, run and test.
# The one list shared by the README, CI and a new machine.
# Usage: scripts/install-deps.sh        (as root, or with sudo available)
set -euo pipefail

PACKAGES=(
    # build
    build-essential cmake pkg-config
    libsdl1.2-dev libsdl-image1.2-dev
    libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libsamplerate0-dev
    # the game's art, drawn from SVG sources at build time
    librsvg2-dev libcairo2-dev fonts-dejavu-core
    # tests and headless runs
    libgtest-dev xvfb xdotool x11-apps imagemagick clang libclang-rt-14-dev
    # keeps the Windows-only sources compiling
    g++-mingw-w64-i686
    xdg-utils wine64 g++-mingw-w64-x86-64  # web links; Windows layer's tests under Wine
)

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#PACKAGES[@]} packages present"
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
