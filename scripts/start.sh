#!/usr/bin/env bash
# Installs what building and playing need (asking for sudo only when a
# package is missing), builds lumbrik and its archives into build/ as the
# user, and starts the game from the folder that holds its archives. Run it
# as yourself, not with sudo: the build and the child's progress belong to
# the user who plays.
set -euo pipefail
cd "$(dirname "$0")/.."

owner=$(stat -c %U .)
if [ "$(stat -c %u .)" != "$(id -u)" ]; then
    echo "start: this folder belongs to $owner; run scripts/start.sh as $owner, without sudo (it asks for sudo itself when a package is missing)" >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
    echo "start: no X display (DISPLAY is empty); start the game from a desktop session" >&2
    exit 1
fi
# An earlier 'sudo' run leaves root's files in build/, which this user can
# neither rebuild nor replace.
if [ -e build ] && [ -n "$(find build ! -user "$(id -u)" -print -quit 2>/dev/null)" ]; then
    echo "start: build/ holds files of another user (an earlier sudo run?); remove it with: sudo rm -rf build" >&2
    exit 1
fi

scripts/install-deps.sh --play
if [ -f build/CMakeCache.txt ]; then
    cmake -S . -B build >/dev/null
else
    # Tests and benchmarks need more packages than playing does.
    cmake -S . -B build -DLUMBRIK_TESTS=OFF -DLUMBRIK_BENCH=OFF >/dev/null
fi
cmake --build build -j"$(nproc)" --target lumbrik game_data
cd build/data
exec ../lumbrik
