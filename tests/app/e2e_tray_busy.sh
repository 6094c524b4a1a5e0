#!/usr/bin/env bash
# The tray keeps working while the window shows a box, on a virtual X
# display with a real tray host:
#   scripts/with-xvfb 1024x768 tests/app/e2e_tray_busy.sh build/dev/bin/drapewell
# A picture reader's message box (a TIFF without a page, which also proves
# the message reaches the window from the wallpaper job, and that the hotkey
# then goes on to a picture that can be shown) and the About box stay open
# while the tray menu's "Next" changes the wallpaper.
program=$1
source "$(dirname "$0")/e2e_lib.sh"
printf 'II*\0\0\0\0\0' >"$T/pics/zz.tif"
write_settings EnableTimer=0 RandomMode=0 ChangeMethod=2 Hide2TrayIcon=0 "LaterPaper=$T/pics/red.png"

start_tray_host
start_drapewell
wait_for 10 main_window_shown || fail "the window never showed"
wait_for 10 tray_icon || fail "no tray icon"

echo "e2e: a reader's message reaches the user as a box, and F11 goes on to a picture it can show"
xdotool key F11
wait_for 10 message_box || fail "no box for the TIFF without a page"
wait_for 10 later_paper_is "$T/pics/blue.png" || fail "F11 did not pass over the TIFF: '$(later_paper)'"

echo "e2e: the tray's Next works while the box is open"
tray_menu n
wait_for 10 later_paper_is "$T/pics/green.png" || fail "Next under a box: LaterPaper is '$(later_paper)'"
message_box >/dev/null || fail "the box went away"

echo "e2e: and while the About box is open"
xdotool windowactivate --sync "$(main_window)" 2>/dev/null || xdotool windowfocus --sync "$(main_window)"
xdotool key alt+a
wait_for 10 about_box_shown || fail "the About box did not open"
tray_menu n
wait_for 10 later_paper_is "$T/pics/red.png" || fail "Next under About: LaterPaper is '$(later_paper)'"
about_box_shown >/dev/null || fail "the About box went away"
kill -0 "$first" || fail "the program ended"
echo "e2e: passed"
