# Shared set-up of the data fault scripts (disk, folder, settings file),
# sourced after `program=$1` (on top of e2e_lib.sh): the script runs again in
# a private mount namespace, so the small file systems and read-only mounts
# it makes vanish with it; the desktop is GNOME on GSettings' keyfile
# backend, read back with gsettings.

# The script again, in a mount namespace of its own (unshare -m as root, in
# a user namespace otherwise); status 77 (skipped) when neither is allowed.
if [ -z "${DRAPEWELL_FAULT_NS:-}" ]; then
    export DRAPEWELL_FAULT_NS=1
    if [ "$(id -u)" -eq 0 ] && unshare -m --propagation private true 2>/dev/null; then
        exec unshare -m --propagation private "$0" "$@"
    fi
    if unshare -rm --propagation private true 2>/dev/null; then
        exec unshare -rm --propagation private "$0" "$@"
    fi
    echo "SKIP: no private mount namespace here (unshare -m and unshare -rm refused)"
    exit 77
fi

program=$1
source "$(dirname "$0")/e2e_lib.sh"
command -v gsettings >/dev/null || fail "gsettings is not installed"
# Mounts made by the script, undone (lazily: the program may still hold
# them) before the temporary tree goes.
mounts=()
fault_cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    for ((m = ${#mounts[@]} - 1; m >= 0; m--)); do umount -l "${mounts[m]}" 2>/dev/null || true; done
    cleanup
}
trap fault_cleanup EXIT

export XDG_CURRENT_DESKTOP=GNOME GSETTINGS_BACKEND=keyfile
data=$XDG_DATA_HOME/Drapewell
mkdir -p "$data"
dw() { "$T/drapewell" "$@"; }
running() { dw --current >/dev/null 2>&1; }
desktop_picture() { gsettings get org.gnome.desktop.background picture-uri; }
# colour_of FILE: the colour of the picture's top-left pixel.
colour_of() { convert "$1" -crop 1x1+0+0 +repage -depth 8 txt:- | grep -Eo '#[0-9A-Fa-f]{6}' | head -n 1; }
staged_colour_is() { [ "$(colour_of "$data/MyWallPaper.bmp" 2>/dev/null)" = "$1" ]; }
desktop_is_staging() { desktop_picture | grep -q "MyWallPaper"; }
# told REASON: how many times the program told a failure with REASON.
told() { grep -c "drapewell: cannot show .*$1" "$T/first.log" || true; }
