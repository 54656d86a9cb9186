#!/usr/bin/env bash
# lumbrik-photos end to end: five photos of different sizes, shapes and
# formats become the picture and common archives of both sizes, every one
# sound, with the game's own cuts; a missing photo is refused.
# Usage: photos.sh LUMBRIK_PHOTOS PAKTOOL
set -u
photos=$1 paktool=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
pass() { echo "ok   $1"; }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

/usr/bin/convert -size 800x600 gradient:red-blue "$work/a.jpg"
/usr/bin/convert -size 300x900 gradient:yellow-green "$work/b.png"
/usr/bin/convert -size 1970x1220 plasma:fractal -seed 4 "$work/c.png" 2>/dev/null \
    || /usr/bin/convert -size 1970x1220 gradient:white-black "$work/c.png"
/usr/bin/convert -size 64x64 xc:orange "$work/d.jpg"
/usr/bin/convert -size 640x480 gradient:pink-purple -type Grayscale "$work/e.png"
mkdir "$work/out"
if "$photos" "$work/out" "$work/a.jpg" "$work/b.png" "$work/c.png" "$work/d.jpg" "$work/e.png" >/dev/null; then
    pass "five photos accepted"
else
    fail "lumbrik-photos exited $?"
fi
count=$(ls "$work/out"/*.pak 2>/dev/null | wc -l)
[ "$count" -eq 15 ] && pass "15 archives written (2 x 5 picture, 5 common)" || fail "$count archives written"
"$paktool" check "$work/out"/*.pak >/dev/null && pass "every archive checks out" || fail "check failed"
"$paktool" list "$work/out/puzzle_v24.pak" | grep -q '^48 .*model' && pass "48 pieces in puzzle_v24.pak" \
    || fail "puzzle_v24.pak lacks piece 48"
"$paktool" list "$work/out/common1.pak" | grep -q '^final\.png .*image: 1280x793 RGB' \
    && pass "the tall photo becomes a picture of the board's shape" || fail "final.png of common1.pak: $("$paktool" list "$work/out/common1.pak" | grep final.png)"
"$photos" "$work/out" "$work/a.jpg" "$work/b.png" "$work/c.png" "$work/d.jpg" "$work/none.png" 2>/dev/null
[ $? -eq 1 ] && pass "a missing photo is refused" || fail "missing photo accepted"
"$photos" "$work/out" "$work/a.jpg" 2>/dev/null
[ $? -eq 2 ] && pass "too few photos: usage" || fail "too few photos accepted"
echo "photos: $failures failure(s)"
[ "$failures" -eq 0 ]
