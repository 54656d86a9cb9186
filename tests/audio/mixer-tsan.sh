#!/usr/bin/env bash
# Builds the mixer, the core it links against and the mixer tests with
# ThreadSanitizer, then runs the mixer tests. The device tests run SDL's real
# audio thread (disk driver) while the main thread calls play() and close(),
# so a race between the callback and the main thread is reported here.
# Any ThreadSanitizer report fails the run.
# Usage: tests/audio/mixer-tsan.sh [build folder]   (default /tmp/lumbrik-mixer-tsan)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-/tmp/lumbrik-mixer-tsan}
mkdir -p "$out/obj"

CXXFLAGS="-std=c++17 -g -O1 -fsanitize=thread -fno-omit-frame-pointer -DNO_SDL_GLEXT
    -I$root/src -I$root/tests -I$root/tools $(sdl-config --cflags) $(pkg-config --cflags samplerate)"
LIBS="$(sdl-config --libs) -lSDL_image -lGLU -lGL $(pkg-config --libs samplerate) -lgtest -lgtest_main -pthread"

# The same sources as the lumbrik_core library, plus the archive writer and
# the test helpers the mixer tests use.
cd "$root"
mapfile -t core < <(find src -name '*.cpp' ! -name main.cpp ! -name '*Win32.cpp' | sort)
sources=("${core[@]}" tools/pakwriter/PakWriter.cpp tools/pakwriter/PngWriter.cpp
         tests/support/TestArchives.cpp)

object() { echo "$out/obj/$(echo "$1" | tr / _).o"; }
export -f object
export out CXXFLAGS

echo "mixer-tsan: compiling ${#sources[@]} sources and tests/audio/MixerTest.cpp"
printf '%s\n' "${sources[@]}" tests/audio/MixerTest.cpp |
    xargs -P "$(nproc)" -I{} bash -c 'g++ $CXXFLAGS -c "{}" -o "$(object "{}")"'

rm -f "$out/core.a"
objects=()
for s in "${sources[@]}"; do objects+=("$(object "$s")"); done
ar rcs "$out/core.a" "${objects[@]}"
g++ -fsanitize=thread "$(object tests/audio/MixerTest.cpp)" "$out/core.a" $LIBS -o "$out/mixer_tests"

echo "mixer-tsan: running"
TSAN_OPTIONS="halt_on_error=1 exitcode=66 ${TSAN_OPTIONS:-}" \
    "$out/mixer_tests" --gtest_filter='Mixer*' 2>&1 | tee "$out/run.log"
status=${PIPESTATUS[0]}
if grep -q "WARNING: ThreadSanitizer" "$out/run.log"; then
    echo "mixer-tsan: ThreadSanitizer reported a problem (see $out/run.log)"
    exit 1
fi
[ "$status" -eq 0 ] || { echo "mixer-tsan: tests failed (status $status)"; exit "$status"; }
echo "mixer-tsan: no data race reported"
