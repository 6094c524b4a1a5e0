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

    for name, bits in cases:
        print(name, W, H, bits)


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
