#!/usr/bin/python3
"""AVIF files made by avifenc at 8, 10 and 12 bits, with the pixels a reader
must produce from each (avifdec's reading at 8 bits), and avifdec's reading
of the files we write.

make DIR      writes NAME.avif, NAME.expect (avifdec's reading, rows top
              first, blue-green-red or blue-green-red-alpha) and NAME.source
              (the pixels that were encoded, same layout); prints "NAME
              WIDTH HEIGHT BITS TOLERANCE" per file, TOLERANCE the largest
              difference of any byte between avifdec's reading and the source
decode FILE   writes FILE.bgra (avifdec's reading at 8 bits, four bytes a
              pixel, rows top first) and prints the width and height
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


def avifdec_rgba(path):
    png = path + ".dec.png"
    run(["avifdec", "-d", "8", path, png])
    with Image.open(png) as im:
        im.load()
        size, alpha, rgba = im.size, "A" in im.mode, im.convert("RGBA").tobytes()
    os.remove(png)
    return size, alpha, rgba


def swap(rgba, alpha):
    out = bytearray()
    for i in range(0, len(rgba), 4):
        out += bytes((rgba[i + 2], rgba[i + 1], rgba[i]))
        if alpha:
            out.append(rgba[i + 3])
    return bytes(out)


def gradient(w, h, mode):
    px = [(255 * x // max(w - 1, 1), 255 * y // max(h - 1, 1), min(100 + 2 * x + y, 255),
           40 + 215 * y // max(h - 1, 1)) for y in range(h) for x in range(w)]
    im = Image.new("RGBA", (w, h))
    im.putdata(px)
    return im.convert(mode)


class Maker:
    def __init__(self, folder):
        self.folder = folder
        self.rng = random.Random(19)

    def path(self, name, ext):
        return os.path.join(self.folder, name + ext)

    def make(self, name, im, options, lossless_limit=None, later=()):
        """Encodes IM (followed by the frames LATER, for a sequence) with
        avifenc OPTIONS; for lossless files avifdec must read back the
        source within LOSSLESS_LIMIT."""
        png = self.path(name, ".png")
        im.save(png)
        frames = [png]
        for i, frame in enumerate(later):
            frames.append(self.path(f"{name}_{i}", ".png"))
            frame.save(frames[-1])
        avif = self.path(name, ".avif")
        run(["avifenc", "-j", "1", "-s", "8"] + options + frames + [avif])
        size, alpha, rgba = avifdec_rgba(avif)
        if size != im.size:
            sys.exit(f"{avif}: avifdec reads {size}")
        bits = 32 if alpha else 24
        source = swap(im.convert("RGBA").tobytes(), bits == 32)
        expect = swap(rgba, bits == 32)
        tolerance = max(abs(a - b) for a, b in zip(source, expect))
        if lossless_limit is not None and tolerance > lossless_limit:
            sys.exit(f"{avif}: avifdec strays {tolerance} from the lossless source")
        write_bytes(self.path(name, ".source"), source)
        write_bytes(self.path(name, ".expect"), expect)
        print(name, im.size[0], im.size[1], bits, tolerance)

    def random(self, w, h, mode):
        return Image.frombytes(mode, (w, h), rand_bytes(self.rng, w * h * len(mode)))


def make(folder):
    m = Maker(folder)
    m.make("lossless8", m.random(13, 7, "RGB"), ["-l"], 0)
    m.make("lossless8_alpha", m.random(9, 5, "RGBA"), ["-l"], 0)
    # Eight-bit samples widened to 10 or 12 bits come back exactly.
    m.make("lossless10", m.random(11, 6, "RGB"), ["-l", "-d", "10"], 0)
    m.make("lossless12_alpha", m.random(7, 9, "RGBA"), ["-l", "-d", "12"], 0)
    m.make("lossy420", gradient(45, 29, "RGB"), ["-y", "420", "--min", "8", "--max", "16"])
    m.make("lossy10_alpha", gradient(33, 21, "RGBA"), ["-d", "10", "--min", "8", "--max", "16"])
    m.make("lossy_odd", gradient(3, 17, "RGB"), ["-y", "420", "--min", "8", "--max", "16"])
    # A sequence (brand avis) gives its first image; avifenc adds an opaque
    # alpha plane to it.
    m.make("sequence", m.random(12, 8, "RGB"), ["-l"], 0, [m.random(12, 8, "RGB")])


def decode(path):
    size, _, rgba = avifdec_rgba(path)
    write_bytes(path + ".bgra", swap(rgba, True))
    print(size[0], size[1])


if __name__ == "__main__":
    {"make": make, "decode": decode}[sys.argv[1]](sys.argv[2])
