#!/usr/bin/env bash
# Drapewell controlled from outside, on a virtual X display and a private
# session bus:
#   scripts/with-xvfb 1024x768 scripts/with-dbus tests/app/e2e_control.sh build/dev/bin/drapewell
# Every command through the command line and through gdbus, read back from
# the root window, CurrentPictures and the settings file; the history
# across a restart; the list following the picture folder (PictureCount);
# and a second session bus that does not see this one.
program=$1
source "$(dirname "$0")/e2e_lib.sh"
command -v gdbus >/dev/null || fail "gdbus is not installed"
convert -size 64x48 xc:yellow "$T/pics/yellow.png"
convert -size 64x48 xc:magenta "$T/pics/magenta.png"
P=$T/pics
write_settings EnableTimer=0 RandomMode=0 ChangeMethod=2 Hide2TrayIcon=1
dw() { "$T/drapewell" "$@"; }
call() { gdbus call --session --dest invalid.drapewell.Drapewell --object-path /invalid/drapewell/Drapewell --method "invalid.drapewell.Drapewell.$1" "${@:2}"; }
property() { gdbus call --session --dest invalid.drapewell.Drapewell --object-path /invalid/drapewell/Drapewell --method org.freedesktop.DBus.Properties.Get invalid.drapewell.Drapewell "$1"; }
root_colour() { import -window root -crop 1x1+5+760 +repage -depth 8 txt:- | grep -Eo '#[0-9A-Fa-f]{6}' | head -n 1; }
root_colour_is() { [ "$(root_colour)" = "$1" ]; }
current_is() { [ "$(dw --current)" = "$1" ]; }
# expect_current PICTURE COLOUR WHAT: the running copy and the root window agree.
expect_current() {
    wait_for 10 current_is "$P/$1" || fail "$3: --current is '$(dw --current)', not $1"
    wait_for 10 root_colour_is "$2" || fail "$3: the root window is $(root_colour), not $1"
}
paused_is() { [ "$(property Paused)" = "(<$1>,)" ]; }
count_is() { [ "$(property PictureCount)" = "(<$1>,)" ]; }
running() { dw --current >/dev/null 2>&1; }
# hide_window: a click on the window's "Hide" (319,233 50x14 of 380x274 units).
hide_window() {
    local window
    window=$(main_window_shown | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove --window "$window" $((344 * WIDTH / 380)) $((240 * HEIGHT / 274)) click 1
    wait_for 5 main_window_hidden || fail "the window did not hide"
}

echo "e2e: a command with no running copy fails with one line"
status=0
dw --next >"$T/out" 2>"$T/err" || status=$?
[ "$status" -eq 1 ] || fail "--next without a copy: exit status $status"
[ "$(cat "$T/err")" = "Drapewell is not running" ] || fail "--next without a copy said '$(cat "$T/err")'"
[ ! -s "$T/out" ] || fail "--next without a copy printed to stdout"
status=0
dw --set 2>"$T/err" || status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$T/err")" -eq 1 ] || fail "--set without a file: $status, $(cat "$T/err")"

start_tray_host
start_drapewell
wait_for 10 running || fail "the program did not come on the bus"
gdbus monitor --session --dest invalid.drapewell.Drapewell >"$T/monitor.log" 2>&1 &
pids+=($!)
wait_for 5 main_window_hidden || fail "the window did not hide to the tray"
[ "$(dw --current)" = "" ] || fail "a current picture before any change: $(dw --current)"

echo "e2e: --next five times, --previous three times, --next twice"
# In order: blue is selected at the start, green comes first.
for _ in 1 2 3 4 5; do dw --next || fail "--next failed"; done
expect_current blue.png '#0000FF' "five times --next"
for _ in 1 2 3; do dw --previous || fail "--previous failed"; done
expect_current magenta.png '#FF00FF' "three times --previous"
dw --next && dw --next || fail "--next failed"
expect_current yellow.png '#FFFF00' "twice --next after going back"
grep -q 'PictureChanged' "$T/monitor.log" || fail "no PictureChanged signal was seen"

echo "e2e: the history survives a restart"
dw --quit || fail "--quit failed"
wait_for 10 bash -c "! kill -0 $first" || fail "--quit did not end the program"
start_drapewell
wait_for 10 running || fail "the program did not come back on the bus"
[ "$(dw --current)" = "$P/yellow.png" ] || fail "after the restart: $(dw --current)"
dw --previous
expect_current red.png '#FF0000' "--previous after the restart"
dw --next && dw --next
expect_current blue.png '#0000FF' "forward through the history after the restart"
dw --next
expect_current green.png '#008000' "a new picture after the history's end"

echo "e2e: every method through gdbus"
call Next >/dev/null || fail "Next"
expect_current magenta.png '#FF00FF' "Next"
call Previous >/dev/null || fail "Previous"
expect_current green.png '#008000' "Previous"
call SetWallpaper "$P/red.png" >/dev/null || fail "SetWallpaper"
expect_current red.png '#FF0000' "SetWallpaper"
call SetWallpaper "$P/none.png" >/dev/null 2>&1 && fail "SetWallpaper of a missing file succeeded"
call Pause >/dev/null && [ "$(property Paused)" = "(<true>,)" ] || fail "Pause: $(property Paused)"
grep -q '^Paused=1' "$ini" || fail "the pause is not in the settings file"
call Resume >/dev/null && [ "$(property Paused)" = "(<false>,)" ] || fail "Resume"
call TogglePause >/dev/null && [ "$(property Paused)" = "(<true>,)" ] || fail "TogglePause"
call TogglePause >/dev/null && [ "$(property Paused)" = "(<false>,)" ] || fail "TogglePause back"
[ "$(property CurrentPictures)" = "(<['$P/red.png']>,)" ] || fail "CurrentPictures: $(property CurrentPictures)"
main_window_hidden || fail "the window showed by itself"
call Show >/dev/null || fail "Show"
wait_for 5 main_window_shown || fail "Show did not bring the window back"
hide_window
gdbus call --session --dest invalid.drapewell.Drapewell --object-path /invalid/drapewell/Drapewell \
    --method org.freedesktop.Application.Activate '{}' >/dev/null || fail "Activate"
wait_for 5 main_window_shown || fail "Activate did not bring the window back"
hide_window

echo "e2e: every command through the command line"
dw --pause && [ "$(property Paused)" = "(<true>,)" ] || fail "--pause"
dw --next
expect_current yellow.png '#FFFF00' "--next while paused"
dw --resume && [ "$(property Paused)" = "(<false>,)" ] || fail "--resume"
dw --toggle-pause && [ "$(property Paused)" = "(<true>,)" ] || fail "--toggle-pause"
dw --toggle-pause && [ "$(property Paused)" = "(<false>,)" ] || fail "--toggle-pause back"
(cd "$P" && "$T/drapewell" --set green.png) || fail "--set with a relative name"
expect_current green.png '#008000' "--set"
status=0
dw --set "$P/none.png" 2>"$T/err" || status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$T/err")" -eq 1 ] || fail "--set of a missing file: $status, $(cat "$T/err")"
dw --show || fail "--show"
wait_for 5 main_window_shown || fail "--show did not bring the window back"

echo "e2e: the window's buttons and the tray's items, clicked and keyed"
# click_button X Y: a click on the window at (X, Y) of its 380x274 units.
click_button() {
    local window
    window=$(main_window_shown | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove --window "$window" $(($1 * WIDTH / 380)) $(($2 * HEIGHT / 274)) click 1
}
# tray_keys KEY...: the tray icon's menu opened with the right button, then
# the keys ("&Previous" and "&Pause" share their letter, as do "&Restore" and
# "&Resume": a letter picks the next item that has it, Return takes it).
tray_keys() {
    xdotool mousemove --window "$(tray_icon)" 8 8 click 3
    sleep 0.5
    xdotool key "$@"
}
click_button 173 170 # "&Next" (148,163 50x14)
expect_current magenta.png '#FF00FF' "the window's Next button"
click_button 119 170 # "Pre&vious" (94,163 50x14)
expect_current green.png '#008000' "the window's Previous button"
tray_keys n
expect_current magenta.png '#FF00FF' "the tray's Next"
tray_keys p Return
expect_current green.png '#008000' "the tray's Previous"
tray_keys p p Return
wait_for 5 paused_is true || fail "the tray's Pause: $(property Paused)"
tray_keys r r Return # "&Restore" comes first
wait_for 5 paused_is false || fail "the tray's Resume: $(property Paused)"

echo "e2e: the list follows the picture folder"
count_is 5 || fail "PictureCount: $(property PictureCount)"
convert -size 8x8 xc:white "$P/white.png"
wait_for 10 count_is 6 || fail "a new file: $(property PictureCount)"
convert -size 8x8 xc:black "$T/black.png" && mv "$T/black.png" "$P/black.png"
wait_for 10 count_is 7 || fail "a file moved in: $(property PictureCount)"
mv "$P/white.png" "$P/snow.png"
sleep 1.5
count_is 7 || fail "a rename changed the count: $(property PictureCount)"
dw --set "$P/snow.png" || fail "the renamed picture is not there"
rm "$P/black.png"
wait_for 10 count_is 6 || fail "a deleted file: $(property PictureCount)"
mkdir "$P/sub"
sleep 1
convert -size 8x8 xc:grey "$P/sub/grey.png"
wait_for 10 count_is 7 || fail "a file in a new subfolder: $(property PictureCount)"
rm -r "$P/sub"
wait_for 10 count_is 6 || fail "a subfolder removed: $(property PictureCount)"
kill -0 "$first" || fail "the program ended"

echo "e2e: a second session bus does not see this one"
status=0
dbus-run-session -- "$T/drapewell" --next 2>"$T/err" || status=$?
[ "$status" -eq 1 ] && grep -q 'Drapewell is not running' "$T/err" || fail "the other bus: $status, $(cat "$T/err")"

echo "e2e: --quit ends the program"
dw --quit || fail "--quit"
# --quit returns once the program has ended (bash may not have reaped it yet).
[ "$(ps -o stat= -p "$first" 2>/dev/null | cut -c1)" = Z ] || ! kill -0 "$first" 2>/dev/null ||
    fail "the program still runs after --quit"
status=0
wait "$first" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
echo "e2e: passed"
