#!/usr/bin/env bash
# Renders archive entries through the game's own renderer to a PNG, on a
# private Xvfb of the size asked for; run from anywhere after a build.
#   scripts/view.sh OUT.png WIDTHxHEIGHT ARCHIVE:ENTRY[@x,y,z[,rx,ry,rz[,scale]]]...
# Archives are looked up in build/data. Example, the tool bar's close button:
#   scripts/view.sh close.png 1280x1024 buttons.pak:close@47.8,37.4,0.6,-90
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "$1")
size=$2
shift 2
n=70
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
cd "$root/build/data"
DISPLAY=":$n" SDL_AUDIODRIVER=dummy timeout -k 2 60 "$root/build/pakview" "$out" "$@"
