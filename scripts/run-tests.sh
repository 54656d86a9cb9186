#!/usr/bin/env bash
# Builds lumbrik and runs every test headless: unit tests, windowed tests
# under Xvfb with Mesa's software renderer, the program itself, the check of
# the Windows-only sources, and the whole suite again under AddressSanitizer
# and UndefinedBehaviorSanitizer; between the two, a short fuzz of every parser;
# last, the threaded tests under ThreadSanitizer (tests/tsan/tsan-pass.sh).
# Usage: scripts/run-tests.sh [--no-sanitizers]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
sanitizers=1
[ "${1:-}" = "--no-sanitizers" ] && sanitizers=0

scripts/install-deps.sh

# Two private X displays: 24-bit (4x multisampling available) and 16-bit
# (no multisampled visual, so the game's fallback mode is exercised).
. scripts/xvfb.sh
xvfb_start 1280x1024x24 90 119
export DISPLAY=$XVFB_DISPLAY
xvfb_start 1280x1024x16 90 119
export LUMBRIK_DISPLAY16=$XVFB_DISPLAY
# The soak's own small screen: its frames test the game's logic and memory,
# not its pixels, and the software renderer draws them several times faster.
xvfb_start 320x240x16 90 119
export LUMBRIK_SOAK_DISPLAY=$XVFB_DISPLAY
export SDL_AUDIODRIVER=dummy
unset LIBGL_ALWAYS_INDIRECT
export LIBGL_ALWAYS_SOFTWARE=1

run_suite() {
    local dir=$1
    shift
    echo "== building $dir"
    cmake -S "$root" -B "$dir" -DLUMBRIK_TESTS=ON -DLUMBRIK_BENCH=ON "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
    echo "== testing $dir"
    (cd "$dir" && ctest --output-on-failure --timeout 900)
}

run_suite build
# The windowed tests once more with 4x multisampling forced: by default the
# game draws without it on Mesa's software rasterizer. (The sanitizer pass
# keeps to the default mode.)
echo "== windowed tests with multisampling"
(cd build && LUMBRIK_MULTISAMPLE=1 ctest --output-on-failure --timeout 900 -R '^(gl|game_smoke)$')
echo "== fuzzing every parser for 20 s"
FUZZ_JOBS=${FUZZ_JOBS:-2} scripts/fuzz.sh 20
echo "== Windows-only sources"
scripts/check-windows.sh
echo "== the Windows game: built, installed and played under Wine"
LUMBRIK_NATIVE_BUILD=$root/build tests/windows/game-under-wine.sh "$root/build/windows"

if [ "$sanitizers" -eq 1 ]; then
    # Leak checking stays on for the unit tests. In the windowed tests it is
    # off: glibc's dlopen error state and X11's visual list, allocated under
    # Mesa's driver loader, are reported with one-frame stacks that cannot be
    # told apart by name.
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" \
        run_suite build-sanitize -DLUMBRIK_SANITIZE=ON
    echo "== thread sanitizer pass"
    tests/tsan/tsan-pass.sh "$root/build/data" "$root/build-tsan"
fi
echo "run-tests: all passed"
