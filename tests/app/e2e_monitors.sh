#!/usr/bin/env bash
# Drapewell on two monitors made with `xrandr --setmonitor` on a virtual X
# display, a picture per monitor through the root window:
#   scripts/with-xvfb 800x600 tests/app/e2e_monitors.sh build/dev/bin/drapewell
# The hotkey's change gives the landscape monitor the next picture and the
# portrait monitor the next portrait one; a monitor changed while the
# program runs gets the pictures laid out on it anew within a second or so.
program=$1
source "$(dirname "$0")/e2e_lib.sh"
command -v xrandr >/dev/null || fail "xrandr is not installed"
# Landscape blue, green, red (e2e_lib.sh) and, after them, a portrait one:
# in plain order the portrait monitor would get red.
convert -size 48x64 xc:yellow "$T/pics/yellow.png"
# Last in the list: red on the left, blue on the right, to tell a picture
# spread across the monitors from one shown whole on each.
convert -size 32x48 xc:red -size 32x48 xc:blue +append "$T/pics/zsplit.png"
write_settings EnableTimer=0 ChangeMethod=2 Hide2TrayIcon=1 RandomMode=0 FitToScreen=1 \
    MonitorMode=1 MatchOrientation=1 "LaterPaper=$T/pics/blue.png"

xrandr --setmonitor L 400/100x250/100+0+0 screen >/dev/null
xrandr --setmonitor P 200/100x400/100+400+0 none >/dev/null

# pixel_is X Y RRGGBB: the root window shows that colour there.
pixel_is() {
    import -window root "$T/root.png" || return 1
    seen=$(convert "$T/root.png" -format "%[hex:p{$1,$2}]" info: | cut -c1-6)
    [ "$seen" = "$3" ] || { echo "e2e: at $1,$2 the root shows $seen, not $3" >&2; return 1; }
}
GREEN=008000 YELLOW=FFFF00 BLACK=000000

echo "e2e: the hotkey's change gives each monitor a picture of its orientation"
# The window hides to the tray (top right, clear of every probe), leaving
# the root window in sight.
start_tray_host
start_drapewell
wait_for 10 main_window_shown || fail "the window never showed"
wait_for 5 main_window_hidden || fail "the window did not hide to the tray"
xdotool key F11
wait_for 10 pixel_is 200 125 $GREEN || fail "the landscape monitor does not show the next picture"
pixel_is 500 200 $YELLOW || fail "the portrait monitor does not show the portrait picture"
pixel_is 10 125 $BLACK || fail "the landscape picture is not fitted to its monitor"
pixel_is 600 500 $BLACK || fail "the screen outside the monitors is not black"

echo "e2e: a monitor changed while the program runs gets the pictures anew"
xrandr --delmonitor P >/dev/null
xrandr --setmonitor Q 300/100x200/100+400+0 none >/dev/null
started=$(date +%s%N)
# The new monitor's picture (150x200, centred at x 475 to 624) reaches where
# the old monitor ended (x 600); the old picture started at y 67.
wait_for 5 pixel_is 610 30 $YELLOW || fail "the new monitor does not show its picture"
elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
echo "e2e: laid out anew after ${elapsed} ms"
pixel_is 420 100 $BLACK || fail "the portrait picture is not fitted to the new monitor"
pixel_is 550 100 $YELLOW || fail "the new monitor's picture is not centred"
pixel_is 500 350 $BLACK || fail "the old monitor's area still shows a picture"
pixel_is 200 125 $GREEN || fail "the other monitor lost its picture"
[ "$elapsed" -lt 1500 ] || fail "re-laying the pictures took ${elapsed} ms"
kill -0 "$first" || fail "the program ended"

echo "e2e: the window's Monitors choice, picked with the mouse and saved, spreads one picture"
icon=$(tray_icon) || fail "no tray icon"
xdotool mousemove --window "$icon" 8 8 click --repeat 2 --delay 60 1
wait_for 5 main_window_shown || fail "the double click did not restore the window"
window=$(main_window_shown | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"
# In dialog units the window is 380 by 274, the Monitors list sits at 60,256
# (138 wide), Save at 319,205 and Hide at 319,233 (50 by 14 each).
at() { echo $(($1 * WIDTH / 380)) $(($2 * HEIGHT / 274)); }
xdotool mousemove --window "$window" $(at 129 261) click 1
# The list opens as a window of its own with one row per choice.
popup_shown() {
    local w
    for w in $(xdotool search --onlyvisible --classname '^drapewell$'); do
        [ "$w" = "$window" ] && continue
        xdotool getwindowgeometry "$w" | grep -Eq 'Geometry: [0-9]{3}x[0-9]{2}$' && echo "$w" && return 0
    done
    return 1
}
wait_for 5 popup_shown || fail "the Monitors list did not open"
popup=$(popup_shown)
eval "$(xdotool getwindowgeometry --shell "$popup" | sed 's/^/POPUP_/')"
xdotool mousemove --window "$popup" 20 $((POPUP_HEIGHT * 5 / 6)) click 1
wait_for 5 eval '! popup_shown' || fail "the Monitors list stayed open"
xdotool mousemove --window "$window" $(at 344 212) click 1
monitor_mode_is() { grep -qx "MonitorMode=$1" "$ini"; }
wait_for 5 monitor_mode_is 2 || fail "Save did not keep the choice: $(grep MonitorMode "$ini")"
# The last picture, picked in the list, then the window out of the way.
xdotool mousemove --window "$window" $(at 60 52) click 1
xdotool key End
wait_for 10 later_paper_is "$T/pics/zsplit.png" || fail "LaterPaper is '$(later_paper)'"
xdotool mousemove --window "$window" $(at 344 240) click 1
wait_for 5 main_window_hidden || fail "Hide did not hide the window"
# Both monitors (0..400 and 400..700 wide) show their part of one picture
# 700 wide: red up to x 350, blue beyond; each shown whole would put blue
# at x 300 and red at x 420.
wait_for 10 pixel_is 300 125 FF0000 || fail "the left monitor does not show the left of the picture"
pixel_is 420 100 0000FF || fail "the right monitor does not show the right of the picture"
kill -0 "$first" || fail "the program ended"
echo "e2e: passed"
