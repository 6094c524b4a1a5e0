#!/usr/bin/env bash
# The session bus starts Drapewell from its service file, as a desktop's
# Activate does, on a virtual X display and a bus of the script's own whose
# only service directory holds the built service file:
#   scripts/with-xvfb 1024x768 tests/app/e2e_activation.sh build/dev/bin/drapewell SERVICE_FILE
# The installed file starts the installed program; here its Exec line is
# pointed at the copy under test, everything else is kept.
program=$1
service=$2
source "$(dirname "$0")/e2e_lib.sh"
command -v gdbus >/dev/null || fail "gdbus is not installed"
write_settings EnableTimer=0 RandomMode=0 ChangeMethod=2 Hide2TrayIcon=1
mkdir -p "$T/services"
grep -qx 'Name=invalid.drapewell.Drapewell' "$service" || fail "the service file names another name"
sed "s|^Exec=.*|Exec=$T/drapewell|" "$service" >"$T/services/invalid.drapewell.Drapewell.service"
cat >"$T/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$T/run</listen>
  <servicedir>$T/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
start_tray_host

cat >"$T/inside.sh" <<'INSIDE'
set -euo pipefail
source "$E2E_LIB_FUNCTIONS"
activate() {
    gdbus call --session --dest invalid.drapewell.Drapewell --object-path /invalid/drapewell/Drapewell \
        --method org.freedesktop.Application.Activate '{}' >/dev/null
}
echo "e2e: Activate starts the program through the bus"
"$T/drapewell" --current 2>/dev/null && fail "a copy runs before the activation"
activate || fail "the activation failed"
wait_for 10 "$T/drapewell" --current || fail "the started copy is not on the bus"
pgrep -f "^$T/drapewell\$" >/dev/null || fail "no program was started"
wait_for 10 main_window_hidden || fail "the window did not hide to the tray"
echo "e2e: a second Activate brings the window back"
activate || fail "Activate"
wait_for 5 main_window_shown || fail "the window did not come back"
"$T/drapewell" --quit || fail "--quit"
INSIDE
# The helpers without the set-up: the functions of e2e_lib.sh only.
sed -n '/^# wait_for SECONDS/,$p' "$(dirname "$0")/e2e_lib.sh" | sed '/^start_drapewell()/,$d' >"$T/functions.sh"
echo 'fail() { echo "e2e: FAILED: $*" >&2; exit 1; }' >>"$T/functions.sh"
E2E_LIB_FUNCTIONS=$T/functions.sh T=$T dbus-run-session --config-file="$T/bus.conf" -- bash "$T/inside.sh" \
    2> >(grep -v --line-buffered 'Failed to set fd limit' >&2)
echo "e2e: passed"
