#!/usr/bin/env bash
# Drapewell started where there is no display to show its window in: one
# line on stderr that says so and status 1, not Qt's abort with a core dump.
#   tests/app/no_display_test.sh build/dev/bin/drapewell
set -u
program=$1
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
failures=0
# A private home, so that nothing of the developer's is read or written.
mkdir -p "$T/home" "$T/run"
chmod 700 "$T/run"
export HOME=$T/home XDG_RUNTIME_DIR=$T/run XDG_CONFIG_HOME=$T/home/.config XDG_DATA_HOME=$T/home/.local/share
cp "$program" "$T/drapewell"

# refused WHAT PATTERN ENV...: status 1 and exactly one stderr line matching.
refused() {
    local what=$1 pattern=$2
    shift 2
    env -u QT_QPA_PLATFORM "$@" timeout 20 "$T/drapewell" >/dev/null 2>"$T/err"
    local status=$?
    if [ "$status" -eq 1 ] && [ "$(wc -l <"$T/err")" -eq 1 ] && grep -q "$pattern" "$T/err"; then
        echo "ok: $what"
    else
        echo "FAILED: $what (status $status)"
        cat "$T/err"
        failures=$((failures + 1))
    fi
}

refused "no DISPLAY and no WAYLAND_DISPLAY" \
    '^drapewell: no graphical session (DISPLAY or WAYLAND_DISPLAY)' -u DISPLAY -u WAYLAND_DISPLAY
refused "an empty DISPLAY" '^drapewell: no graphical session' -u WAYLAND_DISPLAY DISPLAY=
# A display number no server listens on.
number=150
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
refused "a DISPLAY that cannot be opened" "^drapewell: cannot open the display :$number " \
    -u WAYLAND_DISPLAY DISPLAY=":$number"
[ ! -e "$T/home/.config/Drapewell" ] || { echo "FAILED: settings were written"; failures=$((failures + 1)); }

exit $((failures > 0))
