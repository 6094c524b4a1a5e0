# Shared set-up of the process fault scripts (display, bus, signals, kills),
# sourced after `program=$1`: e2e_lib.sh, and a virtual X server and a
# session bus of the script's own, started here rather than through
# scripts/with-xvfb and scripts/with-dbus, since the scripts kill them under
# the running program.
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
for tool in Xvfb dbus-daemon; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done

# start_xvfb [SIZE]: a fresh server as $xvfb, on $DISPLAY.
start_xvfb() {
    local fifo=$T/xvfb.fd number
    rm -f "$fifo"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${1:-800x600}x24" -noreset -nolisten tcp 3>"$fifo" 2>"$T/xvfb.log" &
    xvfb=$!
    pids+=($xvfb)
    read -r -t 20 number <"$fifo" || fail "Xvfb did not start: $(cat "$T/xvfb.log")"
    export DISPLAY=":$number"
    # Where root_colour looks: the lower left corner, away from the window.
    local size=${1:-800x600}
    probe=5+$((${size#*x} - 8))
}

# start_bus: a fresh session bus as $bus, on $DBUS_SESSION_BUS_ADDRESS.
start_bus() {
    rm -f "$T/bus.address"
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$T/bus.address" 2>/dev/null &
    bus=$!
    pids+=($bus)
    wait_for 10 test -s "$T/bus.address" || fail "the session bus did not start"
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$T/bus.address")
    export DBUS_SESSION_BUS_ADDRESS
}

dw() { "$T/drapewell" "$@"; }
running() { dw --current >/dev/null 2>&1; }
current_is() { [ "$(dw --current)" = "$1" ]; }
root_colour() { import -window root -crop "1x1+$probe" +repage -depth 8 txt:- | grep -Eo '#[0-9A-Fa-f]{6}' | head -n 1; }
root_colour_is() { [ "$(root_colour)" = "$1" ]; }
# colour_of PICTURE: the colour of one of e2e_lib.sh's pictures.
colour_of() {
    case $(basename "$1") in
    red.png) echo '#FF0000' ;; green.png) echo '#008000' ;; blue.png) echo '#0000FF' ;; *) echo none ;;
    esac
}
# shows_current: the root window shows the picture --current names.
shows_current() { root_colour_is "$(colour_of "$(dw --current)")"; }

# start_program: the program as $first, its stdout in $T/out.log and its
# stderr in $T/err.log.
start_program() {
    "$T/drapewell" >"$T/out.log" 2>"$T/err.log" &
    first=$!
    pids+=($first)
}

# ended_within SECONDS PID: true once PID has ended; its status in $status.
ended_within() {
    local limit=$(($1 * 20)) i
    for ((i = 0; i < limit; i++)); do
        if ! kill -0 "$2" 2>/dev/null; then
            status=0
            wait "$2" 2>/dev/null || status=$?
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# lock_free: no live process holds the single-instance lock (a file left
# by a killed copy names a process that is gone).
lock_free() {
    local file pid
    for file in "$XDG_RUNTIME_DIR"/*.lock; do
        [ -e "$file" ] || continue
        pid=$(head -n 1 "$file")
        [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && return 1
    done
    return 0
}

# The data directory (history, staging bitmap) and the judge of snapshots.
data=$XDG_DATA_HOME/Drapewell
check=$(dirname "${BASH_SOURCE[0]}")/fault_state_check.py
# snapshot N: what the files are now, as $T/snapshots/N for
# fault_state_check.py.
snapshot() {
    local to=$T/snapshots/$1
    mkdir -p "$to"
    cp "$ini" "$to/"
    [ ! -e "$data/History.txt" ] || cp "$data/History.txt" "$to/"
    if [ -e "$data/MyWallPaper.bmp" ]; then
        head -c 54 "$data/MyWallPaper.bmp" >"$to/MyWallPaper.bmp.head"
        stat -c %s "$data/MyWallPaper.bmp" >"$to/MyWallPaper.bmp.size"
    fi
    ls -A "$data" >"$to/data.list" 2>/dev/null || true
    ls -A "$(dirname "$ini")" >"$to/settings.list"
}

