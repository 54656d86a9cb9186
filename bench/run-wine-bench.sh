#!/usr/bin/env bash
# The Windows build under Wine against the Linux build, one after the other
# on one private Xvfb of the same size, both on Mesa's software renderer:
# time from start to the first drawn picture (polled on the screen, so to
# within about a tenth of a second), and frames per second while the pointer
# moves in small steps (the game draws only when something changes): the
# best half-second of Mesa's own count (GALLIUM_HUD, dumped to a file), the
# same renderer under Wine's opengl32 as on Linux.
# Usage: bench/run-wine-bench.sh LINUX_BUILD WINDOWS_FOLDER [SCREEN]
#   e.g. bench/run-wine-bench.sh build build-win/lumbrik-2.0.0-win32 1920x1080x24
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
screen=${3:-1280x1024x24}
source "$ROOT/scripts/xvfb.sh"
WINE=/usr/lib/wine/wine
[ -x "$WINE" ] && [ -f "$windows/lumbrik.exe" ] && file "$windows/lumbrik.exe" | grep -q 'PE32 ' || WINE=/usr/lib/wine/wine64
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" SDL_AUDIODRIVER=dummy LANG=C
trap '"$(dirname "$WINE")"/wineserver* -k 2>/dev/null; rm -rf "$work"; xvfb_stop_all' EXIT
xvfb_start "$screen" ${BENCH_DISPLAYS:-150 159} || exit 1
export DISPLAY=$XVFB_DISPLAY
timeout 120 "$WINE" wineboot -i >/dev/null 2>&1
"$(dirname "$WINE")"/wineserver* -w 2>/dev/null
width=${screen%%x*}
rest=${screen#*x}
height=${rest%%x*}

# Milliseconds until the screen's middle row is no longer all black.
first_picture() {
    local begun=$1
    for _ in $(seq 600); do
        if xwd -root -silent | /usr/bin/convert xwd:- -crop "${width}x1+0+$((height / 2))" -format '%[fx:maxima.r+maxima.g+maxima.b]' info: 2>/dev/null |
            grep -qv '^0$'; then
            echo $(($(date +%s%N) / 1000000 - begun))
            return
        fi
        sleep 0.05
    done
    echo "none"
}

# Runs one game ($1 name, then its command) in its folder; prints the figures.
measure() {
    local name=$1 folder=$2
    shift 2
    mkdir -p "$work/hud-$name"
    export GALLIUM_HUD=fps GALLIUM_HUD_DUMP_DIR=$work/hud-$name
    local begun=$(($(date +%s%N) / 1000000))
    (cd "$folder" && exec timeout -k 2 120 "$@" >"$work/$name.out" 2>"$work/$name.err") &
    local pid=$!
    local first
    first=$(first_picture "$begun")
    sleep 8   # the welcome screen settles; the pointer then moves over it
    local steps="" x
    for x in $(seq 200 8 $((width - 200))); do steps="$steps mousemove $x $((height / 2)) sleep 0.01"; done
    # shellcheck disable=SC2086
    xdotool $steps
    # Welcome, 20 pieces, then leave through the exit dialog.
    xdotool key Return
    sleep 1
    xdotool key Return
    sleep 3
    xdotool key Escape
    sleep 1
    xdotool key Return
    wait "$pid"
    local fps
    fps=$(sort -n "$work/hud-$name/fps" 2>/dev/null | tail -n 1)
    echo "$name: first picture after ${first} ms; frames per second while the pointer moves: ${fps:-unknown} ($screen)"
}

measure linux "$linux/data" env XDG_DATA_HOME="$work/xdg" "$linux/lumbrik"
measure windows "$windows" "$WINE" lumbrik.exe
