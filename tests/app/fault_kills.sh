#!/usr/bin/env bash
# The program killed (SIGKILL) at random moments while it starts, changes
# the wallpaper and saves its settings, KILLS times (200 unless given):
# after every kill the settings file, the history and the staging bitmap are
# each whole, temporary files do not pile up (a snapshot of each is taken
# here and fault_state_check.py judges them all at the end), and the next
# start runs (a killed copy's lock blocks nothing).
#   tests/app/fault_kills.sh build/dev/bin/drapewell [KILLS]
# The script starts its own server and bus (no scripts/with-xvfb).
program=$1
kills=${2:-200}
source "$(dirname "$0")/fault_process_lib.sh"
start_xvfb 1024x768
start_bus
write_settings EnableTimer=0 RandomMode=1 ChangeMethod=2 Hide2TrayIcon=1
# Each kill may leave at most one temporary behind a file being written at
# that moment; a start must clear them, so they never pile up.
max_temporaries=3

# pause_ms FROM TO: a random wait between FROM and TO milliseconds.
pause_ms() { sleep "$(printf '0.%03d' $((RANDOM % ($2 - $1 + 1) + $1)))"; }
# request I: one of the ways in, each ending in a save or a change.
request() {
    case $(($1 % 5)) in
    0) dw --pause && dw --resume ;;
    1) xdotool key F11 ;;
    2) dw --previous ;;
    *) dw --next ;;
    esac
}

started=0
for ((n = 1; n <= kills; n++)); do
    start_program
    if ((n % 2 == 0)); then
        # Killed while it starts: reading the settings, taking the lock.
        pause_ms 50 400
    else
        wait_for 10 running || fail "kill $n: the start did not run: $(cat "$T/err.log")"
        started=$((started + 1))
        request "$n" >/dev/null 2>&1 &
        client=$!
        pause_ms 0 300
    fi
    kill -KILL "$first"
    wait "$first" 2>/dev/null || true
    if [ -n "${client:-}" ]; then
        wait "$client" 2>/dev/null || true
        client=
    fi
    snapshot "$n"
    ((n % 50 == 0)) && echo "fault: $n kills"
done

python3 "$check" "$T/snapshots" "$T/pics" "$max_temporaries" || fail "the files were damaged"
rm -rf "$T/snapshots"

echo "fault: after $kills kills ($started after a full start) the program starts"
start_program
wait_for 10 running || fail "no start after the kills: $(cat "$T/err.log")"
dw --next || fail "--next after the kills failed"
wait_for 10 shows_current || fail "the root window is $(root_colour), not $(dw --current)"
dw --quit || fail "--quit failed"
ended_within 10 "$first" || fail "--quit did not end the program"
snapshot 0
python3 "$check" "$T/snapshots" "$T/pics" 0 || fail "temporary files left after a clean run"
echo "fault: kills ok"
