#!/usr/bin/env bash
# The X server ends under the running program, killed (SIGKILL) and stopped
# (SIGTERM): the program ends within a few seconds with status 1 and one
# line of its own on stderr, its settings file as it was and its
# single-instance lock released, so that a start on a new server runs.
#   tests/app/fault_display.sh build/dev/bin/drapewell
# The script starts its own servers and bus (no scripts/with-xvfb).
program=$1
source "$(dirname "$0")/fault_process_lib.sh"
write_settings EnableTimer=0 RandomMode=0 ChangeMethod=2 Hide2TrayIcon=1
start_bus

for signal in KILL TERM; do
    echo "fault: the X server ends by SIG$signal"
    start_xvfb
    start_program
    wait_for 10 running || fail "SIG$signal: the program did not come on the bus"
    dw --next || fail "SIG$signal: --next failed"
    wait_for 10 shows_current || fail "SIG$signal: the root window is $(root_colour), not $(dw --current)"
    sleep 0.3
    cp "$ini" "$T/ini.before"
    shown=$(dw --current)
    kill -s "$signal" "$xvfb"
    wait "$xvfb" 2>/dev/null || true
    ended_within 5 "$first" || fail "SIG$signal: the program still runs 5 s after the server ended"
    [ "$status" -eq 1 ] || fail "SIG$signal: exit status $status: $(cat "$T/err.log")"
    [ "$(wc -l <"$T/err.log")" -eq 1 ] || fail "SIG$signal: stderr is not one line: $(cat "$T/err.log")"
    grep -q '^drapewell: the display went away' "$T/err.log" ||
        fail "SIG$signal: stderr says $(cat "$T/err.log")"
    cmp -s "$ini" "$T/ini.before" || fail "SIG$signal: the settings file changed: $(diff "$T/ini.before" "$ini")"
    lock_free || fail "SIG$signal: the lock is still held"

    # A new start on a fresh server runs, and takes up where it was.
    start_xvfb
    start_program
    wait_for 10 running || fail "SIG$signal: no new start after the server ended: $(cat "$T/err.log")"
    grep -q 'already running' "$T/err.log" "$T/out.log" && fail "SIG$signal: 'already running'"
    current_is "$shown" || fail "SIG$signal: after the restart --current is $(dw --current)"
    dw --quit || fail "SIG$signal: --quit failed"
    ended_within 10 "$first" || fail "SIG$signal: --quit did not end the program"
    kill "$xvfb"
    wait "$xvfb" 2>/dev/null || true
done
echo "fault: display ok"
