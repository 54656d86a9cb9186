#!/usr/bin/env bash
# The game measured against the renderer's floor (bench/FloorBench.cpp) in one
# run: for each screen and each mode (software mode: the default choice, which
# drops multisampling on a software rasterizer; multisampling: forced on), the
# floor, the game and optionally an older build's game take turns round by
# round, so that a busy machine slows them alike. Prints the medians over the
# rounds and the game's figures as ratios to the floor's, then the game's
# details (stages, allocations, start-up breakdown, idle CPU), first frames
# with an empty shader cache, and the pixel writes per screen pixel.
# Before the scenarios, the first frame gets its own many short rounds (the
# programs stop right after it), floor and game alternating: "shown" is from
# the launch (a stamp taken just before the program runs, so loading and
# linking count) to the return of the first frame's swap; "picked" to the end
# of the pick that follows it (the floor picks nothing: both are its swap).
# Each scenario the game plays (see GameBench.cpp: play, hover, pulse, glide)
# gets its own floor turns, so its ratios come from one run.
#
# Usage: bench/run-game-bench.sh [BUILD_DIR] [--before BUILD_DIR] [--rounds N]
#            [--frames N] [--screens "1920x1080x24 1366x768x24"] [--displays FIRST LAST]
#            [--modes "software multisample"] [--scenarios "play hover pulse glide"]
#            [--first-frames N] [--no-extras]
# --first-frames sets the first frame's rounds (default 15; 0 leaves them out).
# --no-extras leaves out the empty-cache first frames and the pixel writes.
# BUILD_DIR (default build) holds bench/ and data/. --before names a build of
# an older commit; its game bench runs in the same turns (its own data folder).
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build
BEFORE=""
ROUNDS=3
FRAMES=150
SCREENS="1920x1080x24 1366x768x24"
MODES="software multisample"
SCENARIOS="play hover pulse glide"
EXTRAS=1
FIRST_ROUNDS=15
FIRST_DISPLAY=50
LAST_DISPLAY=59
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
    BUILD=$(cd "$1" && pwd) || exit 1
    shift
fi
while [ $# -gt 0 ]; do
    case $1 in
    --before) BEFORE=$(cd "$2" && pwd) || exit 1; shift 2 ;;
    --rounds) ROUNDS=$2; shift 2 ;;
    --frames) FRAMES=$2; shift 2 ;;
    --screens) SCREENS=$2; shift 2 ;;
    --displays) FIRST_DISPLAY=$2; LAST_DISPLAY=$3; shift 3 ;;
    --modes) MODES=$2; shift 2 ;;
    --scenarios) SCENARIOS=$2; shift 2 ;;
    --first-frames) FIRST_ROUNDS=$2; shift 2 ;;
    --no-extras) EXTRAS=0; shift ;;
    *) echo "run-game-bench: unknown argument $1" >&2; exit 2 ;;
    esac
done
for f in "$BUILD/bench/lumbrik_bench_game" "$BUILD/bench/lumbrik_bench_floor" ${BEFORE:+"$BEFORE/bench/lumbrik_bench_game"}; do
    [ -x "$f" ] || { echo "run-game-bench: no bench executable at $f" >&2; exit 1; }
done

. "$ROOT/scripts/xvfb.sh"
OUT=$(mktemp -d)
trap 'xvfb_stop_all; rm -rf "$OUT"' EXIT
failed=0

# run NAME MODE FILE FRAMES QUICK [more bench arguments]: one program in one
# mode, from its data folder, output kept in FILE; QUICK=1 cuts the game's
# idle measurement short. An older build's bench may know only --frames. A
# second full-screen SDL 1.2 program on the same display would block forever,
# hence the timeout.
run() {
    local name=$1 mode=$2 file=$3 build=$BUILD program=lumbrik_bench_game
    local args=(. --frames "$4")
    [ "$name" = game ] && [ "$5" = 1 ] && args+=(--idle-ms 10)
    shift 5
    args+=("$@")
    [ "$name" != floor ] && [ "${SCENARIO:-play}" != play ] && args+=(--scenario "$SCENARIO")
    [ "$name" = floor ] && program=lumbrik_bench_floor && args=("${args[@]:1}")
    [ "$name" = before ] && build=$BEFORE
    # Software mode is the default choice; a build from before that choice
    # existed is asked for the plain mode, if it listens.
    local multisample=""
    [ "$mode" = multisample ] && multisample=1
    [ "$mode" = software ] && [ "$name" = before ] && multisample=0
    (cd "$build/data" && env ${multisample:+LUMBRIK_MULTISAMPLE=$multisample} DISPLAY="$XVFB_DISPLAY" \
        SDL_AUDIODRIVER=dummy LUMBRIK_BENCH_LAUNCH_US="${EPOCHREALTIME/./}" timeout -k 2 900 "$build/bench/$program" "${args[@]}") >"$file" 2>&1 || {
        echo "run-game-bench: $name ($mode) failed, status $?; its output:" >&2
        cat "$file" >&2
        failed=1
    }
}

# field FILE KEY: KEY from the summary line, or from the older report lines
# of a build without one ("-" when absent).
field() {
    local v
    v=$(sed -n "s/^summary.* $2=\([^ ]*\).*/\1/p" "$1" | head -1)
    if [ -z "$v" ]; then
        case $2 in
        median_ms) v=$(sed -n 's/^ms per frame: *median \([0-9.]*\).*/\1/p' "$1") ;;
        fps) v=$(sed -n 's/^frames per second: *\([0-9.]*\).*/\1/p' "$1") ;;
        peak_mib) v=$(sed -n 's/^peak memory: *\([0-9.]*\).*/\1/p' "$1") ;;
        first_frame_ms) v=$(sed -n 's/^first frame:.*; \([0-9]*\) ms from process start.*/\1/p' "$1") ;;
        esac
    fi
    echo "${v:--}"
}

# median of the numbers on standard input ("-" when none)
median() {
    sort -g | awk '$1 != "-" { v[n++] = $1 } END { if (n == 0) print "-"; else if (n % 2) print v[(n - 1) / 2]; else printf "%.3f\n", (v[n / 2 - 1] + v[n / 2]) / 2 }'
}

# spread: "median (quartiles q1-q3, range min-max)" of the numbers on standard input
spread() {
    sort -g | awk '$1 != "-" { v[n++] = $1 } END {
        if (n == 0) { print "-"; exit }
        m = n % 2 ? v[(n - 1) / 2] : (v[n / 2 - 1] + v[n / 2]) / 2
        printf "%.1f (%.1f-%.1f, %.1f-%.1f)\n", m, v[int((n - 1) / 4)], v[int(3 * (n - 1) / 4 + 0.5)], v[0], v[n - 1] }'
}

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b }'
}

# summarise SCREEN MODE SCENARIO: the medians over the rounds and the ratios.
summarise() {
    local screen=$1 mode=$2 tag=$1-$2-$3 name key
    local keys="median_ms cpu_ms fps first_frame_ms first_cpu_ms peak_mib"
    echo "== $screen, $mode, scenario $3: medians of $ROUNDS rounds ($FRAMES frames each)"
    printf "%-8s %10s %10s %8s %13s %10s %9s   %s\n" "" "ms/frame" "CPU ms/fr" "fps" "first frame" "its CPU" \
        "peak MiB" "mode"
    for name in floor game ${BEFORE:+before}; do
        declare -A m=()
        for key in $keys; do
            m[$key]=$(for f in "$OUT/$tag-$name"-r*.txt; do field "$f" "$key"; done | median)
        done
        local shown
        shown=$(sed -n 's/^multisampled: *\(.*\)/\1/p' "$OUT/$tag-$name-r1.txt" | head -1)
        printf "%-8s %10s %10s %8s %10s ms %7s ms %9s   %s\n" "$name" "${m[median_ms]}" "${m[cpu_ms]}" "${m[fps]}" \
            "${m[first_frame_ms]}" "${m[first_cpu_ms]}" "${m[peak_mib]}" "$shown"
        for key in $keys; do eval "${name}_$key=\${m[$key]}"; done
        unset m
    done
    for name in game ${BEFORE:+before}; do
        eval "local g_ms=\$${name}_median_ms g_cpu=\$${name}_cpu_ms g_first=\$${name}_first_frame_ms"
        eval "local g_first_cpu=\$${name}_first_cpu_ms g_peak=\$${name}_peak_mib"
        echo "$name / floor: ms per frame $(ratio "$g_ms" "$floor_median_ms"), CPU per frame" \
            "$(ratio "$g_cpu" "$floor_cpu_ms"), first frame $(ratio "$g_first" "$floor_first_frame_ms")" \
            "(its CPU $(ratio "$g_first_cpu" "$floor_first_cpu_ms"))," \
            "peak memory $(ratio "$g_peak" "$floor_peak_mib"); fps $(ratio "$floor_median_ms" "$g_ms") of the floor's"
    done
    echo
}

# summarise_changes TAG: the medians over the rounds of the slowest frame that
# opens the main menu and that turns the picture, and of the main thread's
# decoding in them (printed by the game bench after its measured frames).
summarise_changes() {
    local name key line
    for name in game ${BEFORE:+before}; do
        line="$name:"
        for key in menu_ms menu_main_decode_ms turn_ms turn_main_decode_ms; do
            line="$line $key=$(for f in "$OUT/$1-$name"-r*.txt; do field "$f" "$key"; done | median)"
        done
        echo "$line"
    done
}

# first_frames SCREEN MODE: FIRST_ROUNDS start-ups of each program, taking
# turns; the medians and spreads of both moments, the ratios of the medians
# and the median of each round's own ratio to that round's floor.
first_frames() {
    local name key round f
    [ "$FIRST_ROUNDS" -gt 0 ] || return 0
    for round in $(seq "$FIRST_ROUNDS"); do
        for name in floor game ${BEFORE:+before}; do
            run "$name" "$2" "$OUT/first-$name-r$round.txt" 1 1 --first-frame
        done
    done
    echo "== $1, $2: first frame, $FIRST_ROUNDS rounds; ms from launch: median (quartiles, range)"
    for name in floor game ${BEFORE:+before}; do
        for key in shown_ms picked_ms; do
            printf "%-8s %-10s %s\n" "$name" "${key%_ms}" \
                "$(for f in "$OUT"/first-$name-r*.txt; do field "$f" "$key"; done | spread)"
        done
    done
    for name in game ${BEFORE:+before}; do
        for key in shown_ms picked_ms; do
            local own
            own=$(for round in $(seq "$FIRST_ROUNDS"); do
                printf '%s\n' "$(ratio "$(field "$OUT/first-$name-r$round.txt" "$key")" \
                    "$(field "$OUT/first-floor-r$round.txt" shown_ms)")"
            done | median)
            echo "$name / floor, ${key%_ms}: $(ratio "$(for f in "$OUT"/first-$name-r*.txt; do field "$f" "$key"; done |
                median)" "$(for f in "$OUT"/first-floor-r*.txt; do field "$f" shown_ms; done | median)") of the" \
                "medians; each round's own ratio: $own"
        done
    done
    # Where the time goes, medians: display = from main (floor) or from the
    # settings (game) until the window is open; before_scene = main until the
    # scene starts; build = the scene (floor: its textures); wait = the
    # start-up's decodes and uploads; frame2 = the second frame's draw and swap;
    # pick2 = its pick, by the same two passes.
    for name in floor game ${BEFORE:+before}; do
        echo "$name, medians (ms): $(for key in display_ms before_scene_ms build_ms wait_ms draw_ms swap_ms pick_ms \
            frame2_ms pick2_ms; do printf "%s %s  " "${key%_ms}" "$(for f in "$OUT"/first-$name-r*.txt; do
            field "$f" "$key"; done | median)"; done)"
    done
    echo
}

for screen in $SCREENS; do
    xvfb_start "$screen" "$FIRST_DISPLAY" "$LAST_DISPLAY" || exit 1
    for mode in $MODES; do
        # One short turn each fills the shader cache, as any earlier start has.
        for name in floor game ${BEFORE:+before}; do
            run "$name" "$mode" "$OUT/warm.txt" 10 1
        done
        first_frames "$screen" "$mode"
        for SCENARIO in $SCENARIOS; do
            tag=$screen-$mode-$SCENARIO
            for round in $(seq "$ROUNDS"); do
                for name in floor game ${BEFORE:+before}; do
                    run "$name" "$mode" "$OUT/$tag-$name-r$round.txt" "$FRAMES" 0
                done
            done
            summarise "$screen" "$mode" "$SCENARIO"
            summarise_changes "$tag"
            echo "-- the game's details ($tag, last round)"
            sed -n '/^first frame:/,/^frames:/p; /^CPU ms per frame/,$p' "$OUT/$tag-game-r$ROUNDS.txt" |
                grep -v '^summary\|^frames:'
            echo
        done
        SCENARIO=play
        [ "$EXTRAS" = 1 ] || continue
        echo "-- first frame with an empty shader cache ($screen, $mode)"
        for name in floor game ${BEFORE:+before}; do
            mkdir -p "$OUT/cache-$name"
            MESA_SHADER_CACHE_DIR="$OUT/cache-$name" run "$name" "$mode" "$OUT/cold.txt" 10 1
            rm -rf "$OUT/cache-$name"
            echo "$name: $(field "$OUT/cold.txt" first_frame_ms) ms from process start"
        done
        echo
    done
    [ "$EXTRAS" = 1 ] || { xvfb_stop_all; continue; }
    echo "-- pixel writes per screen pixel, one frame ($screen, without multisampling)"
    run floor software "$OUT/overdraw-floor.txt" 10 1 --overdraw --multisample=off
    run game software "$OUT/overdraw-game.txt" 10 1 --overdraw --multisample=off
    echo "floor: $(field "$OUT/overdraw-floor.txt" writes_per_pixel)"
    echo "(the game's own table: each mesh alone, its share of the screen's pixels)"
    sed -n '/^pixel writes:/,/^summary/p' "$OUT/overdraw-game.txt" | grep -v '^summary' | sed 's/^/game: /'
    if [ -n "$BEFORE" ] && "$BEFORE/bench/lumbrik_bench_game" --help 2>&1 | grep -q -- --overdraw; then
        run before software "$OUT/overdraw-before.txt" 10 1 --overdraw --multisample=off
        echo "before: $(field "$OUT/overdraw-before.txt" writes_per_pixel)"
    fi
    echo
    xvfb_stop_all
done
exit $failed
