#!/usr/bin/env bash
# Runs the scene bench on a private Xvfb, with 4x multisampling and without,
# each with the pick's one-pixel scissor on and off.
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

. "$ROOT/scripts/xvfb.sh"

failed=0

# One run at a time: a second full-screen SDL 1.2 program on the same display
# would block forever, hence the timeout as well.
run_bench() {
    echo "== $1 ${*:2}"
    DISPLAY="$XVFB_DISPLAY" SDL_AUDIODRIVER=dummy timeout -k 2 120 "$BENCH" "${@:2}" || {
        echo "run-bench: the bench failed (status $?)" >&2
        failed=1
    }
    echo
}

xvfb_start 1280x1024x24 40 49 || exit 1
for multisample in on off; do
    run_bench "multisample $multisample" "$@" --multisample=$multisample
    run_bench "multisample $multisample" "$@" --multisample=$multisample --no-scissor
done
exit $failed
