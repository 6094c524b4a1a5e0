#!/usr/bin/env bash
# The soak's sampler against processes whose figures are known, on a virtual
# X display:
#   scripts/with-xvfb 640x480 tests/app/soak_sample_test.sh
# Descriptors, children (a zombie among them), memory and pixmaps must each
# be counted for the process asked about and no other.
set -euo pipefail
sample=$(dirname "$0")/../../scripts/soak-sample
pids=()
# The children hold no descriptor of ours (ctest waits for its pipe to
# close), and the grandchildren go with them.
cleanup() {
    for p in "${pids[@]}"; do
        kill $(ps -o pid= --ppid "$p") "$p" 2>/dev/null || true
    done
}
trap cleanup EXIT
fail() { echo "soak_sample_test: FAILED: $*" >&2; exit 1; }
field() { "$sample" "$1" | cut -d' ' -f"$2"; }

sleep 60 >/dev/null 2>&1 &
plain=$!
pids+=($plain)
bash -c 'exec 5</dev/null 6</dev/null 7</dev/null; exec sleep 60' >/dev/null 2>&1 &
three_more=$!
pids+=($three_more)
# A child that ends and is never reaped: the exec'd sleep does not wait.
bash -c 'sleep 0.1 & sleep 60 & exec sleep 60' >/dev/null 2>&1 &
parent=$!
pids+=($parent)
python3 -c 'import time; b = bytearray(32 << 20); b[::4096] = b"x" * len(b[::4096]); time.sleep(60)' >/dev/null 2>&1 &
big=$!
pids+=($big)
trayer >/dev/null 2>&1 &
tray=$!
pids+=($tray)
sleep 1.5

echo "soak_sample_test: descriptors"
[ $(($(field "$three_more" 2) - $(field "$plain" 2))) -eq 3 ] ||
    fail "three more descriptors: $("$sample" "$three_more") against $("$sample" "$plain")"

echo "soak_sample_test: children, the zombie included"
ps -o stat= --ppid "$parent" | grep -q Z || fail "no zombie was made"
[ "$(field "$parent" 5)" -eq 2 ] || fail "children: $("$sample" "$parent")"
[ "$(field "$plain" 5)" -eq 0 ] || fail "a process without children: $("$sample" "$plain")"

echo "soak_sample_test: memory and threads"
[ "$(field "$big" 1)" -ge 32768 ] || fail "32 MiB touched: $("$sample" "$big")"
[ "$(field "$plain" 1)" -lt 32768 ] || fail "a sleep: $("$sample" "$plain")"
[ "$(field "$plain" 4)" -eq 1 ] || fail "threads of a sleep: $("$sample" "$plain")"

echo "soak_sample_test: pixmaps of this process's X clients only"
[ "$(field "$tray" 3)" -ge 1 ] || fail "the tray host holds no pixmap: $("$sample" "$tray")"
[ "$(field "$plain" 3)" -eq 0 ] || fail "a process without X: $("$sample" "$plain")"

echo "soak_sample_test: a process that is gone"
kill "$plain"
wait "$plain" 2>/dev/null || true
"$sample" "$plain" 2>/dev/null && fail "a sample of a process that ended"
echo "soak_sample_test: passed"
