# Sourced by the test scripts. Every check prints one line, "ok" or "FAIL";
# `finish NAME [NOTE]`, the script's last command, prints the count and
# fails when any check failed. The scripts that play the real game also
# share the wait for its window and the check of its exit status.
failures=0
pass() { echo "ok   $1"; }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

finish() {
    echo "$1: $failures failure(s)${2:+; $2}"
    [ "$failures" -eq 0 ]
}

# Waits up to WINDOW_WAIT_TENTHS tenths of a second (default 150) for the
# window named exactly "lumbrik", then WINDOW_SETTLE_S seconds (default 3)
# for its first frames: a key pressed before the buttons have installed
# their handlers finds no reader.
wait_for_window() {
    for _ in $(seq "${WINDOW_WAIT_TENTHS:-150}"); do
        if xdotool search --name '^lumbrik$' >/dev/null 2>&1; then
            sleep "${WINDOW_SETTLE_S:-3}"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Waits for $pid and checks its status; $1 = expected status, $2 = label.
# A failure also shows the file named by EXIT_DETAIL, when set.
expect_exit() {
    local status
    wait "$pid"
    status=$?
    if [ "$status" -eq "$1" ]; then
        pass "$2 (status $status)"
    else
        fail "$2 (status $status, expected $1${EXIT_DETAIL:+; $(cat "$EXIT_DETAIL")})"
    fi
}
