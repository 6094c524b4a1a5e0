#!/usr/bin/env bash
# The session bus ends under the running program: it keeps running, and the
# hotkey and the timer keep changing the wallpaper by the root window
# (method 2), which needs no bus; a change by the desktop portal (method 4),
# which does, fails without holding the program up, and a command for the
# running copy fails with one line.
#   tests/app/fault_bus.sh build/dev/bin/drapewell
# The script starts its own server and bus (no scripts/with-xvfb).
program=$1
source "$(dirname "$0")/fault_process_lib.sh"
start_xvfb
alive() { kill -0 "$first" 2>/dev/null; }

echo "fault: the bus ends; the root window still changes"
write_settings EnableTimer=1 TimeInterval=5 RandomMode=0 ChangeMethod=2 Hide2TrayIcon=1
start_bus
start_program
wait_for 10 running || fail "the program did not come on the bus"
dw --next || fail "--next failed"
wait_for 10 shows_current || fail "the root window is $(root_colour), not $(dw --current)"
before=$(root_colour)
kill -KILL "$bus"
wait "$bus" 2>/dev/null || true
sleep 1
alive || fail "the program ended with the bus: $(cat "$T/err.log")"
xdotool key F11
changed_from() { [ "$(root_colour)" != "$1" ]; }
wait_for 5 changed_from "$before" || fail "the hotkey changed nothing without the bus"
after_key=$(root_colour)
# The timer runs every 5 seconds.
wait_for 8 changed_from "$after_key" || fail "the timer changed nothing without the bus"
alive || fail "the program ended after the bus: $(cat "$T/err.log")"
kill -TERM "$first"
ended_within 1 "$first" || fail "the program did not end within 1 s of SIGTERM without the bus"

echo "fault: the bus ends; a change through the portal fails, not hangs"
write_settings EnableTimer=0 RandomMode=0 ChangeMethod=4 Hide2TrayIcon=1
start_bus
start_program
wait_for 10 running || fail "the program did not come on the bus (method 4)"
kill -KILL "$bus"
wait "$bus" 2>/dev/null || true
# The staging bitmap is written before the portal is asked: its coming back
# shows the change ran; the quick end after it, that the change is not
# stuck on the missing bus (the window waits for a change under way).
rm -f "$data/MyWallPaper.bmp"
xdotool key F11
wait_for 10 test -e "$data/MyWallPaper.bmp" || fail "the hotkey started no change (method 4)"
sleep 0.5
alive || fail "the program ended: $(cat "$T/err.log")"
kill -TERM "$first"
ended_within 1 "$first" || fail "the program did not end within 1 s of SIGTERM after a portal change"
[ "$status" -eq 0 ] || fail "exit status $status after a portal change: $(cat "$T/err.log")"

echo "fault: a command without the bus fails at once"
status=0
timeout 10 "$T/drapewell" --next 2>"$T/err" || status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$T/err")" -eq 1 ] || fail "--next without a bus: $status, $(cat "$T/err")"
echo "fault: bus ok"
