#!/usr/bin/env bash
# Generates the archives again into a fresh folder and compares them byte for
# byte with the build's: the same sources must give the same archives.
# Usage: determinism.sh DATAGEN DATA_SOURCES BUILT_DATA
set -u
datagen=$1 sources=$2 built=$3
again=$(mktemp -d)
trap 'rm -rf "$again"' EXIT
"$datagen" "$sources" "$again" >/dev/null || { echo "FAIL datagen exited $?"; exit 1; }
count=0 failures=0
# The shared archives and every language's archives with words.
for f in "$again"/*.pak "$again"/*/*.pak; do
    [ -e "$f" ] || continue
    name=${f#"$again"/}
    count=$((count + 1))
    if ! cmp -s "$f" "$built/$name"; then
        echo "FAIL $name differs from the build's"
        failures=$((failures + 1))
    fi
done
[ "$count" -gt 0 ] || { echo "FAIL no archives generated"; exit 1; }
echo "determinism: $count archives compared, $failures different"
[ "$failures" -eq 0 ]
