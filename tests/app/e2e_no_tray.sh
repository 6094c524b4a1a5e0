#!/usr/bin/env bash
# Drapewell where no tray icon can be shown, on a virtual X display and a
# private session bus:
#   scripts/with-xvfb 1024x768 scripts/with-dbus tests/app/e2e_no_tray.sh build/dev/bin/drapewell
# Without a tray host, "Hide to tray icon" must not leave an invisible window;
# a window hidden to a tray that went away comes back with a second start.
program=$1
source "$(dirname "$0")/e2e_lib.sh"
write_settings EnableTimer=0 ChangeMethod=2 Hide2TrayIcon=1

echo "e2e: without a tray host the window stays where the user can reach it"
start_drapewell
wait_for 10 main_window_shown || fail "the window never showed"
sleep 1.5  # three times the hiding delay
main_window_shown >/dev/null || fail "the window hid with no tray icon to bring it back"
kill -0 "$first" || fail "the program ended"
stop "$first"

echo "e2e: hidden to a tray host that then goes away, a second start brings the window back"
start_tray_host
start_drapewell
wait_for 10 main_window_shown || fail "the window never showed"
wait_for 5 main_window_hidden || fail "the window did not hide to the tray"
stop "$tray_host"
sleep 0.5
main_window_hidden || fail "the window came back by itself"
"$T/drapewell" >"$T/second.log" 2>&1 &
second=$!
pids+=($second)
wait_for 10 main_window_shown || fail "the second start did not bring the window back"
wait_for 10 message_box || fail "the second start did not say that a copy runs"
xdotool windowfocus --sync "$(message_box | head -n 1)"
xdotool key Return
wait_for 10 bash -c "! kill -0 $second" || fail "the second copy did not end"
kill -0 "$first" || fail "the first copy ended"
echo "e2e: passed"
