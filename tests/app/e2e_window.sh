#!/usr/bin/env bash
# Drapewell end to end on a virtual X display with a real tray host:
#   scripts/with-xvfb 1280x800 tests/app/e2e_window.sh build/dev/bin/drapewell
# The window hides half a second after the start, a second copy says so and
# ends while the first runs on, F11 changes the wallpaper from another
# window, and the tray icon's double click, "Next" and "Exit" work; mouse
# clicks on the picture list make the picture the wallpaper.
set -euo pipefail
program=$1
for tool in trayer xdotool convert import; do
    command -v "$tool" >/dev/null || { echo "e2e: $tool is not installed" >&2; exit 1; }
done

T=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$T"
}
trap cleanup EXIT
fail() { echo "e2e: FAILED: $*" >&2; exit 1; }

# A private home, and the program copied so that its settings file (beside
# the executable) is the test's own.
mkdir -p "$T/home" "$T/run" "$T/pics"
chmod 700 "$T/run"
export HOME=$T/home XDG_RUNTIME_DIR=$T/run XDG_CONFIG_HOME=$T/home/.config XDG_DATA_HOME=$T/home/.local/share
unset WAYLAND_DISPLAY
cp "$program" "$T/drapewell"
for colour in red green blue; do convert -size 64x48 "xc:$colour" "$T/pics/$colour.png"; done
ini=$T/Drapewell.ini
printf '[Setting]\nImagePath=%s/pics/\nStartAtLogin=0\nEnableTimer=0\nRandomMode=0\nChangeMethod=2\nHide2TrayIcon=1\n' \
    "$T" >"$ini"

# wait_for SECONDS COMMAND...: true once COMMAND succeeds.
wait_for() {
    local limit=$(($1 * 10))
    shift
    for ((i = 0; i < limit; i++)); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    return 1
}
later_paper() { sed -n 's/^LaterPaper=//p' "$ini"; }
later_paper_is() { [ "$(later_paper)" = "$1" ]; }
main_window_shown() { xdotool search --onlyvisible --name '^Drapewell v1\.50$'; }
main_window_hidden() { ! main_window_shown; }
# The tray icon: the small window of ours that the tray host holds.
tray_icon() {
    local w
    for w in $(xdotool search --classname '^drapewell$'); do
        if xdotool getwindowgeometry "$w" | grep -Eq 'Geometry: [0-9]{1,2}x[0-9]{1,2}$'; then
            echo "$w"
            return 0
        fi
    done
    return 1
}
# The second copy's message box: a window titled with the program's name
# that shows the text's width.
message_box() {
    local w
    for w in $(xdotool search --onlyvisible --name '^drapewell$'); do
        if xdotool getwindowgeometry "$w" | grep -Eq 'Geometry: [0-9]{3,}x'; then
            echo "$w"
            return 0
        fi
    done
    return 1
}

trayer --edge top --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
pids+=($!)
# The icon is added only when a tray host is there at the start.
wait_for 10 xdotool search --name '^panel$' || fail "trayer did not start"
sleep 0.5

"$T/drapewell" >"$T/first.log" 2>&1 &
first=$!
pids+=($first)

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
# The window is 380 by 256 dialog units, the list's first row begins 22 by
# 48 units in: the window's size gives the units' size in pixels.
row_x=$((22 * WIDTH / 380 + 30))
row_y=$((48 * HEIGHT / 256 + 6))
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
[ "$took" -lt 500 ] || fail "Exit took ${took} ms"
status=0
wait "$first" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
echo "e2e: passed"
