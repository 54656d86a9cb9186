# Private Xvfb servers for tests, benchmarks and screenshots; source this.
#   xvfb_start SCREEN FIRST LAST   starts Xvfb (e.g. SCREEN 1280x1024x24) on the
#                                  first free display number in FIRST..LAST and
#                                  sets XVFB_DISPLAY (":N"); status 1 when none
#   xvfb_stop_all                  stops every server started here (also at exit)
# -noreset matters: without it SDL 1.2's first connection test fails now and
# then, because the server resets between SDL's two connections.

XVFB_PIDS=()
XVFB_DISPLAY=""

xvfb_stop_all() {
    local pid
    for pid in "${XVFB_PIDS[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    XVFB_PIDS=()
}
trap xvfb_stop_all EXIT
trap 'exit 130' INT TERM  # so that the EXIT trap still stops the servers

xvfb_start() {
    local screen=$1 n pid
    for n in $(seq "$2" "$3"); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "$screen" -nolisten tcp -noreset >/dev/null 2>&1 &
        pid=$!
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$pid" 2>/dev/null; then
            XVFB_PIDS+=("$pid")
            XVFB_DISPLAY=":$n"
            return 0
        fi
        kill "$pid" 2>/dev/null  # lost a race for this number, or it never came up
    done
    echo "xvfb: no free display in :$2..:$3" >&2
    return 1
}
