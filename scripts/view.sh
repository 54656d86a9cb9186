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
. "$root/scripts/xvfb.sh"
xvfb_start "${size}x24" 70 89
cd "$root/build/data"
DISPLAY="$XVFB_DISPLAY" SDL_AUDIODRIVER=dummy timeout -k 2 60 "$root/build/pakview" "$out" "$@"
