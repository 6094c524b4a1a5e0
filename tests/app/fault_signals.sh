#!/usr/bin/env bash
# SIGTERM at logout, SIGINT and SIGHUP, while idle and while a change and a
# save are under way: the program ends within a second with status 0 (as
# its "Exit" does), the lock released, the settings file and the staging
# bitmap whole and no temporary file left; a signal during the start ends it
# too.
#   tests/app/fault_signals.sh build/dev/bin/drapewell
# The script starts its own server and bus (no scripts/with-xvfb).
program=$1
source "$(dirname "$0")/fault_process_lib.sh"
start_xvfb 1024x768
start_bus
write_settings EnableTimer=0 RandomMode=1 ChangeMethod=2 Hide2TrayIcon=1
snapshots=0

# ends_cleanly WHAT: the program ended within a second of the signal with
# status 0 and nothing on stderr, the lock free and the files whole.
ends_cleanly() {
    ended_within 1 "$first" || fail "$1: still running a second after the signal"
    [ "$status" -eq 0 ] || fail "$1: exit status $status: $(cat "$T/err.log")"
    [ ! -s "$T/err.log" ] || fail "$1: stderr says $(cat "$T/err.log")"
    lock_free || fail "$1: the lock is still held"
    snapshots=$((snapshots + 1))
    snapshot "$snapshots"
}

for signal in TERM INT HUP; do
    echo "fault: SIG$signal while idle"
    start_program
    wait_for 10 running || fail "SIG$signal: the program did not come on the bus"
    dw --next || fail "SIG$signal: --next failed"
    wait_for 10 shows_current || fail "SIG$signal: the root window is $(root_colour)"
    kill -s "$signal" "$first"
    ends_cleanly "SIG$signal while idle"

    echo "fault: SIG$signal during a change and a save"
    for delay in 0 0.05 0.15; do
        start_program
        wait_for 10 running || fail "SIG$signal: the program did not come on the bus"
        { dw --next && dw --pause && dw --resume; } >/dev/null 2>&1 &
        client=$!
        sleep "$delay"
        kill -s "$signal" "$first"
        ends_cleanly "SIG$signal ${delay} s after a request"
        wait "$client" 2>/dev/null || true
    done
done

echo "fault: SIGTERM during the start"
for delay in 0.1 0.3 0.6; do
    start_program
    sleep "$delay"
    kill -TERM "$first"
    # Before the handler is in place the signal's default action ends it.
    ended_within 2 "$first" || fail "still running 2 s after SIGTERM during the start"
    [ "$status" -eq 0 ] || [ "$status" -eq 143 ] || fail "SIGTERM during the start: status $status"
done
start_program
wait_for 10 running || fail "no start after a SIGTERM during the start: $(cat "$T/err.log")"

dw --quit || fail "--quit failed"
ended_within 10 "$first" || fail "--quit did not end the program"

python3 "$check" "$T/snapshots" "$T/pics" 0 || fail "the files were damaged"
echo "fault: signals ok"
