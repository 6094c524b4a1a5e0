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
echo "e2e: passed"
