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

. "$ROOT/scripts/xvfb.sh"

failed=0

# From the data folder, as the game runs. A second full-screen SDL 1.2
# program on the same display would block forever, hence the timeout.
run_bench() {
    echo "== screen $1 ${*:2}"
    (cd "$DATA" && DISPLAY="$XVFB_DISPLAY" SDL_AUDIODRIVER=dummy \
        timeout -k 2 300 "$BENCH" . "${@:2}") || {
        echo "run-game-bench: the bench failed (status $?)" >&2
        failed=1
    }
    echo
}

for screen in 1920x1080x24 1920x1080x16; do
    xvfb_start "$screen" 50 59 || exit 1
    run_bench "$screen" "$@"
    xvfb_stop_all
done
exit $failed
