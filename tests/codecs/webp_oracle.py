#!/usr/bin/python3
"""WebP files made by cwebp, img2webp and webpmux, with the pixels a reader
must produce from each, and dwebp's reading of the files we write.

make DIR      writes NAME.webp, NAME.expect (the picture's rows top first,
              blue-green-red or blue-green-red-alpha, as the peer decodes
              them) and NAME.source (the pixels that were encoded, same
              layout); prints "NAME WIDTH HEIGHT BITS TOLERANCE" per file,
              TOLERANCE the largest difference of any byte between the
              peer's reading and the source (0 for lossless files)
decode FILE   writes FILE.bgra (dwebp's reading, four bytes a pixel, rows
              top first) and prints the width and height
"""
import os
import random
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oracle_common import rand_bytes, write_bytes  # noqa: E402


def run(args):
    subprocess.run(args, check=True, capture_output=True)


def read_pam(path):
    """Width, height and RGBA bytes of a PAM file as dwebp writes it."""
    data = open(path, "rb").read()
    end = data.index(b"ENDHDR\n") + len(b"ENDHDR\n")
    fields = dict(line.split(b" ", 1) for line in data[:end].split(b"\n")[1:-2])
    width, height = int(fields[b"WIDTH"]), int(fields[b"HEIGHT"])
    return width, height, data[end:]


def dwebp_rgba(path):
    run(["dwebp", "-quiet", "-pam", path, "-o", path + ".pam"])
    width, height, rgba = read_pam(path + ".pam")
    os.remove(path + ".pam")
    return width, height, rgba


def swap(rgba, alpha):
    """RGBA bytes as blue-green-red, with alpha when ALPHA."""
    out = bytearray()
    for i in range(0, len(rgba), 4):
        out += bytes((rgba[i + 2], rgba[i + 1], rgba[i]))
        if alpha:
            out.append(rgba[i + 3])
    return bytes(out)


def gradient(w, h, alpha):
    """Smooth colours that lossy coding keeps close."""
    px = []
    for y in range(h):
        for x in range(w):
            px.append((255 * x // max(w - 1, 1), 255 * y // max(h - 1, 1),
                       (128 + 60 * x // w - 60 * y // h) % 256, 64 + 191 * x // max(w - 1, 1)))
    im = Image.new("RGBA", (w, h))
    im.putdata(px)
    return im if alpha else im.convert("RGB")


class Maker:
    def __init__(self, folder):
        self.folder = folder
        self.rng = random.Random(19)

    def path(self, name, ext):
        return os.path.join(self.folder, name + ext)

    def emit(self, name, im, expect_rgba, bits):
        source = swap(im.convert("RGBA").tobytes(), bits == 32)
        expect = swap(expect_rgba, bits == 32)
        tolerance = max((abs(a - b) for a, b in zip(source, expect)), default=0)
        write_bytes(self.path(name, ".source"), source)
        write_bytes(self.path(name, ".expect"), expect)
        print(name, im.size[0], im.size[1], bits, tolerance)

    def still(self, name, im, options):
        png = self.path(name, ".png")
        im.save(png)
        webp = self.path(name, ".webp")
        run(["cwebp", "-quiet"] + options + [png, "-o", webp])
        width, height, rgba = dwebp_rgba(webp)
        if (width, height) != im.size:
            sys.exit(f"{webp}: dwebp reads {width}x{height}")
        lossless = "-lossless" in options
        if lossless and rgba != im.convert("RGBA").tobytes():
            sys.exit(f"{webp}: dwebp does not read the lossless source back")
        self.emit(name, im, rgba, 32 if im.mode == "RGBA" else 24)

    def random(self, w, h, mode):
        return Image.frombytes(mode, (w, h), rand_bytes(self.rng, w * h * len(mode)))

    def stills(self):
        self.still("lossless_rgb", self.random(31, 17, "RGB"), ["-lossless"])
        self.still("lossless_rgba", self.random(13, 7, "RGBA"), ["-lossless", "-exact"])
        self.still("lossless_1x1", self.random(1, 1, "RGB"), ["-lossless"])
        self.still("lossy_rgb", gradient(45, 29, False), ["-q", "90"])
        self.still("lossy_alpha", gradient(33, 21, True), ["-q", "90", "-alpha_q", "100"])
        self.still("lossy_odd", gradient(3, 101, False), ["-q", "90"])

    def animations(self):
        # Two full-canvas frames: the first is the picture.
        first, second = self.random(17, 9, "RGB"), self.random(17, 9, "RGB")
        first.save(self.path("f1", ".png"))
        second.save(self.path("f2", ".png"))
        anim = self.path("anim_full", ".webp")
        run(["img2webp", "-lossless", self.path("f1", ".png"), self.path("f2", ".png"),
             "-o", anim])
        self.check_pillow(anim, first.convert("RGBA").tobytes())
        self.emit("anim_full", first, first.convert("RGBA").tobytes(), 24)
        # A first frame smaller than the canvas, placed at (4, 2): the rest
        # of the canvas is transparent.
        small, large = self.random(8, 6, "RGB"), self.random(20, 12, "RGB")
        for name, im in (("small", small), ("large", large)):
            im.save(self.path(name, ".png"))
            run(["cwebp", "-quiet", "-lossless", self.path(name, ".png"), "-o",
                 self.path(name, ".webp")])
        anim = self.path("anim_offset", ".webp")
        run(["webpmux", "-frame", self.path("small", ".webp"), "+100+4+2", "-frame",
             self.path("large", ".webp"), "+100+0+0", "-o", anim])
        canvas = Image.new("RGBA", (20, 12), (0, 0, 0, 0))
        canvas.paste(small.convert("RGBA"), (4, 2))
        self.check_pillow(anim, canvas.tobytes())
        self.emit("anim_offset", canvas, canvas.tobytes(), 32)

    def check_pillow(self, path, rgba):
        """Pillow's first frame must show the same colours (it drops the
        transparency of a file without an alpha flag)."""
        with Image.open(path) as im:
            im.seek(0)
            got = im.convert("RGB").tobytes()
        want = bytes(b for i, b in enumerate(rgba) if i % 4 != 3)
        if got != want:
            sys.exit(f"{path}: Pillow reads the first frame differently")


def make(folder):
    m = Maker(folder)
    m.stills()
    m.animations()


def decode(path):
    width, height, rgba = dwebp_rgba(path)
    write_bytes(path + ".bgra", swap(rgba, True))
    print(width, height)


if __name__ == "__main__":
    {"make": make, "decode": decode}[sys.argv[1]](sys.argv[2])
