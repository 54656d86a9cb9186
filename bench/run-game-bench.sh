#!/usr/bin/env bash
# Runs the game bench on a private Xvfb: first a 1920x1080 24-bit screen
# (where the display gets its 4x multisampled mode), then a 16-bit one (where
# that first try fails and the plain mode is used).
# Usage: bench/run-game-bench.sh [BUILD_DIR] [bench flags, e.g. --frames 500 --no-scissor]
# BUILD_DIR holds bench/lumbrik_bench_game and data/ (default: build).
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
    BUILD=$(cd "$1" && pwd) || exit 1
    shift
fi
BENCH=$BUILD/bench/lumbrik_bench_game
DATA=$BUILD/data
if [ ! -x "$BENCH" ]; then
    echo "run-game-bench: no bench executable at $BENCH" >&2
    exit 1
fi
if [ ! -d "$DATA" ]; then
    echo "run-game-bench: no data folder at $DATA" >&2
    exit 1
fi

XVFB_PID=""
DISPLAY_NUMBER=""

stop_xvfb() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    XVFB_PID=""
}
trap stop_xvfb EXIT
trap 'exit 130' INT TERM  # so that the EXIT trap still stops the server

# Starts Xvfb with the given screen on the first free display of :50..:59.
# -noreset: without it SDL_Init fails now and then.
start_xvfb() {
    local screen=$1 n waited
    for n in 50 51 52 53 54 55 56 57 58 59; do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "$screen" -nolisten tcp -noreset >/dev/null 2>&1 &
        XVFB_PID=$!
        for waited in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$XVFB_PID" 2>/dev/null; then
            DISPLAY_NUMBER=$n
            return 0
        fi
        stop_xvfb  # lost a race for this number, or it never came up
    done
    echo "run-game-bench: no free display in :50..:59" >&2
    return 1
}

failed=0

# From the data folder, as the game runs. A second full-screen SDL 1.2
# program on the same display would block forever, hence the timeout.
run_bench() {
    echo "== screen $1 ${*:2}"
    (cd "$DATA" && DISPLAY=":$DISPLAY_NUMBER" SDL_AUDIODRIVER=dummy \
        timeout -k 2 300 "$BENCH" . "${@:2}") || {
        echo "run-game-bench: the bench failed (status $?)" >&2
        failed=1
    }
    echo
}

for screen in 1920x1080x24 1920x1080x16; do
    start_xvfb "$screen" || exit 1
    run_bench "$screen" "$@"
    stop_xvfb
done
exit $failed
