#!/usr/bin/env bash
# Runs the real program on the X display in $DISPLAY (and, when
# LUMBRIK_DISPLAY16 is set, on a 16-bit display where 4x multisampling is
# unavailable): it opens with the caption "lumbrik", takes the puzzle size on
# the first start, ends with status 0 through the exit dialog and on SIGTERM after writing
# its settings (the second start goes straight to the puzzle), a missing
# archive ends it with status 1 and one line naming the archive, and a
# damaged archive of the desktop's language leaves it playing in English
# after one line naming that archive.
# Usage: game-smoke.sh LUMBRIK_BINARY DATA_DIR
set -u
game=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../support/checks.sh"
# English unless a check asks for another language.
unset LANGUAGE LC_ALL LC_MESSAGES
export LANG=C

# Starts the game in the data folder ($1, else the build's); sets $pid.
start_game() {
    (cd "${1:-$data}" && exec env XDG_DATA_HOME="$work/xdg" SDL_AUDIODRIVER=dummy \
        timeout -k 2 60 "$game" >"$work/out" 2>"$work/err") &
    pid=$!
}

settings="$work/xdg/lumbrik/pelnovo_lumbrik_cfg"

start_game
wait_for_window && pass "window opens with caption lumbrik" || fail "no window named lumbrik"
sleep 1
# The first start greets with the welcome screen and asks for the puzzle
# size; Enter, Enter takes 20 pieces. Escape then asks whether to leave, and
# Enter leaves.
play_and_leave() {
    xdotool key Return
    sleep 0.5
    xdotool key Return
    sleep 1
    xdotool key Escape
    sleep 0.5
    xdotool key Return
}
play_and_leave
expect_exit 0 "Escape, Enter ends the game"
[ "$(stat -c %s "$settings" 2>/dev/null)" = 32 ] && pass "settings written on exit" || fail "no 32-byte settings file"

rm -f "$settings"
start_game
wait_for_window || fail "no window for the signal run"
sleep 0.5
kill -TERM "$pid" 2>/dev/null
# timeout(1) forwards SIGTERM to the game; it must save and end by itself.
expect_exit 0 "SIGTERM saves and closes"
[ -f "$settings" ] && pass "settings written on SIGTERM" || fail "SIGTERM lost the settings"

mkdir -p "$work/empty"
(cd "$work/empty" && env XDG_DATA_HOME="$work/xdg" SDL_AUDIODRIVER=dummy timeout -k 2 30 "$game" 2>"$work/missing-err")
status=$?
lines=$(wc -l <"$work/missing-err")
if [ "$status" -eq 1 ] && [ "$lines" -eq 1 ] && grep -qE '^lumbrik: cannot open archive "[a-z_0-9]+\.pak"$' "$work/missing-err"; then
    pass "missing archive: status 1, one line: $(cat "$work/missing-err")"
else
    fail "missing archive: status $status, $lines lines: $(cat "$work/missing-err")"
fi

# A data folder whose German exit dialog is damaged: the game starts in
# English, says so once, and plays on to its exit dialog.
mkdir -p "$work/words/de"
ln -s "$data"/*.pak "$work/words/"
ln -s "$data"/de/*.pak "$work/words/de/"
rm "$work/words/de/exit_menu.pak"
printf '\005\000\000\000\011' >"$work/words/de/exit_menu.pak"
LANG=de_DE.UTF-8 start_game "$work/words"
wait_for_window || fail "no window with a damaged language archive"
sleep 1
play_and_leave  # the welcome screen again: SIGTERM saved it unanswered
expect_exit 0 "damaged language archive: the game plays on and ends"
if [ "$(cat "$work/err")" = 'lumbrik: damaged archive "de/exit_menu.pak"; using English' ]; then
    pass "damaged language archive: one line, English"
else
    fail "damaged language archive: stderr was: $(cat "$work/err")"
fi

if [ -n "${LUMBRIK_DISPLAY16:-}" ]; then
    # A second start: version 1, no welcome screen, 20 pieces.
    printf '\001\000\000\000\000\001\001\001' >"$settings"
    head -c 24 /dev/zero >>"$settings"
    DISPLAY=$LUMBRIK_DISPLAY16 start_game
    DISPLAY=$LUMBRIK_DISPLAY16 wait_for_window && pass "16-bit display: starts without multisampling" || fail "16-bit display: no window"
    sleep 1
    DISPLAY=$LUMBRIK_DISPLAY16 xdotool key Escape
    sleep 0.5
    DISPLAY=$LUMBRIK_DISPLAY16 xdotool key Return
    expect_exit 0 "16-bit display: Escape, Enter ends the game"
fi

# The command line, and a start without a desktop session: no window is
# opened in any of them, and SDL never takes over a text console.
# check_command NAME STATUS STDOUT-PATTERN (- for any) STDERR-TEXT ARGS...
check_command() {
    local name=$1 status=$2 out=$3 err=$4
    shift 4
    (cd "$data" && exec env -u SDL_VIDEODRIVER XDG_DATA_HOME="$work/xdg" timeout -k 2 10 "$game" "$@" \
        >"$work/out" 2>"$work/err")
    local got=$?
    if [ "$got" -eq "$status" ] && { [ "$out" = - ] || grep -qE -- "$out" "$work/out"; } && [ "$(cat "$work/err")" = "$err" ]; then
        pass "$name"
    else
        fail "$name: status $got, stdout: $(head -c 300 "$work/out"), stderr: $(cat "$work/err")"
    fi
}
check_command "--help lists the options and exits 0" 0 '--multisample=on\|off' '' --help
check_command "--version prints the version" 0 '^lumbrik [0-9]+\.[0-9]+\.[0-9]+$' '' --version
check_command "an unknown option gets one line naming it" 2 - \
    'lumbrik: unknown option "--fullscreen" (lumbrik --help lists the options)' --fullscreen
DISPLAY= check_command "no X display: one line, status 1" 1 - \
    'lumbrik: needs a desktop session to open its window (no X display: DISPLAY is not set)'

finish smoke
