#!/usr/bin/env bash
# drapewell-tool monitors and apply --monitors against real parts:
#   monitors_test.sh x11 TOOL   (run inside scripts/with-xvfb 640x480)
#   monitors_test.sh sway TOOL  (run inside scripts/with-sway)
# On X11 the monitors are made with `xrandr --setmonitor` (one of them
# portrait) and the root window is read back with `import`; on sway a second
# output is made with `swaymsg create_output` and each output is read back
# with `grim -o`. Every monitor must show its own picture, fitted to it.
set -u
session=$1
tool=$2
dir=$(mktemp -d)
chmod 0755 "$dir"
trap 'rm -rf "$dir"' EXIT
export XDG_DATA_HOME=$dir/data
failures=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

# The colour at X,Y of a captured picture, as RRGGBB.
pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6; }
# is FILE X Y RRGGBB...: the pixel is one of the colours.
is() {
    local got
    got=$(pixel "$1" "$2" "$3")
    shift 3
    for want in "$@"; do [ "$got" = "$want" ] && return 0; done
    echo "  pixel is $got, not $*" >&2
    return 1
}

# Landscape red, portrait green, landscape blue, and one half red half blue
# for spanning.
convert -size 600x400 xc:red "$dir/red.png"
convert -size 300x600 xc:lime "$dir/green.png"
convert -size 800x400 xc:blue "$dir/blue.png"
convert -size 300x400 xc:red -size 300x400 xc:blue +append "$dir/halves.png"
R=FF0000 G=00FF00 B=0000FF K=000000

if [ "$session" = x11 ]; then
    capture() { import -window root "$dir/root.png"; }
    apply() { "$tool" apply "$@" --method 2 --fit >"$dir/out" 2>&1 || { cat "$dir/out" >&2; return 1; }; capture; }

    # Two monitors on a 640x480 screen: L 400x300 at the left, P 200x400
    # portrait beside it; the rest of the screen is no monitor's.
    xrandr --setmonitor L 400/100x300/100+0+0 screen >/dev/null
    xrandr --setmonitor P 200/100x400/100+400+0 none >/dev/null
    check "monitors lists both, left to right, with their orientation" bash -c "
        [ \"\$('$tool' monitors)\" = \"\$(printf 'L 400x300+0+0 landscape\nP 200x400+400+0 portrait')\" ]"

    check "each: the pictures go to the monitors in order" apply "$dir/red.png" "$dir/green.png" --monitors each
    grep -q "monitor P: $dir/green.png" "$dir/out" || { echo "FAILED: each names P's picture"; failures=$((failures + 1)); }
    # red 600x400 fitted to 400x300 is 400x266, centred: rows 17 to 282.
    check "  L shows the red picture fitted, black bars above and below" bash -c "
        $(declare -f is pixel); is '$dir/root.png' 200 150 $R && is '$dir/root.png' 200 5 $K && is '$dir/root.png' 200 295 $K"
    check "  P shows the green picture filling the portrait monitor" bash -c "
        $(declare -f is pixel); is '$dir/root.png' 500 5 $G && is '$dir/root.png' 500 395 $G && is '$dir/root.png' 405 200 $G"
    check "  no monitor's area stays black" bash -c "
        $(declare -f is pixel); is '$dir/root.png' 200 400 $K && is '$dir/root.png' 620 200 $K && is '$dir/root.png' 500 450 $K"

    check "same: one picture fitted to each monitor" apply "$dir/red.png" --monitors same
    # On P the 3:2 picture is 200x133, centred at rows 133 to 266.
    check "  each monitor shows it fitted to its own size" bash -c "
        $(declare -f is pixel); is '$dir/root.png' 200 150 $R && is '$dir/root.png' 500 200 $R &&
        is '$dir/root.png' 500 100 $K && is '$dir/root.png' 500 300 $K"
    check "same is the default" apply "$dir/blue.png"
    check "  ... and also fits per monitor" bash -c "
        $(declare -f is pixel); is '$dir/root.png' 500 200 $B && is '$dir/root.png' 500 100 $K"

    check "span: one picture across both" apply "$dir/halves.png" --monitors span
    # The layout is 600x400: the picture fills it, L showing its left 400
    # columns and P the rest.
    check "  each monitor shows its part of it" bash -c "
        $(declare -f is pixel); is '$dir/root.png' 100 150 $R && is '$dir/root.png' 350 150 $B &&
        is '$dir/root.png' 500 390 $B && is '$dir/root.png' 200 350 $K"

    # Three monitors: a landscape one beside two portrait ones.
    xrandr --delmonitor L >/dev/null
    xrandr --delmonitor P >/dev/null
    xrandr --setmonitor A 320/100x240/100+0+0 screen >/dev/null
    xrandr --setmonitor B 160/100x240/100+320+0 none >/dev/null
    xrandr --setmonitor C 160/100x240/100+480+0 none >/dev/null
    check "three monitors listed" bash -c "[ \"\$('$tool' monitors | wc -l)\" = 3 ]"
    check "each on three monitors" apply "$dir/blue.png" "$dir/green.png" "$dir/red.png" --monitors each
    check "  every monitor shows its own picture" bash -c "
        $(declare -f is pixel); is '$dir/root.png' 160 120 $B && is '$dir/root.png' 400 120 $G &&
        is '$dir/root.png' 560 120 $R && is '$dir/root.png' 160 10 $K && is '$dir/root.png' 560 10 $K"
    check "each with fewer pictures than monitors starts again" apply "$dir/blue.png" "$dir/green.png" --monitors each
    check "  the third monitor shows the first picture" bash -c "
        $(declare -f is pixel); is '$dir/root.png' 560 120 $B"
    # GNOME on the keyfile backend: a picture per monitor becomes one picture
    # of the whole layout, spanned.
    gnome() {
        XDG_CURRENT_DESKTOP=GNOME GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME="$dir/config" "$@"
    }
    check "GNOME gets one picture of the layout for a picture per monitor" \
        gnome "$tool" apply "$dir/blue.png" "$dir/green.png" "$dir/red.png" --monitors each --method 1 --fit
    check "  with the spanned option" bash -c "
        [ \"\$($(declare -f gnome); dir='$dir'; gnome gsettings get org.gnome.desktop.background picture-options)\" = \"'spanned'\" ]"
    shown=$(gnome gsettings get org.gnome.desktop.background picture-uri | sed "s/^'file:\/\///; s/'$//")
    check "  the picture is the layout's size, each monitor's picture in its place" bash -c "
        $(declare -f is pixel); [ \"\$(identify -format %wx%h '$shown')\" = 640x240 ] &&
        is '$shown' 160 120 $B && is '$shown' 400 120 $G && is '$shown' 560 120 $R"
    check "GNOME gets the same picture for every monitor as before" \
        gnome "$tool" apply "$dir/red.png" --method 1 --fit
    check "  with no spanning" bash -c "
        [ \"\$($(declare -f gnome); dir='$dir'; gnome gsettings get org.gnome.desktop.background picture-options)\" != \"'spanned'\" ]"

    fails() { ! "$tool" "$@" >/dev/null 2>&1; }
    check "several files without --monitors each are refused" fails apply "$dir/red.png" "$dir/blue.png" --method 2
    check "an unknown --monitors is refused" fails apply "$dir/red.png" --monitors all --method 2
elif [ "$session" = sway ]; then
    swaymsg create_output >/dev/null
    swaymsg output HEADLESS-1 resolution 320x240 position 0 0 >/dev/null
    swaymsg output HEADLESS-2 resolution 200x300 position 320 0 >/dev/null
    check "monitors lists sway's two outputs" bash -c "
        [ \"\$('$tool' monitors)\" = \"\$(printf 'HEADLESS-1 320x240+0+0 primary landscape\nHEADLESS-2 200x300+320+0 portrait')\" ] ||
        { '$tool' monitors >&2; false; }"
    # Waits up to 5 s for OUTPUT to show COLOUR at X,Y.
    shows() {
        for _ in $(seq 1 50); do
            grim -o "$1" "$dir/$1.png" 2>/dev/null && [ "$(pixel "$dir/$1.png" "$2" "$3")" = "$4" ] && return 0
            sleep 0.1
        done
        echo "  $1 at $2,$3 is $(pixel "$dir/$1.png" "$2" "$3"), not $4" >&2
        return 1
    }
    check "each: a picture per output through sway" "$tool" apply "$dir/red.png" "$dir/green.png" --monitors each --method 3 --fit
    check "  HEADLESS-1 shows red, fitted with black bars" bash -c "
        $(declare -f shows pixel); dir='$dir'; shows HEADLESS-1 160 120 $R && shows HEADLESS-1 160 3 $K"
    check "  HEADLESS-2 shows green over the whole portrait output" bash -c "
        $(declare -f shows pixel); dir='$dir'; shows HEADLESS-2 100 150 $G && shows HEADLESS-2 100 5 $G"
    check "span: one picture across both outputs" "$tool" apply "$dir/halves.png" --monitors span --method 3 --fit
    # The layout is 520x300; the 600x400 picture fits it as 450x300 centred
    # at x 35: red up to x 259, blue beyond.
    check "  each output shows its part" bash -c "
        $(declare -f shows pixel); dir='$dir'; shows HEADLESS-1 100 120 $R && shows HEADLESS-1 300 120 $B &&
        shows HEADLESS-2 100 150 $B && shows HEADLESS-2 190 150 $K"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
