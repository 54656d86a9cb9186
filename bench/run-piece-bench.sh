#!/usr/bin/env bash
# How well the pieces read, on private Xvfb screens of 1920x1080: first 24-bit
# (the game gets 4x multisampling), then 16-bit (the plain mode). For every
# picture of both sizes and a few fixed scatters it measures the edge contrast
# of the loose pieces on a screenshot of the real game, then prints the detail
# inside the least detailed pieces of each picture.
# Usage: bench/run-piece-bench.sh [BUILD_DIR [DATA_DIR]] [--seeds N] [--shots DIR]
# BUILD_DIR holds bench/lumbrik_bench_pieces (default: build), DATA_DIR the
# archives (default: BUILD_DIR/data); --shots keeps every screenshot there.
# XVFB_FIRST and XVFB_LAST choose the display numbers tried (default 50..59).
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build
DATA=""
SEEDS=3
SHOTS=""
positional=()
while [ $# -gt 0 ]; do
    case $1 in
    --seeds) SEEDS=$2; shift 2 ;;
    --shots) SHOTS=$(realpath -m "$2"); mkdir -p "$SHOTS" || exit 1; shift 2 ;;
    *) positional+=("$1"); shift ;;
    esac
done
[ ${#positional[@]} -gt 0 ] && { BUILD=$(cd "${positional[0]}" && pwd) || exit 1; }
[ ${#positional[@]} -gt 1 ] && { DATA=$(cd "${positional[1]}" && pwd) || exit 1; }
DATA=${DATA:-$BUILD/data}
BENCH=$BUILD/bench/lumbrik_bench_pieces
if [ ! -x "$BENCH" ]; then
    echo "run-piece-bench: no bench executable at $BENCH" >&2
    exit 1
fi

. "$ROOT/scripts/xvfb.sh"

results=$(mktemp)
trap 'rm -f "$results"; xvfb_stop_all' EXIT

for screen in 1920x1080x24 1920x1080x16; do
    xvfb_start "$screen" "${XVFB_FIRST:-50}" "${XVFB_LAST:-59}" || exit 1
    for size in 0 1; do
        for picture in 0 1 2 3 4; do
            for seed in $(seq "$SEEDS"); do
                shot=()
                [ -n "$SHOTS" ] && shot=(--shot "$SHOTS/edges-$screen-s$size-p$picture-seed$seed.png")
                DISPLAY="$XVFB_DISPLAY" SDL_AUDIODRIVER=dummy timeout -k 2 180 "$BENCH" edges "$DATA" \
                    --size "$size" --picture "$picture" --seed "$seed" "${shot[@]}" >>"$results" ||
                    echo "run-piece-bench: size $size picture $picture seed $seed failed" >&2
            done
        done
    done
    xvfb_stop_all
done

# One row per screen, size and picture: the runs' samples added up.
echo "Loose pieces' edges, clearly different (CIEDE2000 >= 10) from what lies behind them:"
awk '
{
    for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
    key = sprintf("%-9s ms=%s  %2s pieces  picture %s", v["screen"], v["multisample"], v["pieces"], v["picture"])
    if (!(key in n)) order[++count] = key
    n[key] += v["samples"]; c[key] += v["clear"]; s[key] += v["strict"]
    c5[key] += v["clear5"]; c20[key] += v["clear20"]; o[key] += v["over"]; oc[key] += v["overclear"]
}
END {
    printf "%-40s %8s %7s %7s %7s %7s %14s\n", "", "samples", "clear", "dE>=5", "dE>=20", "strict", "over a piece"
    for (k = 1; k <= count; k++) {
        key = order[k]
        printf "%-40s %8d %6.1f%% %6.1f%% %6.1f%% %6.1f%% %6d %5.1f%%\n", key, n[key], 100 * c[key] / n[key],
            100 * c5[key] / n[key], 100 * c20[key] / n[key], 100 * s[key] / n[key], o[key],
            o[key] ? 100 * oc[key] / o[key] : 0
    }
}' "$results"
echo
echo "Detail inside the pieces:"
"$BENCH" detail "$DATA"
