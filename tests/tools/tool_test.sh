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

# WebP and AVIF from their reference encoders, losslessly, and back.
if command -v cwebp >/dev/null && command -v avifenc >/dev/null; then
    cwebp -quiet -lossless "$dir/in.png" -o "$dir/in.webp"
    avifenc -l -d 10 "$dir/in.png" "$dir/in.avif" >/dev/null
    check "info of a WebP" bash -c "'$tool' info '$dir/in.webp' | tr '\n' ' ' | grep -q 'type: WebP width: 37 height: 23 bits: 24 .*header: type WebP size 37x23 bits 24 images 1'"
    check "info of a 10-bit AVIF" bash -c "'$tool' info '$dir/in.avif' | tr '\n' ' ' | grep -q 'type: AVIF width: 37 height: 23 bits: 24 .*header: type AVIF size 37x23 bits 30 images 1'"
    check "convert lossless WebP to PNG keeps every pixel" "$tool" convert "$dir/in.webp" "$dir/webp.png"
    check "  ... as ImageMagick reads it" same_pixels "$dir/in.png" "$dir/webp.png"
    check "convert lossless 10-bit AVIF to PNG keeps every pixel" "$tool" convert "$dir/in.avif" "$dir/avif.png"
    check "  ... as ImageMagick reads it" same_pixels "$dir/in.png" "$dir/avif.png"
    check "convert PNG to WebP, which dwebp reads" bash -c "'$tool' convert '$dir/in.png' '$dir/out.webp' && dwebp -quiet '$dir/out.webp' -o '$dir/dwebp.png'"
    check "convert PNG to AVIF, which avifdec reads" bash -c "'$tool' convert '$dir/in.png' '$dir/out.avif' && avifdec '$dir/out.avif' '$dir/avifdec.png' >/dev/null"
    head -c "$(($(stat -c %s "$dir/in.webp") / 2))" "$dir/in.webp" >"$dir/cut.webp"
    check "truncated WebP" fails_cleanly info "$dir/cut.webp"
fi

# apply: the staging bitmap goes to a data directory of the test's own, and
# no desktop of the developer's is ever touched (no display, or a private one).
export XDG_DATA_HOME="$dir/data"
staged="$dir/data/Drapewell/MyWallPaper.bmp"
check "apply of a missing file" env DISPLAY= bash -c "$(declare -f fails_cleanly); tool='$tool' dir='$dir' fails_cleanly apply '$dir/none.png' --method 2"
check "apply with an unknown method" fails_cleanly apply "$dir/in.png" --method 7
check "apply with an unknown position" fails_cleanly apply "$dir/in.png" --position left
check "apply without a display is refused, but staged" bash -c "
    DISPLAY= WAYLAND_DISPLAY= '$tool' apply '$dir/in.png' --method 2 >'$dir/out' 2>/dev/null
    [ \$? -eq 1 ] && grep -qx 'wallpaper: $staged' '$dir/out' && grep -q '^method 2 (.*): refused: ' '$dir/out'"
with_xvfb="$(dirname "$0")/../../scripts/with-xvfb"
if command -v Xvfb >/dev/null; then
    check "apply --method 2 under a virtual display" bash -c "
        '$with_xvfb' 640x480 '$tool' apply '$dir/in.png' --method 2 --position stretch >'$dir/out' &&
        grep -q '^method 2 (.*): accepted: ' '$dir/out' && grep -qx 'placement: center' '$dir/out'"
    check "  ... staged at the fitted size" bash -c "'$tool' info '$staged' | tr '\n' ' ' | grep -q 'width: 638 height: 397'"
    check "apply without --position centres, as its help says" bash -c "
        '$with_xvfb' 640x480 '$tool' apply '$dir/in.png' --method 2 >'$dir/out' &&
        grep -qx 'placement: center' '$dir/out'"
    check "  ... keeping the picture's own size" bash -c "'$tool' info '$staged' | tr '\n' ' ' | grep -q 'width: 37 height: 23'"
fi

# Operations of convert, checked against ImageMagick's reading of the result.
size_is() { [ "$(identify -format '%wx%h' "$1")" = "$2" ]; }
colours_are() { [ "$(identify -format '%k' "$1")" = "$2" ]; }
near_pixels() {  # near_pixels A B FUZZ: no pixel differs by more than FUZZ
    [ "$(compare -metric AE -fuzz "$3" "$1" "$2" null: 2>&1)" = "0" ]
}
convert -size 40x20 gradient:black-white -type Grayscale PNG24:"$dir/ramp.png"
check "info counts the colours" bash -c "'$tool' info '$dir/in.png' | grep -qx 'colours: $(identify -format %k "$dir/in.png")'"
check "--grey gives an 8-bit grey picture" bash -c "'$tool' convert '$dir/in.png' '$dir/grey.bmp' --grey && '$tool' info '$dir/grey.bmp' | grep -qx 'bits: 8'"
check "  ... with ImageMagick's grey levels" bash -c "convert '$dir/in.png' -grayscale Rec601Luma '$dir/im-grey.png' && [ \"\$(identify -format %[type] '$dir/grey.bmp')\" = Grayscale ] && compare -metric AE -fuzz 1% '$dir/grey.bmp' '$dir/im-grey.png' null: 2>&1 | grep -qx 0"
check "--bits 1 gives 2 colours" bash -c "'$tool' convert '$dir/ramp.png' '$dir/mono.bmp' --bits 1 && '$tool' info '$dir/mono.bmp' | tr '\n' ' ' | grep -q 'bits: 1 colours: 2'"
convert "$dir/ramp.png" -threshold 50% "$dir/im-mono.png"
check "  ... split at mid-grey" near_pixels "$dir/mono.bmp" "$dir/im-mono.png" 0
check "--bits 8 through the fixed palette" bash -c "'$tool' convert '$dir/in.png' '$dir/cube.bmp' --bits 8 && '$tool' info '$dir/cube.bmp' | grep -qx 'bits: 8'"
check "--to16 stays within one 5-bit step" bash -c "'$tool' convert '$dir/in.png' '$dir/w16.bmp' --to16 && '$tool' info '$dir/w16.bmp' | grep -qx 'bits: 16'"
check "  ... of every channel" near_pixels "$dir/w16.bmp" "$dir/in.png" 3.2%
check "--resize 10x10 keeps the aspect" bash -c "'$tool' convert '$dir/in.png' '$dir/small.bmp' --resize 10x10"
check "  ... giving 10x6" size_is "$dir/small.bmp" 10x6
check "--resize 10x10! is exact" bash -c "'$tool' convert '$dir/in.png' '$dir/exact.bmp' --resize '10x10!'"
check "  ... giving 10x10" size_is "$dir/exact.bmp" 10x10
for op in "--flip:-flip" "--mirror:-flop" "--rotate 90:-rotate 90" "--rotate -90:-rotate -90"; do
    ours=${op%%:*}
    theirs=${op#*:}
    check "$ours as ImageMagick's $theirs" bash -c "'$tool' convert '$dir/in.png' '$dir/op.png' $ours && convert '$dir/in.png' $theirs '$dir/im-op.png' && compare -metric AE '$dir/op.png' '$dir/im-op.png' null: 2>&1 | grep -qx 0"
done
check "--rotate 30 grows the canvas" bash -c "'$tool' convert '$dir/in.png' '$dir/tilt.bmp' --rotate 30"
check "  ... to hold the turned picture" size_is "$dir/tilt.bmp" 44x39
check "operations run in the order given" bash -c "'$tool' convert '$dir/in.png' '$dir/order.bmp' --resize '10x4!' --rotate 90"
check "  ... resize first, then turn" size_is "$dir/order.bmp" 4x10
check "--grey then --bits 1 leaves 2 colours" bash -c "'$tool' convert '$dir/ramp.png' '$dir/gm.png' --grey --bits 1"
check "  ... as ImageMagick counts them" colours_are "$dir/gm.png" 2
check "unknown operation" fails_cleanly convert "$dir/in.png" "$dir/x.bmp" --blur
check "unsupported --bits" fails_cleanly convert "$dir/in.png" "$dir/x.bmp" --bits 3
check "--rotate 180 refused" fails_cleanly convert "$dir/in.png" "$dir/x.bmp" --rotate 180
check "--resize without a height" fails_cleanly convert "$dir/in.png" "$dir/x.bmp" --resize 10
check "--resize to nothing" fails_cleanly convert "$dir/in.png" "$dir/x.bmp" --resize 0x5
check "--bits without a value" fails_cleanly convert "$dir/in.png" "$dir/x.bmp" --bits
check "--mirror of a 1-bit picture" fails_cleanly convert "$dir/mono.bmp" "$dir/x.bmp" --mirror

# Extensions that lie: the first bytes name the format once the extension's
# codec refuses the file.
cp "$dir/in.png" "$dir/png-named.jpg"
cp "$dir/in.jpg" "$dir/jpg-named.png"
check "info of a PNG named .jpg reads it as PNG" bash -c "'$tool' info '$dir/png-named.jpg' | tr '\n' ' ' | grep -q 'type: PNG width: 37 height: 23 bits: 24'"
check "info of a JPEG named .png reads it as JPEG" bash -c "'$tool' info '$dir/jpg-named.png' | tr '\n' ' ' | grep -q 'type: JPEG width: 37 height: 23 bits: 24'"
check "convert of a PNG named .jpg keeps every pixel" bash -c "'$tool' convert '$dir/png-named.jpg' '$dir/named.bmp'"
check "  ... as ImageMagick reads it" same_pixels "$dir/in.png" "$dir/named.bmp"
convert -size 9x7 xc:blue "$dir/gif-named.bmp.gif" && mv "$dir/gif-named.bmp.gif" "$dir/gif-named.bmp"
check "the header line of a GIF named .bmp" bash -c "'$tool' info '$dir/gif-named.bmp' | grep -q '^header: type GIF size 9x7'"

# 16-bit pictures go to formats without a 16-bit form at 24 bits.
for ext in png jpg tif pcx; do
    check "convert of a 16-bit BMP to .$ext" bash -c "'$tool' convert '$dir/w16.bmp' '$dir/w16.$ext' && '$tool' info '$dir/w16.$ext' | grep -qx 'bits: 24'"
done
check "  ... the PNG within one 5-bit step" near_pixels "$dir/w16.png" "$dir/in.png" 3.2%
check "convert of a 16-bit BMP to GIF is refused" fails_cleanly convert "$dir/w16.bmp" "$dir/w16.gif"

# A GIF whose first image is smaller than its screen: shown on the screen.
convert \( -size 3x3 xc:red -set page 100x100+10+20 \) \( -size 100x100 xc:white -set page 100x100+0+0 \) "$dir/tiny.gif"
check "info of a GIF with a tiny first image gives the screen" bash -c "'$tool' info '$dir/tiny.gif' | tr '\n' ' ' | grep -q 'type: GIF width: 100 height: 100 bits: 8'"
check "  ... as Pillow's first image" bash -c "'$tool' convert '$dir/tiny.gif' '$dir/tiny.png' && /usr/bin/python3 -c \"from PIL import Image; import sys; a = Image.open(sys.argv[1]).convert('RGB'); b = Image.open(sys.argv[2]).convert('RGB'); sys.exit(a.tobytes() != b.tobytes())\" '$dir/tiny.gif' '$dir/tiny.png'"
check "--frame 2 of it is the whole-screen image" bash -c "'$tool' convert '$dir/tiny.gif' '$dir/tiny2.bmp' --frame 2 && [ \"\$(identify -format %wx%h '$dir/tiny2.bmp')\" = 100x100 ]"
check "  ... as ImageMagick reads it" same_pixels "$dir/tiny2.bmp" "$dir/tiny.gif[1]"

# Selections confine the operations that follow them.
pixel() { convert "$1" -format "%[pixel:p{$2}]" info:; }
export -f pixel
check "--select-rect then --flip flips only the rectangle" bash -c "'$tool' convert '$dir/in.png' '$dir/sel.png' --select-rect 2,3,12,11 --flip && convert '$dir/in.png' \( +clone -crop 10x8+2+3 +repage -flip \) -geometry +2+3 -composite '$dir/im-sel.png' && compare -metric AE '$dir/sel.png' '$dir/im-sel.png' null: 2>&1 | grep -qx 0"
check "--select-ellipse leaves the box's corners alone" bash -c "'$tool' convert '$dir/in.png' '$dir/ell.png' --select-ellipse 0,0,9,9 --flip && [ \"\$(pixel '$dir/ell.png' 0,0)\" = \"\$(pixel '$dir/in.png' 0,0)\" ] && [ \"\$(pixel '$dir/ell.png' 5,1)\" = \"\$(pixel '$dir/in.png' 5,8)\" ]"
check "--select-rect with three numbers" fails_cleanly convert "$dir/in.png" "$dir/x.bmp" --select-rect 1,2,3
check "--select-ellipse with junk" fails_cleanly convert "$dir/in.png" "$dir/x.bmp" --select-ellipse 1,2,3,x

# The viewer.
check "show without a display" env DISPLAY= WAYLAND_DISPLAY= bash -c "$(declare -f fails_cleanly); tool='$tool' dir='$dir' fails_cleanly show '$dir/in.png'"
check "show with a zoom out of range" fails_cleanly show "$dir/in.png" --zoom 40
check "show with an unknown effect" fails_cleanly show "$dir/in.png" --transition 5,1,0,1
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
    # A transition of 23 one-second steps: only Escape ends it in time.
    check "show closes on Escape during a transition" timeout 15 "$with_xvfb" 320x240 bash -c "
        '$tool' show '$dir/in.png' --zoom 2 --transition 4,1,1000000,1 & pid=\$!
        window=\$(xdotool search --sync --onlyvisible --name in.png | head -1)
        xdotool windowfocus --sync \"\$window\" key Escape
        wait \$pid"
fi

# Editing operations.
check "--invert matches ImageMagick's -negate" bash -c "'$tool' convert '$dir/in.png' '$dir/neg.png' --invert && convert '$dir/in.png' -negate '$dir/im-neg.png' && compare -metric AE '$dir/neg.png' '$dir/im-neg.png' null: 2>&1 | grep -qx 0"
check "--combine with itself in mode 16 gives black" bash -c "'$tool' convert '$dir/in.png' '$dir/black.png' --combine '$dir/in.png,16,0,0' && [ \"\$(identify -format %[max] '$dir/black.png')\" = 0 ]"
check "--blur, --filter and --spherize in a row" "$tool" convert "$dir/in.png" "$dir/edit.bmp" --blur 5 --filter 16 --spherize 50 --brightness 50,mul
check "--kernel with too few weights" fails_cleanly convert "$dir/in.png" "$dir/x.bmp" --kernel 3,1,1,1
check "--diffuse of a 24-bit picture" fails_cleanly convert "$dir/in.png" "$dir/x.bmp" --diffuse 4
check "--blend with a missing file" fails_cleanly convert "$dir/in.png" "$dir/x.bmp" --blend "$dir/none.png,100,0,0"

# HEIF and JPEG XL: read, never written.
if command -v heif-enc >/dev/null && command -v cjxl >/dev/null; then
    heif-enc -q 90 "$dir/in.png" -o "$dir/in.heic" >/dev/null
    cjxl -d 0 "$dir/in.png" "$dir/in.jxl" >/dev/null 2>&1
    check "info of a HEIC" bash -c "'$tool' info '$dir/in.heic' | tr '\n' ' ' | grep -q 'type: HEIF width: 37 height: 23 bits: 24 .*header: type HEIF size 37x23 bits 24 images 1'"
    check "info of a JPEG XL" bash -c "'$tool' info '$dir/in.jxl' | tr '\n' ' ' | grep -q 'type: JXL width: 37 height: 23 bits: 24 .*header: type JXL size 37x23 bits 24'"
    check "a lossless JPEG XL converts to the PNG it was made from" bash -c "'$tool' convert '$dir/in.jxl' '$dir/from-jxl.png' && compare -metric AE '$dir/in.png' '$dir/from-jxl.png' null: 2>&1 | grep -qx 0"
    check "a HEIC converts to BMP" "$tool" convert "$dir/in.heic" "$dir/from-heic.bmp"
    check "a save as HEIC is refused" fails_cleanly convert "$dir/in.png" "$dir/out.heic"
    check "a save as JPEG XL is refused" fails_cleanly convert "$dir/in.png" "$dir/out.jxl"
fi
# Every failed load or save says why, after the usual start of the line.
says() {  # says LINE ARGS...: status 1 and exactly LINE on stderr
    local line=$1
    shift
    "$tool" "$@" >/dev/null 2>"$dir/err"
    local status=$?
    [ "$status" -eq 1 ] && [ "$(cat "$dir/err")" = "drapewell-tool: $line" ] ||
        { echo "  got status $status: $(cat "$dir/err")"; false; }
}
cp "$dir/cut.png" "$dir/cut-png.jpg"
head -c 300 "$dir/in.jpg" >"$dir/cut.jpg"
printf 'BM' >"$dir/short.bmp"
: >"$dir/empty.gif"
check "info of a missing file says so" says "$dir/none.png: cannot read it as PNG: no such file" info "$dir/none.png"
check "info of a cut PNG says truncated" says "$dir/cut.png: cannot read it as PNG: truncated" info "$dir/cut.png"
check "info of a cut JPEG says truncated" says "$dir/cut.jpg: cannot read it as JPEG: truncated" info "$dir/cut.jpg"
check "info of an empty file says so" says "$dir/empty.gif: cannot read it as GIF: empty file" info "$dir/empty.gif"
check "convert of a cut PNG named .jpg names the PNG" says "$dir/cut-png.jpg: cannot read it as JPEG: a PNG file named .jpg: truncated" convert "$dir/cut-png.jpg" "$dir/x.bmp"
check "convert of a two-byte BMP says truncated" says "$dir/short.bmp: cannot read it as BMP: truncated" convert "$dir/short.bmp" "$dir/x.png"
check "convert into a missing folder says so" says "$dir/no/such/dir/x.bmp: cannot write it as BMP: no such folder" convert "$dir/in.png" "$dir/no/such/dir/x.bmp"
check "convert of a 16-bit BMP to GIF says why" says "$dir/w16.gif: cannot write it as GIF: 16-bit pictures cannot be saved as GIF" convert "$dir/w16.bmp" "$dir/w16.gif"
check "--blend with a cut file says why" says "--blend: cannot read $dir/cut.png: truncated" convert "$dir/in.png" "$dir/x.bmp" --blend "$dir/cut.png,100,0,0"
check "apply of a cut file says why" env DISPLAY= bash -c "$(declare -f says); tool='$tool' dir='$dir' says '$dir/cut.png: cannot read it as PNG: truncated' apply '$dir/cut.png' --method 2"

echo "tool tests: $failures failed"
[ "$failures" -eq 0 ]
