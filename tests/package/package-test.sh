#!/usr/bin/env bash
# Builds the Debian package with scripts/make-deb.sh and checks it as its
# users meet it: lintian reports no error and no warning (source and binary
# packages); the files lie where
# Debian keeps a game's (every archive of the build, every icon size, desktop
# entry, AppStream metadata, manual page, copyright) and nowhere outside
# /usr; the program is stripped and its symbols are in the -dbgsym package;
# the dependencies hold the libraries the program loads and xdg-utils. Then
# the package unpacked into a temporary root starts through its launcher
# from another folder, on a private Xvfb, goes through Enter, Enter, Escape,
# Enter, ends with status 0 and leaves its settings under XDG_DATA_HOME.
# Usage: package-test.sh DATA_DIR     (the build's archives, to compare with)
# PACKAGE_TEST_DISPLAYS="FIRST LAST" chooses the private display numbers.
set -u
data=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$root/tests/support/checks.sh"
check() { local label=$1; shift; if "$@"; then pass "$label"; else fail "$label"; fi; }

started=$(date +%s)
deb=$("$root/scripts/make-deb.sh" --source "$work/out" | tail -n 1)
if [ ! -f "$deb" ]; then
    fail "make-deb.sh built no package (last line: $deb)"
    exit 1
fi
pass "built $(basename "$deb") in $(($(date +%s) - started)) s, $(du -k "$deb" | cut -f1) KiB"
version=$(cd "$root" && dpkg-parsechangelog -S Version)
check "package named lumbrik_<version>_<arch>.deb" \
    test "$(basename "$deb")" = "lumbrik_${version}_$(dpkg --print-architecture).deb"
dbgsym=$(dirname "$deb")/$(basename "$deb" | sed 's/^lumbrik_/lumbrik-dbgsym_/')

# Overrides in debian/ carry the reason for any tag accepted on purpose.
changes=${deb%.deb}.changes
# The .changes file names the source package and both binary packages.
if lintian --fail-on error,warning "$changes" >"$work/lintian" 2>&1; then
    pass "lintian: no error, no warning"
else
    fail "lintian:"
fi
sed 's/^/     /' "$work/lintian"

dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./||; /^$/d' >"$work/contents"
outside=$(grep -v '^usr/' "$work/contents")
check "every file under /usr${outside:+ (not: $outside)}" test -z "$outside"
for path in usr/games/lumbrik usr/lib/games/lumbrik/lumbrik usr/share/applications/lumbrik.desktop \
            usr/share/metainfo/example.lumbrik_games.lumbrik.metainfo.xml usr/share/man/man6/lumbrik.6.gz \
            usr/share/doc/lumbrik/copyright usr/share/icons/hicolor/scalable/apps/lumbrik.svg; do
    check "contains /$path" grep -qx "$path" "$work/contents"
done
(cd "$data" && find . -name '*.pak' | sed 's|^\./||' | sort) >"$work/built-paks"
sed -n 's|^usr/share/games/lumbrik/\(.*\.pak\)$|\1|p' "$work/contents" | sort >"$work/packaged-paks"
check "the $(wc -l <"$work/built-paks") archives of the build, no more, in /usr/share/games/lumbrik" \
    cmp -s "$work/built-paks" "$work/packaged-paks"

depends=$(dpkg-deb --field "$deb" Depends)
for dep in libsdl1.2debian libsdl-image1.2 libgl1 xdg-utils; do
    check "depends on $dep" grep -qE "(^|, )$dep( |,|$)" <<<"$depends"
done

dpkg-deb --extract "$deb" "$work/root"
program=$work/root/usr/lib/games/lumbrik/lumbrik
check "program stripped" bash -c "! readelf -S '$program' | grep -qE '\\.(symtab|debug_info)'"
build_id=$(readelf -n "$program" | sed -n 's/.*Build ID: *//p')
if dpkg-deb --contents "$dbgsym" | grep "/usr/lib/debug/.build-id/${build_id:0:2}/${build_id:2}.debug\$" >/dev/null; then
    pass "symbols of build id $build_id in $(basename "$dbgsym")"
else
    fail "no symbols for build id '$build_id' in $(basename "$dbgsym")"
fi

# Each hicolor PNG is as large as its folder says (width and height in the IHDR chunk).
for size in 16 24 32 48 64 128 256; do
    png=$work/root/usr/share/icons/hicolor/${size}x${size}/apps/lumbrik.png
    dims=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}')
    check "icon ${size}x${size} is $dims" test "$dims" = "${size}x${size}"
done
check "desktop entry valid" desktop-file-validate "$work/root/usr/share/applications/lumbrik.desktop"
check "AppStream metadata valid" appstreamcli validate --no-net \
    "$work/root/usr/share/metainfo/example.lumbrik_games.lumbrik.metainfo.xml"
# debian/changelog, the AppStream release and the manual page name one version.
check "AppStream metadata and manual page name version $version" bash -c \
    "grep -q '<release version=\"$version\"' '$work/root/usr/share/metainfo/example.lumbrik_games.lumbrik.metainfo.xml' &&
     zcat '$work/root/usr/share/man/man6/lumbrik.6.gz' | grep -q '^\.TH .*\"lumbrik $version\"'"
# ... and so does the program itself (the version the build gave it).
check "lumbrik --version prints lumbrik $version" test \
    "$("$work/root/usr/games/lumbrik" --version 2>&1)" = "lumbrik $version"

# The unpacked game, started from another folder with a home of its own.
. "$root/scripts/xvfb.sh"
# shellcheck disable=SC2086
xvfb_start 1280x1024x24 ${PACKAGE_TEST_DISPLAYS:-120 129} || exit 1
export DISPLAY=$XVFB_DISPLAY
mkdir -p "$work/elsewhere" "$work/home"
(cd "$work/elsewhere" && exec env HOME="$work/home" XDG_DATA_HOME="$work/xdg" SDL_AUDIODRIVER=dummy \
    timeout -k 2 60 "$work/root/usr/games/lumbrik" >"$work/out.log" 2>"$work/err.log") &
pid=$!
for _ in $(seq 150); do
    xdotool search --name '^lumbrik$' >/dev/null 2>&1 && break
    sleep 0.1
done
# Keys pressed before the first screen has its handlers find no reader; a
# loaded machine draws a frame in a second or more.
sleep 5
# Welcome (Enter), 20 pieces (Enter), the question whether to leave (Escape), yes (Enter).
for key in Return Return Escape Return; do
    xdotool key "$key"
    sleep 1.5
done
wait "$pid"
status=$?
check "unpacked game: Enter, Enter, Escape, Enter ends with status 0 (got $status)" test "$status" -eq 0
[ -s "$work/err.log" ] && sed 's/^/     stderr: /' "$work/err.log"
check "settings written to XDG_DATA_HOME/lumbrik" test "$(stat -c %s "$work/xdg/lumbrik/pelnovo_lumbrik_cfg" 2>/dev/null)" = 32
check "progress written beside them" test "$(stat -c %s "$work/xdg/lumbrik/pelnovo_lumbrik_progress" 2>/dev/null)" = 92
check "nothing written to the starting folder" test -z "$(find "$work/elsewhere" -mindepth 1)"

finish package
