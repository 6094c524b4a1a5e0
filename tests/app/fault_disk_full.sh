#!/usr/bin/env bash
# The disk fills under the running program:
#   scripts/with-xvfb 1024x768 scripts/with-dbus tests/app/fault_disk_full.sh build/dev/bin/drapewell
# The data directory, where the staging bitmap is written, is a small tmpfs
# (in a private mount namespace); a filler file takes all of it. Changes by
# command and by a 5-second timer are refused: the desktop (GNOME through
# GSettings) keeps its picture, the staging bitmap stays whole, and the
# reason is told once. Once the filler is gone, the next change works.
source "$(dirname "$0")/fault_data_lib.sh"

mount -t tmpfs -o size=2m drapewell-fault "$data" || fail "cannot mount a tmpfs on $data"
mounts+=("$data")
write_settings ChangeMethod=1 EnableTimer=1 TimeInterval=5 RandomMode=0 Hide2TrayIcon=0 FitToScreen=0
declare -A colour=([red.png]='#FF0000' [green.png]='#008000' [blue.png]='#0000FF')
# shown_is_current: the desktop shows the staging bitmap, which is the
# picture --current names.
shown_is_current() {
    local current
    current=$(dw --current)
    desktop_is_staging && staged_colour_is "${colour[$(basename "$current")]}"
}

start_drapewell
wait_for 10 running || fail "the program did not come on the bus"
echo "fault: a change with space to spare"
dw --next || fail "--next failed"
wait_for 10 shown_is_current || fail "the first change did not reach the desktop: $(desktop_picture)"

echo "fault: the disk full, three changes asked for and two timer ticks"
dd if=/dev/zero of="$data/filler" bs=64k 2>/dev/null || true
[ "$(df --output=avail "$data" | tail -n 1 | tr -d ' ')" -lt 64 ] || fail "the filler left space"
sleep 1
before_picture=$(desktop_picture)
before_sum=$(md5sum <"$data/MyWallPaper.bmp")
for _ in 1 2 3; do dw --next || fail "--next failed with the disk full"; done
sleep 11
running || fail "the program ended with the disk full"
[ "$(desktop_picture)" = "$before_picture" ] || fail "the desktop changed to $(desktop_picture)"
[ "$(md5sum <"$data/MyWallPaper.bmp")" = "$before_sum" ] || fail "the staging bitmap was changed"
leftovers=$(find "$data" -mindepth 1 -maxdepth 1 -name '*MyWallPaper*' ! -name MyWallPaper.bmp)
[ -z "$leftovers" ] || fail "temporary files left behind: $leftovers"
[ "$(told 'no space left on the disk')" -eq 1 ] ||
    fail "the reason was told $(told 'no space left on the disk') times: $(cat "$T/first.log")"

grep 'drapewell: cannot show' "$T/first.log"
echo "fault: space freed, the next change works"
rm -f "$data/filler"
dw --next || fail "--next failed after the space was freed"
wait_for 10 shown_is_current || fail "no change after the space was freed: $(desktop_picture)"
dw --quit
wait "$first" || fail "the program ended with status $?"
echo "fault: disk full PASSED"
