#!/usr/bin/env bash
# The archive tool end to end: create, list, extract round trip, check of the
# generated archives, and clear failures on damaged archives.
# Usage: paktool-cli.sh PAKTOOL BUILT_DATA
set -u
paktool=$1 data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../support/checks.sh"

printf 'hello' >"$work/a.txt"
printf '' >"$work/empty"
"$paktool" create "$work/t.pak" "$work/a.txt" "$work/empty=renamed" && pass "create" || fail "create"
listing=$("$paktool" list "$work/t.pak")
echo "$listing" | grep -q '^a.txt .* 5  data$' && echo "$listing" | grep -q '^renamed ' \
    && pass "list names and sizes" || fail "list: $listing"
mkdir "$work/out"
"$paktool" extract "$work/t.pak" -C "$work/out" && cmp -s "$work/a.txt" "$work/out/a.txt" \
    && [ -f "$work/out/renamed" ] && pass "extract round trip" || fail "extract round trip"
"$paktool" extract "$work/t.pak" -C "$work/out" nothing 2>/dev/null && fail "missing entry accepted" \
    || pass "missing entry refused"

"$paktool" check "$data"/*.pak >/dev/null && pass "generated archives check out" || fail "check of generated archives"
"$paktool" list "$data/puzzle.pak" | grep -q '^1 .*model: 3 meshes' && pass "list describes models" \
    || fail "models not described"
"$paktool" list "$data/sound.pak" | grep -q 'wav: 22050 Hz, 16-bit, stereo' && pass "list describes sounds" \
    || fail "sounds not described"

head -c 40 "$data/puzzle.pak" >"$work/cut.pak"
out=$("$paktool" list "$work/cut.pak" 2>&1); status=$?
[ "$status" -eq 1 ] && echo "$out" | grep -q 'damaged' && pass "truncated archive: $out" \
    || fail "truncated archive: status $status: $out"
printf '\xff\xff\xff\x7f' >"$work/huge.pak"
"$paktool" check "$work/huge.pak" 2>/dev/null; [ $? -eq 1 ] && pass "absurd count refused" || fail "absurd count"
"$paktool" check "$work/none.pak" 2>/dev/null; [ $? -eq 1 ] && pass "missing file refused" || fail "missing file"
"$paktool" frobnicate x 2>/dev/null; [ $? -eq 2 ] && pass "bad usage status 2" || fail "bad usage"

# An entry name that would leave the folder is not extracted.
mkdir -p "$work/jail/in"
"$paktool" create "$work/evil.pak" "$work/a.txt=../escaped" >/dev/null
"$paktool" extract "$work/evil.pak" -C "$work/jail/in" 2>/dev/null; status=$?
[ "$status" -eq 1 ] && [ ! -e "$work/jail/escaped" ] && pass "entry named ../escaped refused" \
    || fail "entry named ../escaped: status $status"

# A model whose mesh count runs past its entry is reported by check.
printf '\x00\x05\x00\x00\x00' >"$work/model"
"$paktool" create "$work/bad-model.pak" "$work/model" >/dev/null
"$paktool" check "$work/bad-model.pak" 2>/dev/null; [ $? -eq 1 ] && pass "damaged model reported" \
    || fail "damaged model not reported"

# Extract loses nothing: "a" is not written through a temporary named like the
# entry "a.tmp" extracted before it; a duplicate, a name with a NUL byte and an
# empty name are reported, the rest is extracted, and the status is 1.
{
    printf '\x06\x00\x00\x00'
    printf '\x05a.tmp\x03\x00\x00\x00one' ; printf '\x01a\x03\x00\x00\x00two'
    printf '\x01a\x05\x00\x00\x00three'   ; printf '\x03b\x00c\x04\x00\x00\x00four'
    printf '\x00\x04\x00\x00\x00five'     ; printf '\x01z\x03\x00\x00\x00six'
} >"$work/names.pak"
mkdir "$work/names"
err=$("$paktool" extract "$work/names.pak" -C "$work/names" 2>&1 >/dev/null); status=$?
[ "$status" -eq 1 ] && [ "$(cat "$work/names/a.tmp")" = one ] && [ "$(cat "$work/names/a")" = two ] \
    && [ "$(cat "$work/names/z")" = six ] && [ "$(ls -A "$work/names" | tr '\n' ' ')" = "a a.tmp z " ] \
    && [ "$(echo "$err" | wc -l)" -eq 3 ] && echo "$err" | grep -q 'duplicate' \
    && pass "extract keeps every entry it can and reports the rest" \
    || fail "extract: status $status, files: $(ls -A "$work/names" | tr '\n' ' '), messages: $err"

# A WAV whose format chunk is cut short by the end of its entry is damaged:
# list says so, check names it and fails; nothing is read past the entry.
printf 'RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00' >"$work/cut.wav"
"$paktool" create "$work/cut-wav.pak" "$work/cut.wav" >/dev/null
out=$("$paktool" list "$work/cut-wav.pak" 2>&1); status=$?
[ "$status" -eq 0 ] && echo "$out" | grep -q '^cut.wav .*wav: damaged (format chunk cut short)$' \
    && pass "cut WAV listed as damaged" || fail "cut WAV: status $status: $out"
out=$("$paktool" check "$work/cut-wav.pak" 2>&1); status=$?
[ "$status" -eq 1 ] && echo "$out" | grep -q 'cut.wav: damaged sound' && pass "cut WAV fails the check" \
    || fail "cut WAV check: status $status: $out"

finish paktool
