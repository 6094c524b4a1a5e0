#!/usr/bin/env bash
# Drapewell where no tray icon can be shown, on a virtual X display and a
# private session bus:
#   scripts/with-xvfb 1024x768 scripts/with-dbus tests/app/e2e_no_tray.sh build/dev/bin/drapewell
# Without a tray host, "Hide to tray icon" must not leave an invisible window;
# a window hidden to a tray that went away comes back with a second start.
set -euo pipefail
program=$1
for tool in trayer xdotool convert; do
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

mkdir -p "$T/home" "$T/run" "$T/pics"
chmod 700 "$T/run"
export HOME=$T/home XDG_RUNTIME_DIR=$T/run XDG_CONFIG_HOME=$T/home/.config XDG_DATA_HOME=$T/home/.local/share
unset WAYLAND_DISPLAY
cp "$program" "$T/drapewell"
for colour in red green; do convert -size 64x48 "xc:$colour" "$T/pics/$colour.png"; done
printf '[Setting]\nImagePath=%s/pics/\nStartAtLogin=0\nEnableTimer=0\nChangeMethod=2\nHide2TrayIcon=1\n' \
    "$T" >"$T/Drapewell.ini"

wait_for() {
    local limit=$(($1 * 10))
    shift
    for ((i = 0; i < limit; i++)); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    return 1
}
main_window() { xdotool search --name '^Drapewell v1\.50$' | head -n 1; }
main_window_shown() { xdotool search --onlyvisible --name '^Drapewell v1\.50$'; }
main_window_hidden() { ! main_window_shown; }
message_box() { xdotool search --onlyvisible --name '^drapewell$'; }
stop() { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }

echo "e2e: without a tray host the window stays where the user can reach it"
"$T/drapewell" >"$T/first.log" 2>&1 &
first=$!
pids+=($first)
wait_for 10 main_window_shown || fail "the window never showed"
sleep 1.5  # three times the hiding delay
main_window_shown >/dev/null || fail "the window hid with no tray icon to bring it back"
kill -0 "$first" || fail "the program ended"
stop "$first"

echo "e2e: hidden to a tray host that then goes away, a second start brings the window back"
trayer --edge top --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
tray=$!
pids+=($tray)
wait_for 10 xdotool search --name '^panel$' || fail "trayer did not start"
sleep 0.5
"$T/drapewell" >"$T/first.log" 2>&1 &
first=$!
pids+=($first)
wait_for 10 main_window_shown || fail "the window never showed"
wait_for 5 main_window_hidden || fail "the window did not hide to the tray"
stop "$tray"
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
