#!/usr/bin/env bash
# Installs what is missing, builds lumbrik and starts it from the folder
# that holds its archives. Needs a running X session (or DISPLAY set).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target lumbrik game_data
cd build/data
exec ../lumbrik
