#!/usr/bin/env bash
# Installs the Debian packages lumbrik needs; the one list shared by the
# README, CI and a new machine. Installs only what is missing, so it asks for
# sudo (when not root) only when there is something to install.
# Usage: scripts/install-deps.sh [--play | --package | --windows]
#   --play      building and playing the game
#   --package   that, and building the Debian package (scripts/make-deb.sh)
#   --windows   that, and building the Windows game (scripts/make-windows.sh)
#               and playing it under Wine: adds a deb-src entry for bookworm
#               main and the i386 architecture (for Wine's 32-bit half)
#   (nothing)   everything: tests, CI, the package and its checks, the
#               Windows check, fuzzing
set -euo pipefail

PLAY=(
    build-essential cmake pkg-config
    libsdl1.2-dev libsdl-image1.2-dev libjpeg62-turbo-dev
    libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libsamplerate0-dev
    # the game's art, drawn from SVG sources at build time
    librsvg2-dev libcairo2-dev fonts-dejavu-core
    # the web links open in the desktop's browser
    xdg-utils
)
PACKAGE=(debhelper dpkg-dev)
WINDOWS=(
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 nsis libstb-dev zip unzip wine64
    xvfb xdotool x11-apps imagemagick
    # Wine takes the Windows interface language from a locale the system has
    locales
)
# Wine's 32-bit half, the OpenGL it draws with and the X extensions it
# loads at run time (without XRandR a full-screen mode change fails and the
# game gets a window with a title bar); a mirror whose i386 lists lag behind
# can refuse them, and the Windows test then plays the 64-bit build.
WINDOWS_OPTIONAL=(wine32:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
    libxrandr2:i386 libxxf86vm1:i386 libxcursor1:i386 libxi6:i386 libxinerama1:i386 libxcomposite1:i386)

# The source packages make-windows.sh builds from, and i386 for wine32.
windows_sources() {
    local list=/etc/apt/sources.list.d/lumbrik-deb-src.sources
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
        printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
            "${SUDO[@]}" tee "$list" >/dev/null
    fi
    dpkg --print-foreign-architectures | grep -qx i386 || "${SUDO[@]}" dpkg --add-architecture i386
}
FULL=(
    # tests and headless runs
    libgtest-dev xvfb xdotool x11-apps imagemagick
    # keeps the Windows-only sources compiling, and runs them
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
    # fuzzing (libFuzzer)
    clang libclang-rt-14-dev
    # checks of the Debian package
    lintian appstream desktop-file-utils
)

case "${1:-}" in
    --play) PACKAGES=("${PLAY[@]}") ;;
    --package) PACKAGES=("${PLAY[@]}" "${PACKAGE[@]}") ;;
    --windows) PACKAGES=("${PLAY[@]}" "${PACKAGE[@]}" "${WINDOWS[@]}") ;;
    "") PACKAGES=("${PLAY[@]}" "${PACKAGE[@]}" "${FULL[@]}" "${WINDOWS[@]}") ;;
    *) echo "usage: scripts/install-deps.sh [--play | --package | --windows]" >&2; exit 2 ;;
esac

SUDO=()
[ "$(id -u)" -eq 0 ] || SUDO=(sudo)
if [ "${1:-}" = --windows ] || [ -z "${1:-}" ]; then
    windows_sources
    optional=()
    for p in "${WINDOWS_OPTIONAL[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || optional+=("$p")
    done
    if [ ${#optional[@]} -gt 0 ]; then
        "${SUDO[@]}" apt-get update -qq || true
        "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${optional[@]}" >/dev/null ||
            echo "install-deps: ${optional[*]} could not be installed; the Windows test plays the 64-bit build"
    fi
    # The Windows test starts the game in German.
    locale -a | grep -qx de_DE.utf8 || "${SUDO[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true
    # Without wine32 the i386 lists only slow apt down (or break its update).
    # (awk reads to the end: "grep -q" would stop dpkg early, and pipefail
    # would take that for "no i386 package" and stop the script.)
    dpkg -l | awk '$4 == "i386" { found = 1 } END { exit !found }' || "${SUDO[@]}" dpkg --remove-architecture i386
fi

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#PACKAGES[@]} packages present"
    exit 0
fi

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "install-deps: missing ${missing[*]}; as root, run: apt-get install ${missing[*]}" >&2
        exit 1
    fi
    SUDO=(sudo)
    echo "install-deps: sudo is asked for to install ${missing[*]}"
fi
echo "install-deps: installing ${missing[*]}"
if ! "${SUDO[@]}" apt-get update -qq ||
   ! "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    echo "install-deps: could not install; as root, run: apt-get install ${missing[*]}" >&2
    exit 1
fi
echo "install-deps: done"
