#!/usr/bin/env bash
# The picture folder and its pictures change under the running program:
#   scripts/with-xvfb 1024x768 scripts/with-dbus tests/app/fault_folder.sh build/dev/bin/drapewell
# The folder deleted, emptied, replaced by a file, and back; a picture
# deleted or cut short after the list was read; a picture still being
# written. The program keeps running, the desktop (GNOME through GSettings)
# never gets half a picture, and changes work again without a restart.
source "$(dirname "$0")/fault_data_lib.sh"
command -v gdbus >/dev/null || fail "gdbus is not installed"

P=$T/pics
write_settings ChangeMethod=1 EnableTimer=0 RandomMode=0 Hide2TrayIcon=0 FitToScreen=0
declare -A colour=([red.png]='#FF0000' [green.png]='#008000' [blue.png]='#0000FF' [slow.jpg]='#FFFF00')
property() { gdbus call --session --dest invalid.drapewell.Drapewell --object-path /invalid/drapewell/Drapewell --method org.freedesktop.DBus.Properties.Get invalid.drapewell.Drapewell "$1"; }
count_is() { [ "$(property PictureCount)" = "(<$1>,)" ]; }
current_is() { [ "$(dw --current)" = "$P/$1" ]; }
# shows PICTURE: the program names it current and the desktop shows it.
shows() { current_is "$1" && desktop_is_staging && staged_colour_is "${colour[$1]}"; }
expect_shown() { wait_for 10 shows "$1" || fail "$2: --current is '$(dw --current)', the desktop $(desktop_picture), staged $(colour_of "$data/MyWallPaper.bmp")"; }
make_pictures() {
    mkdir -p "$P"
    for c in red green blue; do convert -size 64x48 "xc:$c" "$P/$c.png"; done
}
# unchanged_after_next WHAT: --next is refused with a reason and changes
# nothing on the desktop.
unchanged_after_next() {
    local before_picture before_sum status=0
    before_picture=$(desktop_picture)
    before_sum=$(md5sum <"$data/MyWallPaper.bmp")
    dw --next 2>"$T/err" || status=$?
    [ "$status" -eq 1 ] && grep -q "no pictures" "$T/err" ||
        fail "$1: --next answered $status, '$(cat "$T/err")'"
    sleep 1
    running || fail "$1: the program ended"
    [ "$(desktop_picture)" = "$before_picture" ] || fail "$1: the desktop changed to $(desktop_picture)"
    [ "$(md5sum <"$data/MyWallPaper.bmp")" = "$before_sum" ] || fail "$1: the staging bitmap changed"
}

start_drapewell
wait_for 10 running || fail "the program did not come on the bus"
dw --set "$P/blue.png" || fail "--set failed"
expect_shown blue.png "--set"

echo "fault: the folder deleted, then made again with pictures"
rm -rf "$P"
wait_for 10 count_is 0 || fail "the list kept $(property PictureCount) pictures"
unchanged_after_next "the folder deleted"
make_pictures
wait_for 10 count_is 3 || fail "the pictures of the folder made again were not listed: $(property PictureCount)"
dw --next || fail "--next failed"
wait_for 10 desktop_is_staging || fail "no change after the folder came back"
wait_for 10 shows "$(basename "$(dw --current)")" || fail "the folder made again: not shown"

echo "fault: the folder emptied, then filled"
rm -f "$P"/*
wait_for 10 count_is 0 || fail "the emptied folder kept $(property PictureCount) pictures"
unchanged_after_next "the folder emptied"
make_pictures
wait_for 10 count_is 3 || fail "the pictures put back were not listed"
dw --set "$P/red.png" || fail "--set failed"
expect_shown red.png "the folder filled again"

echo "fault: the folder replaced by a file of its name, then back"
rm -rf "$P"
echo "not a folder" >"$P"
wait_for 10 count_is 0 || fail "the list kept $(property PictureCount) pictures"
unchanged_after_next "the folder replaced by a file"
rm -f "$P"
make_pictures
wait_for 10 count_is 3 || fail "the pictures of the folder back were not listed"
dw --set "$P/green.png" || fail "--set failed"
expect_shown green.png "the folder back"

echo "fault: a picture deleted after the list was read"
dw --set "$P/blue.png" && expect_shown blue.png "--set"
# Gone before the watcher reports it: the next in order is green, which is
# passed over for red.
rm -f "$P/green.png"
dw --next || fail "--next failed"
expect_shown red.png "green deleted"
make_pictures
wait_for 10 count_is 3 || fail "green put back was not listed"

echo "fault: a picture cut short"
convert -size 640x480 plasma:fractal "$T/big.png"
dw --set "$P/blue.png" && expect_shown blue.png "--set"
head -c 3000 "$T/big.png" >"$P/green.png"
dw --next || fail "--next failed"
expect_shown red.png "green cut short"
[ "$(told truncated)" -ge 1 ] || fail "the reason was not told: $(cat "$T/first.log")"
make_pictures

echo "fault: a picture still being written"
convert -size 640x480 xc:yellow -quality 90 "$T/slow.jpg"
size=$(stat -c %s "$T/slow.jpg")
head -c $((size / 2)) "$T/slow.jpg" >"$P/slow.jpg"
wait_for 10 count_is 4 || fail "the new picture was not listed"
dw --set "$P/red.png" && expect_shown red.png "--set"
before_sum=$(md5sum <"$data/MyWallPaper.bmp")
dw --set "$P/slow.jpg" 2>/dev/null || true
sleep 1
[ "$(md5sum <"$data/MyWallPaper.bmp")" = "$before_sum" ] || fail "half a picture was shown"
# The rest of the file arrives.
tail -c +$((size / 2 + 1)) "$T/slow.jpg" >>"$P/slow.jpg"
dw --set "$P/slow.jpg" || fail "--set of the complete picture failed"
wait_for 10 shows slow.jpg || fail "the complete picture was not shown"

running || fail "the program ended"
dw --quit
wait "$first" || fail "the program ended with status $?"
echo "fault: folder PASSED"
