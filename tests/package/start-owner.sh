#!/usr/bin/env bash
# scripts/start.sh refuses, with status 1 and one line that says what to do,
# to build in a tree or a build/ that holds another user's files (as an
# earlier `sudo scripts/start.sh` leaves them), before it installs or builds
# anything. Needs root to make files of another user; skipped (77) otherwise.
# Usage: start-owner.sh
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root to make another user's files"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
other=65534  # nobody

# A copy of start.sh in a tree of its own; install-deps.sh there only leaves a mark.
make_tree() {
    mkdir -p "$1/scripts"
    cp "$root/scripts/start.sh" "$1/scripts/"
    printf '#!/bin/sh\ntouch "%s/installed"\n' "$1" >"$1/scripts/install-deps.sh"
    chmod +x "$1/scripts/install-deps.sh"
}

# $1 = label, $2 = tree, $3 = pattern the one line must match.
expect_refusal() {
    local status lines
    (cd "$2" && DISPLAY=:0 scripts/start.sh >"$work/out" 2>"$work/err")
    status=$?
    lines=$(cat "$work/out" "$work/err" | wc -l)
    if [ "$status" -eq 1 ] && [ "$lines" -eq 1 ] && grep -qE "$3" "$work/err" && [ ! -e "$2/installed" ] &&
       [ ! -e "$2/build/CMakeCache.txt" ]; then
        echo "ok   $1: $(cat "$work/err")"
    else
        echo "FAIL $1: status $status, $lines lines: $(cat "$work/out" "$work/err")"
        failures=$((failures + 1))
    fi
}

make_tree "$work/sudo-build"
mkdir -p "$work/sudo-build/build/CMakeFiles"
touch "$work/sudo-build/build/CMakeFiles/root-owned"
chown "$other" "$work/sudo-build/build/CMakeFiles/root-owned"
expect_refusal "build/ with another user's file" "$work/sudo-build" 'sudo rm -rf build$'

make_tree "$work/their-tree"
chown "$other" "$work/their-tree"
expect_refusal "a tree of another user" "$work/their-tree" '^start: this folder belongs to .*without sudo'

echo "start-owner: $failures failure(s)"
[ "$failures" -eq 0 ]
