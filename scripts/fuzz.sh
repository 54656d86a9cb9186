#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz, writes their seeds from the
# generated archives in build/data, and runs each harness for SECONDS (20 by
# default). Any finding (crash, leak, timeout, failed check) fails the run;
# the input is kept in build-fuzz/findings/, the log in build-fuzz/logs/.
# Inputs that reach new code are kept in build-fuzz/corpus/ for later runs.
# Leak checking is on and needs no suppressions: SDL's WAV loader leaks only on
# its ADPCM error paths, and the clip loader hands SDL nothing but PCM.
# Usage: [FUZZ_JOBS=N] scripts/fuzz.sh [SECONDS] [HARNESS...]   (e.g. 600 ModelFuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-20}
shift $(($# > 0 ? 1 : 0))
fuzz=$root/build-fuzz

# Seeds are written with the archive tool of the normal build from its data.
if [ ! -x build/paktool ] || [ ! -e build/data/.generated ]; then
    cmake -S . -B build >/dev/null
    cmake --build build -j"$(nproc)" --target paktool game_data
fi
echo "== building $fuzz"
cmake -S . -B "$fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DLUMBRIK_FUZZ=ON -DLUMBRIK_TESTS=OFF -DLUMBRIK_BENCH=OFF >/dev/null
cmake --build "$fuzz" -j"$(nproc)" --target fuzzers
tests/fuzz/make-seeds.sh build/paktool build/data "$fuzz/seeds"

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
    for source in tests/fuzz/*Fuzz.cpp; do
        harnesses+=("$(basename "$source" .cpp)")
    done
fi
mkdir -p "$fuzz/findings" "$fuzz/logs"
# Runs one harness; prints its executions, or its finding and fails.
fuzz_one() {
    local h=$1 log=$fuzz/logs/$1.log
    mkdir -p "$fuzz/corpus/$h"
    if UBSAN_OPTIONS=print_stacktrace=1 "$fuzz/tests/fuzz/$h" -max_total_time="$seconds" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$fuzz/findings/$h-" \
        "$fuzz/corpus/$h" "$fuzz/seeds/$h" >"$log" 2>&1; then
        echo "fuzz: $h: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") runs in $seconds s, no finding"
        return 0
    fi
    echo "fuzz: $h: FINDING, log $log:"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -5
    return 1
}

# FUZZ_JOBS harnesses at a time (1 by default: the machine may be shared).
findings=0
running=()
for h in "${harnesses[@]}"; do
    fuzz_one "$h" &
    running+=($!)
    if [ ${#running[@]} -ge "${FUZZ_JOBS:-1}" ]; then
        wait "${running[0]}" || findings=$((findings + 1))
        running=("${running[@]:1}")
    fi
done
for pid in "${running[@]}"; do
    wait "$pid" || findings=$((findings + 1))
done
[ "$findings" -eq 0 ] || { echo "fuzz: $findings harness(es) found something"; exit 1; }
