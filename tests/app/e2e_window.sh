#!/usr/bin/env bash
# Drapewell end to end on a virtual X display with a real tray host:
#   scripts/with-xvfb 1280x800 tests/app/e2e_window.sh build/dev/bin/drapewell
# The window hides half a second after the start, a second copy says so and
# ends while the first runs on, F11 changes the wallpaper from another
# window, and the tray icon's double click, "Next" and "Exit" work; mouse
# clicks on the picture list make the picture the wallpaper.
program=$1
source "$(dirname "$0")/e2e_lib.sh"
write_settings EnableTimer=0 RandomMode=0 ChangeMethod=2 Hide2TrayIcon=1
# The icon is added only when a tray host is there at the start.
start_tray_host

start_drapewell

echo "e2e: the window shows, then hides half a second later"
wait_for 10 main_window_shown || fail "the window never showed"
wait_for 5 main_window_hidden || fail "the window did not hide"
kill -0 "$first" || fail "the program ended"
wait_for 10 tray_icon || fail "no tray icon"

echo "e2e: a second copy says so and ends; the first runs on"
"$T/drapewell" >"$T/second.log" 2>&1 &
second=$!
pids+=($second)
wait_for 10 message_box || fail "no message from the second copy"
sleep 0.3
# No window manager: focus the box ourselves, then press its OK with Enter.
xdotool windowfocus --sync "$(message_box)"
xdotool key Return
wait_for 10 bash -c "! kill -0 $second" || fail "the second copy did not end"
wait "$second" || true
kill -0 "$first" || fail "the first copy ended too"

echo "e2e: F11 changes the wallpaper from another window"
# RandomMode 0: the first picture is selected at the start, F11 goes on.
later_paper_is "" || fail "a change before any trigger: $(later_paper)"
xdotool mousemove 5 400 click 1
xdotool key F11
wait_for 10 later_paper_is "$T/pics/green.png" || fail "F11: LaterPaper is '$(later_paper)'"

icon=$(tray_icon)
echo "e2e: a double click on the tray icon brings the window back"
xdotool mousemove --window "$icon" 8 8 click --repeat 2 --delay 60 1
wait_for 5 main_window_shown || fail "the double click did not restore the window"

echo "e2e: the tray menu's Next"
xdotool mousemove --window "$icon" 8 8 click 3
sleep 0.5
xdotool key n
wait_for 10 later_paper_is "$T/pics/red.png" || fail "Next: LaterPaper is '$(later_paper)'"

echo "e2e: mouse clicks on a picture make it the wallpaper"
# The root window's colour below the window, where the fitted picture lies
# (ChangeMethod 2 paints the root window itself).
root_colour() {
    import -window root -crop 1x1+640+790 +repage -depth 8 txt:- | grep -Eo '#[0-9A-Fa-f]{6}' | head -n 1
}
root_colour_is() { [ "$(root_colour)" = "$1" ]; }
tray_next() {
    xdotool mousemove --window "$icon" 8 8 click 3
    sleep 0.5
    xdotool key n
}
wait_for 10 root_colour_is '#FF0000' || fail "the root window is $(root_colour), not red"
window=$(main_window_shown | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"
# The window is 380 by 274 dialog units, the list's first row begins 22 by
# 48 units in: the window's size gives the units' size in pixels.
row_x=$((22 * WIDTH / 380 + 30))
row_y=$((48 * HEIGHT / 274 + 6))
click_first_row() {
    xdotool mousemove --window "$window" "$row_x" "$row_y"
    sleep 0.2
    "$@"
}
click_first_row xdotool click 1
wait_for 10 later_paper_is "$T/pics/blue.png" || fail "click: LaterPaper is '$(later_paper)'"
wait_for 10 root_colour_is '#0000FF' || fail "click: the root window is $(root_colour)"
# "Next" goes on from the clicked picture, not past it.
tray_next
wait_for 10 later_paper_is "$T/pics/green.png" || fail "Next after a click: '$(later_paper)'"
click_first_row bash -c 'xdotool mousedown 1; sleep 0.8; xdotool mouseup 1'
wait_for 10 later_paper_is "$T/pics/blue.png" || fail "slow click: LaterPaper is '$(later_paper)'"
tray_next
wait_for 10 later_paper_is "$T/pics/green.png" || fail "Next: LaterPaper is '$(later_paper)'"
click_first_row xdotool click --repeat 2 --delay 60 1
wait_for 10 later_paper_is "$T/pics/blue.png" || fail "double click: LaterPaper is '$(later_paper)'"
wait_for 10 root_colour_is '#0000FF' || fail "double click: the root window is $(root_colour)"

echo "e2e: the tray menu's Exit ends the program"
xdotool mousemove --window "$icon" 8 8 click 3
sleep 0.5
pressed=$(date +%s%N)
xdotool key e
wait_for 10 bash -c "! kill -0 $first" || fail "Exit did not end the program"
# With no change under way nothing should hold the end up (no grace wait,
# no thread join): well under half a second, polling included.
took=$((($(date +%s%N) - pressed) / 1000000))
echo "e2e: Exit ended the program in ${took} ms"
# A sanitizer build scans the whole heap for leaks as it ends.
limit=500
[ -z "${ASAN_OPTIONS:-}" ] || limit=5000
[ "$took" -lt "$limit" ] || fail "Exit took ${took} ms"
status=0
wait "$first" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
echo "e2e: passed"
