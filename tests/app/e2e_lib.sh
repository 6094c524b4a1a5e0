# Shared set-up of the end-to-end scripts, sourced after `program=$1`:
# a private home and runtime directory, the program copied beside its own
# settings file ($ini), a few pictures in $T/pics, and helpers to wait for
# and find the program's windows. Each script's children go in `pids`.
set -euo pipefail
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

mkdir -p "$T/home" "$T/run" "$T/pics"
chmod 700 "$T/run"
export HOME=$T/home XDG_RUNTIME_DIR=$T/run XDG_CONFIG_HOME=$T/home/.config XDG_DATA_HOME=$T/home/.local/share
unset WAYLAND_DISPLAY
cp "$program" "$T/drapewell"
for colour in red green blue; do convert -size 64x48 "xc:$colour" "$T/pics/$colour.png"; done
ini=$T/Drapewell.ini
# write_settings KEY=VALUE...: the [Setting] section with these keys.
write_settings() {
    { echo '[Setting]'; printf 'ImagePath=%s/pics/\nStartAtLogin=0\n' "$T"; printf '%s\n' "$@"; } >"$ini"
}

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
main_window() { xdotool search --name '^Drapewell v1\.50$' | head -n 1; }
main_window_shown() { xdotool search --onlyvisible --name '^Drapewell v1\.50$'; }
main_window_hidden() { ! main_window_shown; }
about_box_shown() { xdotool search --onlyvisible --name '^About$'; }
# A message box: a shown window of ours, not the main window or the About
# box, wide enough to show text.
message_box() {
    local w
    for w in $(xdotool search --onlyvisible --classname '^drapewell$'); do
        case "$(xdotool getwindowname "$w")" in 'Drapewell v1.50' | About) continue ;; esac
        if xdotool getwindowgeometry "$w" | grep -Eq 'Geometry: [0-9]{3,}x'; then
            echo "$w"
            return 0
        fi
    done
    return 1
}
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
start_tray_host() {
    trayer --edge top --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
    tray_host=$!
    pids+=($tray_host)
    wait_for 10 xdotool search --name '^panel$' || fail "trayer did not start"
    sleep 0.5
}
# tray_menu KEY: opens the tray icon's menu and picks the item by its key.
tray_menu() {
    xdotool mousemove --window "$(tray_icon)" 8 8 click 3
    sleep 0.5
    xdotool key "$1"
}
# start_drapewell: the program in the background as $first, its output in
# $T/first.log.
start_drapewell() {
    "$T/drapewell" >"$T/first.log" 2>&1 &
    first=$!
    pids+=($first)
}
stop() { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }
