#!/usr/bin/env bash
# Builds the Windows game with scripts/make-windows.sh and plays it under
# Wine on a private full-screen Xvfb, with real X input, in a private prefix:
# the installer's silent mode, the first start (welcome, size, leave through
# the exit dialog), the shared settings file, a second start without the
# welcome, the user's interface language, a missing archive (status 1, the
# line in the log file), the silent uninstall, and the portable zip.
# The 32-bit game needs Wine's 32-bit half (wine32:i386) and 32-bit Mesa;
# without them the same sources are built and played for x86-64 under wine64
# (said so below), as they are when LUMBRIK_WIN_HOST=x86_64-w64-mingw32.
# Displays from WINE_TEST_DISPLAYS (default "140 149"); screenshots are
# copied to WINE_TEST_SHOTS when set.
# Usage: tests/windows/game-under-wine.sh [OUTPUT-FOLDER]
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=${1:-$ROOT/build-win}
source "$ROOT/scripts/xvfb.sh"
source "$ROOT/tests/support/checks.sh"
started=$(date +%s)

if [ "${LUMBRIK_WIN_HOST:-}" = x86_64-w64-mingw32 ]; then
    WINE=/usr/lib/wine/wine64 HOST=x86_64-w64-mingw32 BITS=win64
elif [ -x /usr/lib/wine/wine ] && [ -e /usr/lib/i386-linux-gnu/wine ] && [ -e /usr/lib/i386-linux-gnu/dri/swrast_dri.so ]; then
    WINE=/usr/lib/wine/wine HOST=i686-w64-mingw32 BITS=win32
else
    WINE=/usr/lib/wine/wine64 HOST=x86_64-w64-mingw32 BITS=win64
    echo "note: no 32-bit Wine (wine32:i386, 32-bit Mesa); playing the x86-64 build under wine64"
fi
WINESERVER=/usr/lib/wine/wineserver
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINE" ] || { echo "FAIL no Wine at $WINE"; exit 1; }

mapfile -t built < <(LUMBRIK_WIN_HOST=$HOST "$ROOT/scripts/make-windows.sh" "$OUT")
zip=${built[0]:-}
setup=${built[1]:-}
[ -f "$setup" ] && [ -f "$zip" ] || { echo "FAIL make-windows.sh gave no zip and installer"; exit 1; }
pass "built $(basename "$zip") ($(du -k "$zip" | cut -f1) KiB) and $(basename "$setup") ($(du -k "$setup" | cut -f1) KiB)"
after_build=$(date +%s)

work=$(mktemp -d /tmp/lumbrik-wine-game.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" SDL_AUDIODRIVER=dummy
cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1
    rm -rf "$work"
    xvfb_stop_all
}
trap cleanup EXIT
xvfb_start 1280x1024x24 ${WINE_TEST_DISPLAYS:-140 149} || exit 1
export DISPLAY=$XVFB_DISPLAY
# The prefix is made with the display the game will use, and its server
# ends before the game starts: a desktop begun without a display makes
# every later window fail.
timeout -k 5 120 "$WINE" wineboot -i >/dev/null 2>&1
"$WINESERVER" -w

drive=$WINEPREFIX/drive_c
# A 32-bit installer in Wine's 64-bit prefix installs where 64-bit Windows
# puts 32-bit programs.
programs="$drive/Program Files/lumbrik"
[ "$BITS" = win32 ] && [ -d "$drive/Program Files (x86)" ] && programs="$drive/Program Files (x86)/lumbrik"
startmenu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
settings=$drive/ProgramData/pelnovo_lumbrik_cfg
log=$(echo "$drive"/users/*/AppData/Local)/lumbrik/lumbrik.log

timeout -k 5 120 "$WINE" "$setup" /S
[ -f "$programs/lumbrik.exe" ] && [ -f "$programs/SDL.dll" ] && [ -f "$programs/de/exit_menu.pak" ] &&
    [ -f "$programs/Uninstall.exe" ] && pass "setup.exe /S installs into Program Files" ||
    fail "setup.exe /S: $(ls "$programs" 2>&1 | head -3)"
[ -f "$startmenu/lumbrik.lnk" ] && [ -f "$startmenu/lumbrik - One-switch play.lnk" ] &&
    [ -f "$startmenu/lumbrik - Play with child lock.lnk" ] && pass "Start-menu shortcuts: play, one switch, child lock" ||
    fail "Start-menu shortcuts: $(ls "$startmenu" 2>&1 | tr '\n' ' ')"
"$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\lumbrik' 2>/dev/null |
    tr -d '\r' >"$work/entry"
version=$(sed -n 's/^project(lumbrik VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
grep -q 'Publisher.*lumbrik games' "$work/entry" && grep -q "DisplayVersion.*${version//./\\.}" "$work/entry" &&
    grep -q 'DisplayIcon' "$work/entry" && pass "Apps & features entry" ||
    fail "uninstall entry: $(cat "$work/entry")"

# Starts the game in folder $1 (more arguments go to Wine's environment); sets $pid.
start_game() {
    local folder=$1
    shift
    (cd "$folder" && exec env "$@" timeout -k 2 90 "$WINE" lumbrik.exe >"$work/out" 2>"$work/err") &
    pid=$!
}

# Up to 40 s for the game's window, then 4 s for its first frames; a wrong
# exit status shows what the game wrote.
WINDOW_WAIT_TENTHS=400 WINDOW_SETTLE_S=4 EXIT_DETAIL=$work/err

shot() {
    xwd -root -silent | /usr/bin/convert xwd:- "$work/$1.png"
    [ -z "${WINE_TEST_SHOTS:-}" ] || cp "$work/$1.png" "$WINE_TEST_SHOTS/"
}

# Takes shot $1 once the screen has stopped changing (the pieces have flown
# in), however slowly a loaded machine draws; gives up waiting after 40 s.
settled_shot() {
    local last="" now i
    sleep 2  # the change has begun
    for i in $(seq 40); do
        sleep 1
        now=$(xwd -root -silent | md5sum)
        [ "$now" = "$last" ] && break
        last=$now
    done
    shot "$1"
}

# Prints "X Y", the middle of a 20x20 patch where the last screen given
# differs from the median of all of them: the background, unless most of
# the pictures put a piece on one spot. With three screens that happened
# once in a while (the patch found was bare ground); with five it needs
# three pieces of four other pictures on one spot. Works at half size.
find_piece() {
    local current=${!#}
    /usr/bin/convert "$@" -scale 50% -evaluate-sequence median "$work/median.png"
    /usr/bin/convert "$current" -scale 50% "$work/median.png" -compose difference -composite -colorspace gray \
        -threshold 8% -morphology Erode Square:10 txt:- |
        sed -n 's/^\([0-9]*\),\([0-9]*\):.*#FFFFFF.*/\1 \2/p' | head -n 1 |
        { read -r x y && echo "$((2 * x)) $((2 * y))"; }
}

# True when the piece that lay at X,Y on screen $3 went home: on the screen
# "landed" (after the clicks) that 12x12 half-size patch no longer shows it,
# and the board (620x390+330+320 at 1280x1024) gained about a piece. Not
# "the patch is the background again": where the pieces crowd, the median
# is no clean background, and near the sun its turning rays never match.
landed_at() {
    local box="12x12+$(($1 / 2 - 6))+$(($2 / 2 - 6))" board=310x195+165+160 to_piece board_change
    /usr/bin/convert "$work/landed.png" -scale 50% "$work/after.png"
    /usr/bin/convert "$3" -scale 50% "$work/before.png"
    to_piece=$(/usr/bin/compare -metric AE -fuzz 10% "$work/after.png[$box]" "$work/before.png[$box]" null: 2>&1)
    board_change=$(/usr/bin/compare -metric AE -fuzz 10% "$work/after.png[$board]" "$work/before.png[$board]" null: 2>&1)
    [ "${to_piece%%.*}" -gt 100 ] 2>/dev/null && [ "${board_change%%.*}" -gt 1500 ] 2>/dev/null
}

# The pointer first, then the press a frame later: a press in the frame of the
# move would be judged by the previous frame's pick.
click_at() {
    xdotool mousemove "$1" "$2"
    sleep 0.4
    xdotool click 1
}

# Clicks the middle of each of the 20 places on the board (5 by 4 at
# 1280x1024); only the selected piece's own outline takes it.
click_every_place() {
    local row column
    for row in 0 1 2 3; do
        for column in 0 1 2 3 4; do
            click_at $((397 + 122 * column)) $((371 + 935 * row / 10))
            sleep 0.2
        done
    done
}

# Leaves through the exit dialog: Escape, then Enter confirms.
leave() {
    xdotool key Escape
    sleep 1
    xdotool key Return
}

start_game "$programs" LANG=C
wait_for_window && pass "full-screen window under Wine" || fail "no window"
# A failed mode change leaves a window with a title bar, a little lower.
geometry=$(xdotool search --name '^lumbrik$' getwindowgeometry 2>/dev/null |
    sed -n 's/.*Position: \([0-9,]*\).*/\1/p; s/.*Geometry: //p' | head -2 | tr '\n' ' ')
[ "$geometry" = "0,0 1280x1024 " ] && pass "window is the desktop's size, at its corner" || fail "window position and size '$geometry'"
xdotool key Return   # welcome
sleep 1
xdotool key Return   # 20 pieces
settled_shot first
# Where the pieces lie is random: the screen of this picture is told apart
# from the background by the other pictures' screens (their median).
for picture in second third fourth fifth; do
    xdotool key Right
    settled_shot $picture-picture
done
read -r x y < <(find_piece "$work/first.png" "$work"/{second,third,fourth,fifth}-picture.png)
if [ -n "${x:-}" ]; then
    click_at "$x" "$y"
    sleep 1
    click_every_place
    sleep 3
    shot landed
    landed_at "$x" "$y" "$work/fifth-picture.png" && pass "a piece clicked and then its outline: it lands ($x,$y)" ||
        fail "the piece at $x,$y did not land"
else
    fail "no piece found on the screen"
fi
leave
expect_exit 0 "welcome, size, Escape, confirm"
bytes=$(od -An -tu1 -N8 "$settings" 2>/dev/null | tr -s ' ')
[ "$(stat -c %s "$settings" 2>/dev/null)" = 32 ] && [ "$bytes" = " 1 0 0 0 0 1 1 1" ] &&
    pass "settings in the all-users folder: welcome off, switches on ($bytes)" ||
    fail "settings file: size $(stat -c %s "$settings" 2>&1), bytes '$bytes'"

before=$(stat -c %Y "$settings")
start_game "$programs" LANG=C
wait_for_window || fail "no window on the second start"
shot second-start
leave   # without a welcome screen, Escape reaches the exit dialog at once
expect_exit 0 "second start skips the welcome: Escape, confirm ends it"

# The interface language: under Wine, LANG sets the Windows user's UI language.
# A damaged German exit dialog proves the German archives were chosen.
mkdir -p "$work/unzipped"
(cd "$work/unzipped" && unzip -q "$zip")
portable=$(basename "$zip" .zip)
portable=$work/unzipped/$portable
printf '\005\000\000\000\011' >"$portable/de/exit_menu.pak"
start_game "$portable" LANG=de_DE.UTF-8
wait_for_window && pass "the unzipped folder runs" || fail "no window from the unzipped folder"
leave
expect_exit 0 "German interface language: plays on"
grep -q 'damaged archive "de/exit_menu.pak"; using English' "$work/err" &&
    pass "German archives chosen from the interface language" || fail "language: $(cat "$work/err")"

rm "$portable/interface_my.pak"
start_game "$portable" LANG=C
# The fatal message box waits for a parent; Enter closes it.
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    xdotool search --name '^lumbrik$' >/dev/null 2>&1 && { sleep 1; xdotool key Return; }
    sleep 0.3
done
expect_exit 1 "missing archive"
grep -q '^lumbrik: cannot open archive "[a-z_0-9]*\.pak"' "$log" 2>/dev/null &&
    pass "log file: $(grep 'cannot open' "$log" | tail -1 | tr -d '\r')" || fail "log $log: $(cat "$log" 2>&1)"

timeout -k 5 60 "$WINE" "$programs/Uninstall.exe" /S
sleep 3  # the uninstaller copies itself and returns at once
[ ! -e "$programs" ] && ! ls "$startmenu"/lumbrik*.lnk >/dev/null 2>&1 && pass "Uninstall.exe /S leaves nothing" ||
    fail "left after uninstall: $(find "$programs" "$startmenu" -iname '*lumbrik*' 2>&1 | head -3)"
[ -f "$settings" ] && pass "the children's settings stay" || fail "uninstall removed the settings"

finish windows "build $((after_build - started)) s, play $(($(date +%s) - after_build)) s"
