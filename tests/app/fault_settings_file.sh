#!/usr/bin/env bash
# The settings file deleted, made read-only and damaged by hand while the
# program runs, then saved (--pause and --resume save the record):
#   scripts/with-xvfb 1024x768 scripts/with-dbus tests/app/fault_settings_file.sh build/dev/bin/drapewell
# Deleted: written anew, whole. Read-only (the mode, and a read-only mount
# of its folder, since root ignores the mode): the save fails, the reason is
# told once, the file stays as it was, and the program runs on. Damaged: the
# save writes every key again and keeps the lines it does not own.
source "$(dirname "$0")/fault_data_lib.sh"

# The program and its settings file in a folder of their own, which can be
# mounted read-only without the rest of the tree.
mkdir "$T/prog"
mv "$T/drapewell" "$T/prog/drapewell"
ini=$T/prog/Drapewell.ini
dw() { "$T/prog/drapewell" "$@"; }
write_settings ChangeMethod=1 EnableTimer=0 RandomMode=0 Hide2TrayIcon=0 FitToScreen=0 Paused=0
"$T/prog/drapewell" >"$T/first.log" 2>&1 &
first=$!
pids+=($first)
wait_for 10 running || fail "the program did not come on the bus"
# The keys a save writes, from the program's own first save.
wait_for 5 grep -q '^Paused=' "$ini" || fail "no save at the start"
keys=$(sed -n 's/^\([A-Za-z0-9]*\)=.*/\1/p' "$ini" | sort)
[ "$(echo "$keys" | wc -l)" -ge 15 ] || fail "the first save wrote only: $keys"
# whole_file: every key once in the first [Setting] section.
setting_keys() { awk '/^\[/{n++} n==1 && /^[A-Za-z0-9]+=/{sub(/=.*/, ""); print}' "$ini" | sort; }
whole_file() { [ "$(setting_keys)" = "$keys" ]; }
value_of() { awk -v k="$1" '/^\[/{n++} n==1 && index($0, k "=") == 1 {print substr($0, length(k) + 2); exit}' "$ini"; }
paused_saved() { [ "$(value_of Paused)" = "$1" ]; }

echo "fault: the settings file deleted, then saved"
rm -f "$ini"
dw --pause || fail "--pause failed"
wait_for 5 paused_saved 1 || fail "the file was not written anew: $(cat "$ini" 2>&1)"
whole_file || fail "the new file lacks keys: $(setting_keys)"
[ "$(value_of ImagePath)" = "$T/pics/" ] || fail "ImagePath is '$(value_of ImagePath)'"

echo "fault: the settings file read-only by its mode"
chmod 444 "$ini"
before=$(md5sum <"$ini")
# Each of these saves a record the file does not hold (--next names a new
# LaterPaper): a run of the same failure.
dw --resume && dw --next && dw --next || fail "--resume or --next failed"
sleep 0.5
running || fail "the program ended"
[ "$(md5sum <"$ini")" = "$before" ] || fail "the read-only file was changed"
[ "$(grep -c 'cannot save the settings.*read-only' "$T/first.log")" -eq 1 ] ||
    fail "the reason was not told once: $(cat "$T/first.log")"
chmod 644 "$ini"

echo "fault: the settings file's folder mounted read-only"
mount --bind "$T/prog" "$T/prog" && mounts+=("$T/prog") &&
    mount -o remount,bind,ro "$T/prog" || fail "cannot mount $T/prog read-only"
dw --pause && dw --next && dw --next || fail "--pause or --next failed"
sleep 0.5
running || fail "the program ended"
[ "$(md5sum <"$ini")" = "$before" ] || fail "the file on a read-only mount was changed"
[ "$(grep -c 'cannot save the settings.*read-only' "$T/first.log")" -eq 2 ] ||
    fail "the read-only mount was not told once: $(cat "$T/first.log")"
umount "$T/prog"
unset 'mounts[-1]'
dw --resume && dw --pause || fail "--resume or --pause failed"
wait_for 5 paused_saved 1 || fail "no save once the folder was writable again"
whole_file || fail "the file lacks keys: $(setting_keys)"

echo "fault: the settings file damaged by hand, then saved"
{
    printf '\0\1\2binary junk\377\376\n'
    sed -n '1,4p' "$ini"
    printf 'TimeInter\n'
    sed -n '5,$p' "$ini" | grep -v '^Paused='
    printf '[OtherTool]\nColour=blue\n[Setting]\nPaused=7\nImagePath=/elsewhere/\n'
    printf 'half a line without its end'
} >"$ini.new"
mv "$ini.new" "$ini"
dw --resume || fail "--resume failed"
wait_for 5 paused_saved 0 || fail "the damaged file was not saved: $(value_of Paused)"
running || fail "the program ended"
whole_file || fail "the saved file lacks keys: $(setting_keys)"
grep -q '^\[OtherTool\]$' "$ini" && grep -q '^Colour=blue$' "$ini" || fail "another tool's section was lost"
grep -q 'binary junk' "$ini" || fail "the junk line was not kept as it was"
dw --quit
wait "$first" || fail "the program ended with status $?"

echo "fault: the saved file read by the next start"
"$T/prog/drapewell" >"$T/second.log" 2>&1 &
first=$!
pids+=($first)
wait_for 10 running || fail "the program did not start on the saved file"
[ "$(value_of ImagePath)" = "$T/pics/" ] || fail "ImagePath is '$(value_of ImagePath)'"
dw --quit
echo "fault: settings file PASSED"
