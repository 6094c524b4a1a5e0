#!/usr/bin/env bash
# One wallpaper change (method 2, the root window of a virtual display) for a
# picture whose name holds a line break, quotes, a shell's special
# characters, a leading dash and bytes that are not UTF-8: the desktop takes
# it, the staging bitmap holds it, and no file named after a piece of the name
# appears (nothing split it or handed it to a shell).
set -u
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

export XDG_DATA_HOME="$dir/data"
mkdir -p "$dir/pics/-rf"
# Run from the temporary folder: a shell handed the name would make its
# "pwned" files here.
cd "$dir" || exit 1
name="$dir/pics/-rf/$(printf '%s' '-x it'"'"'s "q" $(touch pwned);`touch pwned2` ')$(printf '\xff\xfe\nline.png')"
convert -size 37x23 gradient:red-blue -depth 8 -type TrueColor PNG24:"$name"

check "info reads the hostile name" bash -c '"$0" info "$1" | grep -q "width: 37"' "$tool" "$name"
check "apply --method 2 takes the hostile name" bash -c '
    "$0" 640x480 "$1" apply "$2" --method 2 >"$3/out" && grep -q "^method 2 (.*): accepted: " "$3/out"' \
    "$(dirname "$0")/../../scripts/with-xvfb" "$tool" "$name" "$dir"
check "  ... staged at the picture's size" bash -c \
    '"$0" info "$1" | tr "\n" " " | grep -q "width: 37 height: 23"' \
    "$tool" "$dir/data/Drapewell/MyWallPaper.bmp"
check "  ... and nothing ran a piece of the name" test ! -e "$dir/pwned" -a ! -e "$dir/pwned2"
check "a missing hostile name is refused in one line" bash -c '
    DISPLAY= "$0" apply "$1" --method 2 2>"$2/err" >/dev/null; [ $? -eq 1 ] && [ "$(wc -l <"$2/err")" -le 1 ]' \
    "$tool" "$name.missing.png" "$dir"

echo "hostile apply tests: $failures failed"
[ "$failures" -eq 0 ]
