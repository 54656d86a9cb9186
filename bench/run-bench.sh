#!/usr/bin/env bash
# Runs the scene bench on a private Xvfb: first a 24-bit screen (where the
# display gets its 4x multisampled mode), then a 16-bit one (where that first
# try fails and the plain mode is used), each with the pick's one-pixel
# scissor on and off.
# Usage: bench/run-bench.sh [path/to/lumbrik_bench_scene] [bench flags, e.g. --frames 500]
# Without a path it takes build/bench/lumbrik_bench_scene.
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BENCH=$ROOT/build/bench/lumbrik_bench_scene
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
    BENCH=$1
    shift
fi
if [ ! -x "$BENCH" ]; then
    echo "run-bench: no bench executable at $BENCH" >&2
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

# Starts Xvfb with the given screen on the first free display of :40..:49.
# -noreset: without it SDL_Init fails now and then.
start_xvfb() {
    local screen=$1 n waited
    for n in 40 41 42 43 44 45 46 47 48 49; do
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
    echo "run-bench: no free display in :40..:49" >&2
    return 1
}

failed=0

# One run at a time: a second full-screen SDL 1.2 program on the same display
# would block forever, hence the timeout as well.
run_bench() {
    echo "== $1 ${*:2}"
    DISPLAY=":$DISPLAY_NUMBER" SDL_AUDIODRIVER=dummy timeout -k 2 120 "$BENCH" "${@:2}" || {
        echo "run-bench: the bench failed (status $?)" >&2
        failed=1
    }
    echo
}

for screen in 1280x1024x24 1280x1024x16; do
    start_xvfb "$screen" || exit 1
    run_bench "screen $screen" "$@"
    run_bench "screen $screen" "$@" --no-scissor
    stop_xvfb
done
exit $failed
