#!/usr/bin/env bash
# The thread sanitizer pass: builds with clang -fsanitize=thread only the
# test programs whose code runs on more than one thread, reusing the archives
# of a plain build, and runs the threaded parts: the mixer against SDL's real
# audio thread (disk driver), the start-up decode workers and reader threads,
# the start-up scenarios, a shortened soak, and the real program started
# (workers decoding while its window opens, its audio thread running) and
# ended by a quit signal. Any ThreadSanitizer report fails the pass; reports from inside
# the system's libraries would be named, with the reason, in tests/tsan/tsan.supp.
# Needs $DISPLAY (and $LUMBRIK_SOAK_DISPLAY, else $DISPLAY for the soak).
# Usage: tests/tsan/tsan-pass.sh DATA_DIR [build folder]  (default build-tsan)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
data=$1
out=${2:-$root/build-tsan}
started=$(date +%s)

cmake -S "$root" -B "$out" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DLUMBRIK_TSAN=ON -DLUMBRIK_TESTS=ON -DLUMBRIK_BENCH=OFF \
    -DLUMBRIK_PREBUILT_DATA="$data" >/dev/null
cmake --build "$out" -j"$(nproc)" --target lumbrik lumbrik_unit_tests lumbrik_gl_tests lumbrik_soak_tests

log=$out/tsan.log
: >"$log"
# Mesa's software rasterizer draws on threads of its own, synchronised in
# ways the sanitizer cannot see inside the uninstrumented driver (it reports
# a mutex the driver destroys after its worker last locked it, both accesses
# inside swrast_dri.so). With no rasterizer threads it draws on the calling
# thread, and every thread left is SDL's or ours.
export LP_NUM_THREADS=0
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 suppressions=$root/tests/tsan/tsan.supp ${TSAN_OPTIONS:-}"
failed=0
# Runs one program; its output goes to the log too.
step() {
    echo "-- $*"
    "$@" 2>&1 | tee -a "$log"
    local status=${PIPESTATUS[0]}
    [ "$status" -eq 0 ] || { echo "tsan-pass: FAILED (status $status): $*"; failed=1; }
}

step "$out/tests/lumbrik_unit_tests" --gtest_filter='Mixer*:Settings*'
step "$out/tests/lumbrik_gl_tests" --gtest_filter='DeferredDecoding*:StartupPrefetch*:StartTest*:PhotoPicturesTest.Cache*'
step env DISPLAY="${LUMBRIK_SOAK_DISPLAY:-$DISPLAY}" LUMBRIK_SOAK_ROUNDS=3 "$out/tests/lumbrik_soak_tests"

# The real program until its first frames, then SIGTERM: it must end with 0.
# (The smoke test's time limits are for an uninstrumented build.)
run_game() {
    local home
    home=$(mktemp -d)
    (cd "$data" && exec env XDG_DATA_HOME="$home" SDL_AUDIODRIVER=dummy timeout -k 5 300 "$out/lumbrik") &
    local pid=$! shown=1
    for _ in $(seq 1200); do
        xdotool search --name '^lumbrik$' >/dev/null 2>&1 && { shown=0; break; }
        sleep 0.1
    done
    sleep 10  # its first frames, the music playing
    kill -TERM "$pid"
    local status=0
    wait "$pid" || status=$?
    rm -rf "$home"
    [ "$shown" -eq 0 ] || { echo "the window never opened"; return 1; }
    return "$status"
}
step run_game

if grep -q "WARNING: ThreadSanitizer" "$log"; then
    echo "tsan-pass: ThreadSanitizer reported a problem (see $log)"
    failed=1
fi
echo "tsan-pass: $(grep -c '^\[       OK \]' "$log") test cases, $(( $(date +%s) - started )) s"
[ "$failed" -eq 0 ] || exit 1
echo "tsan-pass: no data race reported"
