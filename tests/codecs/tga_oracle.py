#!/usr/bin/python3
"""Targa files for the Targa codec tests, and the peers' reading of ours.

make DIR   writes NAME.tga with NAME.rgb (the pixels, top row first, 3 bytes
           each) into DIR and prints "NAME WIDTH HEIGHT BITS" per file, BITS
           being the depth the picture must load at. ImageMagick and Pillow
           write colour-mapped, grey and true-colour files, raw and run-length
           coded, bottom-up and top-down.
check TGA RGB [--fields555] PEER...
           decodes TGA with each named peer (pillow, magick) and compares
           with RGB (with --fields555 only the top 5 bits of each channel);
           exit 0 when all agree, 1 when one does not.
"""
import os
import struct
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import oracle_common  # noqa: E402
from oracle_common import check_peers, colour, pillow_rgb, write_bytes  # noqa: E402

W, H = 13, 7


def five_bit(v):
    # A 5-bit field (the top bits of v) widened by repeating its top bits.
    return (v & 0xF8) | (v >> 5)


def magick_rgb(path):
    # ImageMagick keeps a bottom-up file's rows as stored and notes the
    # orientation beside them; -auto-orient puts the top row first.
    return oracle_common.magick_rgb(path, "-auto-orient")


def make(folder):
    cases = []
    true_rgb = b"".join(bytes(((x * 19 + y * 7) % 256, (x * y * 11) % 256, (255 - x * 13) % 256))
                        for y in range(H) for x in range(W))
    true_image = Image.frombytes("RGB", (W, H), true_rgb)
    # Runs for the run-length coders: the left half of each row is one colour.
    runs_rgb = b"".join(bytes(colour(y) if x < 7 else colour(x * 5 + y))
                        for y in range(H) for x in range(W))
    runs_image = Image.frombytes("RGB", (W, H), runs_rgb)
    forty_rgb = b"".join(bytes(colour((x * 3 + y * 5 + x * y) % 40 if x > 4 else y))
                         for y in range(H) for x in range(W))
    forty_image = Image.frombytes("RGB", (W, H), forty_rgb)
    grey = bytes((x * 17 + y * 29) % 256 if x > 5 else y * 30 for y in range(H) for x in range(W))
    grey_rgb = bytes(v for g in grey for v in (g, g, g))
    rgb555 = bytes(five_bit(v) for v in true_rgb)

    def emit(name, bits, rgb):
        write_bytes(os.path.join(folder, name + ".rgb"), rgb)
        cases.append((name, bits))

    def magick(name, image, args, bits, rgb):
        # ImageMagick writes its rows in the order it holds them and the
        # orientation it is told in the header: a bottom-up file needs its
        # rows flipped first. Pillow must read each file the same.
        source = os.path.join(folder, name + ".ppm")
        image.save(source)
        path = os.path.join(folder, name + ".tga")
        subprocess.run(["convert", source] + args + [path], check=True)
        if bits == 16:
            # ImageMagick rounds to 5 bits its own way: the pixels are what
            # the peers read, each 5-bit field widened as ours are.
            rgb = bytes(five_bit(v) for v in pillow_rgb(path))
            assert bytes(v >> 3 for v in magick_rgb(path)) == bytes(v >> 3 for v in rgb), name
        assert pillow_rgb(path) == rgb or bits == 16, name
        emit(name, bits, rgb)

    top = ["-orient", "TopLeft"]
    bottom = ["-flip", "-orient", "BottomLeft"]

    magick("im_mapped", forty_image, top + ["-type", "palette"], 8, forty_rgb)
    magick("im_mapped_rle", forty_image, bottom + ["-type", "palette", "-compress", "RLE"], 8,
           forty_rgb)
    magick("im24", true_image, bottom + ["-type", "truecolor"], 24, true_rgb)
    magick("im24_rle", runs_image, top + ["-type", "truecolor", "-compress", "RLE"], 24, runs_rgb)
    magick("im32", true_image, top + ["-alpha", "on"], 32, true_rgb)
    magick("im16", Image.frombytes("RGB", (W, H), rgb555), bottom + ["-depth", "5"], 16, rgb555)
    magick("im_grey_rle", Image.frombytes("L", (W, H), grey), top + ["-compress", "RLE"], 8,
           grey_rgb)

    def pillow(name, image, bits, rgb, **options):
        image.save(os.path.join(folder, name + ".tga"), **options)
        emit(name, bits, rgb)

    pillow("pil_mapped", forty_image.quantize(colors=40), 8, forty_rgb)
    pillow("pil_mapped_rle", forty_image.quantize(colors=40), 8, forty_rgb, compression="tga_rle")
    pillow("pil_grey", Image.frombytes("L", (W, H), grey), 8, grey_rgb)
    pillow("pil_grey_rle", Image.frombytes("L", (W, H), grey), 8, grey_rgb,
           compression="tga_rle")
    pillow("pil24", true_image, 24, true_rgb)
    pillow("pil24_topdown", true_image, 24, true_rgb, orientation=1)
    pillow("pil24_rle", runs_image, 24, runs_rgb, compression="tga_rle")
    pillow("pil32_rle", runs_image.convert("RGBA"), 32, runs_rgb, compression="tga_rle",
           orientation=1)

    # What neither peer writes is built byte by byte, and each peer that
    # reads it must agree (Pillow refuses right-to-left files).
    def built(name, bits, rgb, data, peers, shift=0, alpha=None):
        path = os.path.join(folder, name + ".tga")
        write_bytes(path, data)
        emit(name, bits, rgb)
        for peer in peers:
            got = {"pillow": pillow_rgb, "magick": magick_rgb}[peer](path)
            assert bytes(v >> shift for v in got) == bytes(v >> shift for v in rgb), (name, peer)
        if alpha is not None:
            write_bytes(os.path.join(folder, name + ".alpha"), alpha)
            if "pillow" in peers:
                with Image.open(path) as im:
                    assert im.convert("RGBA").tobytes()[3::4] == alpha, name

    def pixels(values, size, right_to_left, bottom_up):
        # The rows of VALUES (SIZE bytes a pixel, top row first) in the
        # order the file keeps them.
        rows = [values[y * W * size:(y + 1) * W * size] for y in range(H)]
        if right_to_left:
            rows = [b"".join(r[x * size:(x + 1) * size] for x in reversed(range(W))) for r in rows]
        return rows[::-1] if bottom_up else rows

    bgr = bytes(v for i in range(0, len(true_rgb), 3) for v in true_rgb[i:i + 3][::-1])
    for name, descriptor in (("rtl24_topright", 0x30), ("rtl24_bottomright", 0x10)):
        built(name, 24, true_rgb,
              header(2, 24, descriptor) + b"".join(pixels(bgr, 3, True, descriptor < 0x20)),
              ["magick"])
    runs_bgr = bytes(v for i in range(0, len(runs_rgb), 3) for v in runs_rgb[i:i + 3][::-1])
    built("rtl24_bottomright_rle", 24, runs_rgb,
          header(10, 24, 0x10) + b"".join(rle(r, 3) for r in pixels(runs_bgr, 3, True, True)),
          ["magick"])
    # 40 colours: a map of 40 entries, index per pixel.
    table = [colour(i) for i in range(40)]
    index = bytes(table.index(tuple(forty_rgb[i:i + 3])) for i in range(0, len(forty_rgb), 3))
    entries24 = b"".join(bytes(c[::-1]) for c in table)
    built("rtl_mapped_topright", 8, forty_rgb,
          header(1, 8, 0x30, 24, len(table)) + entries24 +
          b"".join(pixels(index, 1, True, False)), ["magick"])

    # Grey then alpha, 16 bits a pixel: 32-bit pictures. ImageMagick reads
    # these as 16-bit grey without alpha, and Pillow refuses right-to-left
    # files: the last one has no peer, its two halves being checked above.
    alpha = bytes((x * 41 + y * 3) % 256 for y in range(H) for x in range(W))
    pairs = bytes(v for g, a in zip(grey, alpha) for v in (g, a))
    built("grey_alpha", 32, grey_rgb,
          header(3, 16, 0x28) + b"".join(pixels(pairs, 2, False, False)),
          ["pillow"], alpha=alpha)
    built("grey_alpha_rle", 32, grey_rgb,
          header(11, 16, 0x08) + b"".join(rle(r, 2) for r in pixels(pairs, 2, False, True)),
          ["pillow"], alpha=alpha)
    built("grey_alpha_rle_topright", 32, grey_rgb,
          header(11, 16, 0x38) + b"".join(rle(r, 2) for r in pixels(pairs, 2, True, False)),
          [], alpha=alpha)

    # Colour maps of 15- and 16-bit entries (x-r-g-b 1-5-5-5, the top bit
    # set in some to show it is no colour) and of 32-bit ones.
    def five(c, top):
        v = top << 15 | (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | c[2] >> 3
        return v.to_bytes(2, "little")

    rgb15 = bytes(five_bit(v) for v in forty_rgb)
    # Pillow takes no colours from a 15-bit map and fails on a 32-bit one.
    for name, bits, peers in (("map15", 15, ["magick"]), ("map16", 16, ["pillow", "magick"])):
        entries = b"".join(five(c, i % 2 if bits == 16 else 0) for i, c in enumerate(table))
        built(name, 8, rgb15, header(1, 8, 0x20, bits, len(table)) + entries +
              b"".join(pixels(index, 1, False, False)), peers, shift=3)
    entries = b"".join(five(c, 1) for c in table)
    built("map16_rle", 8, rgb15, header(9, 8, 0x00, 16, len(table)) + entries +
          b"".join(rle(r, 1) for r in pixels(index, 1, False, True)), ["pillow", "magick"],
          shift=3)
    entries32 = b"".join(bytes(c[::-1]) + b"\xff" for c in table)
    built("map32", 8, forty_rgb, header(1, 8, 0x20, 32, len(table)) + entries32 +
          b"".join(pixels(index, 1, False, False)), ["magick"])

    for name, bits in cases:
        print(name, W, H, bits)


def header(image_type, bits, descriptor, entry_bits=0, entries=0):
    """An 18-byte header for a W x H picture, its colour map starting at 0."""
    return struct.pack("<BBBHHBHHHHBB", 0, 1 if entries else 0, image_type, 0, entries,
                       entry_bits, 0, 0, W, H, bits, descriptor)


def rle(row, size):
    """ROW (SIZE bytes a pixel) run-length coded: runs of two or more as run
    packets, the rest as raw packets."""
    pixels = [row[i:i + size] for i in range(0, len(row), size)]
    out, i = bytearray(), 0
    while i < len(pixels):
        n = 1
        while n < 128 and i + n < len(pixels) and pixels[i + n] == pixels[i]:
            n += 1
        if n > 1:
            out += bytes((0x80 | (n - 1),)) + pixels[i]
        else:
            while n < 128 and i + n < len(pixels) and (
                    i + n + 1 >= len(pixels) or pixels[i + n] != pixels[i + n + 1]):
                n += 1
            out += bytes((n - 1,)) + b"".join(pixels[i:i + n])
        i += n
    return bytes(out)


def check(path, rgb, fields555, peers):
    return check_peers(path, rgb, {"pillow": pillow_rgb, "magick": magick_rgb}, peers,
                       3 if fields555 else 0)


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2])
        sys.exit(0)
    if sys.argv[1] == "check":
        args = sys.argv[4:]
        fields = "--fields555" in args
        sys.exit(check(sys.argv[2], sys.argv[3], fields, [a for a in args if a != "--fields555"]))
    sys.exit(2)
