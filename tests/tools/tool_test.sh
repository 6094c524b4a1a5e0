#!/usr/bin/env bash
# drapewell-tool against pictures ImageMagick makes: info reports the decoded
# size and depth, convert round-trips pixels exactly through BMP and PNG, and
# every failure is one line on stderr with status 1, never a crash.
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

convert -size 37x23 gradient:red-blue -depth 8 -type TrueColor PNG24:"$dir/in.png"
convert "$dir/in.png" -quality 92 "$dir/in.jpg"
convert "$dir/in.png" -type TrueColor BMP3:"$dir/in.bmp"

check "info of a PNG" bash -c "'$tool' info '$dir/in.png' | tr '\n' ' ' | grep -q 'type: PNG width: 37 height: 23 bits: 24'"
check "info of a JPEG" bash -c "'$tool' info '$dir/in.jpg' | tr '\n' ' ' | grep -q 'type: JPEG width: 37 height: 23 bits: 24'"
check "info of a BMP" bash -c "'$tool' info '$dir/in.bmp' | tr '\n' ' ' | grep -q 'type: BMP width: 37 height: 23 bits: 24'"

same_pixels() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }
check "convert PNG to BMP keeps every pixel" "$tool" convert "$dir/in.png" "$dir/out.bmp"
check "  ... as ImageMagick reads it" same_pixels "$dir/in.png" "$dir/out.bmp"
check "convert BMP to PNG keeps every pixel" "$tool" convert "$dir/out.bmp" "$dir/out.png"
check "  ... as ImageMagick reads it" same_pixels "$dir/in.png" "$dir/out.png"
check "convert JPEG to BMP" "$tool" convert "$dir/in.jpg" "$dir/jpg.bmp"

fails_cleanly() {  # fails_cleanly ARGS...: status 1 and exactly one line on stderr
    "$tool" "$@" >/dev/null 2>"$dir/err"
    local status=$?
    [ "$status" -eq 1 ] && [ "$(wc -l <"$dir/err")" -eq 1 ]
}
head -c 100 "$dir/in.png" >"$dir/cut.png"
printf 'not a picture' >"$dir/junk.bmp"
cp "$dir/out.bmp" "$dir/keep.bmp"
check "unknown input extension" fails_cleanly info "$dir/in.doc"
check "missing file" fails_cleanly info "$dir/none.png"
check "truncated PNG" fails_cleanly info "$dir/cut.png"
check "junk BMP" fails_cleanly convert "$dir/junk.bmp" "$dir/x.png"
check "unknown output extension" fails_cleanly convert "$dir/in.png" "$dir/out.doc"
check "unwritable target directory" fails_cleanly convert "$dir/in.png" "$dir/no/such/dir/x.bmp"
check "a failed save keeps the old file" bash -c "! '$tool' convert '$dir/cut.png' '$dir/keep.bmp' 2>/dev/null && cmp -s '$dir/keep.bmp' '$dir/out.bmp'"
check "no arguments" fails_cleanly

echo "tool tests: $failures failed"
[ "$failures" -eq 0 ]
