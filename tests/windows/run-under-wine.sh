#!/bin/sh
# Builds the Windows platform tests (platform-wine.exe and the stand-in
# browser it starts) with MinGW for x86-64, linked statically, and runs them
# under Wine in a private prefix in a temporary folder, removed afterwards
# with its wineserver stopped. Wine with Unix root rights ignores a folder's
# access list, so under root the run drops to the user nobody.
# Usage: tests/windows/run-under-wine.sh [WINE64]
set -u

WINE=${1:-/usr/lib/wine/wine64}
CXX=${CXX_WIN64:-x86_64-w64-mingw32-g++-posix}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT" || exit 1

WINESERVER=$(dirname "$WINE")/wineserver
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver || echo wineserver64)

if ! command -v "$CXX" >/dev/null 2>&1; then
    echo "run-under-wine: $CXX not found" >&2
    exit 1
fi

started=$(date +%s)
work=$(mktemp -d /tmp/lumbrik-wine.XXXXXX) || exit 1
player=""
if [ "$(id -u)" -eq 0 ]; then
    player="setpriv --reuid=$(id -u nobody) --regid=$(id -g nobody) --clear-groups"
fi

# Runs Wine's programs as the player, in the private prefix, without a display.
in_prefix() {
    $player env WINEPREFIX="$work/prefix" WINEDEBUG=-all DISPLAY= HOME="$work/home" \
        WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

cleanup() {
    in_prefix "$WINESERVER" -k >/dev/null 2>&1
    chmod -R u+w "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The prefix is made (about 10 s) while the programs build.
mkdir -p "$work/home"
[ -n "$player" ] && chown -R nobody "$work"
in_prefix timeout -k 5 120 "$WINE" wineboot -i >/dev/null 2>&1 &
booting=$!

# Windows XP is the oldest target: 0x0501.
FLAGS="-std=c++17 -O0 -static -Wall -Wextra -Wno-unused-parameter -Isrc -Itests -D_WIN32_WINNT=0x0501 -DWINVER=0x0501"
$CXX $FLAGS -o "$work/browser-standin.exe" tests/windows/BrowserStandIn.cpp &
standin=$!
$CXX $FLAGS -o "$work/platform-wine.exe" tests/windows/PlatformWine.cpp \
    src/platform/PlatformWin32.cpp src/platform/BrowserWin32.cpp \
    src/platform/BrowserPath.cpp src/platform/ProcessWatchWin32.cpp src/platform/AtomicFileWin32.cpp src/resources/Settings.cpp -lshell32 -ladvapi32 -lole32
compiled=$?
wait $standin || compiled=1
if [ $compiled -ne 0 ]; then
    echo "FAILED  building the Windows platform tests"
    exit 1
fi
built=$(date +%s)
if ! wait $booting; then
    echo "FAILED  making a Wine prefix"
    exit 1
fi
booted=$(date +%s)
in_prefix timeout -k 5 120 "$WINE" "$work/platform-wine.exe"
status=$?
echo "run-under-wine: status $status; build $((built - started)) s, then prefix" \
    "$((booted - built)) s more, cases $(($(date +%s) - booted)) s"
exit $status
