#!/usr/bin/python3
"""JPEG XL files made by cjxl, with the colours djxl decodes them to, and
djxl's reading of files made elsewhere.

make DIR        writes NAME.jxl, NAME.jxl.rgb (red-green-blue of every
                pixel, top row first) and, for files with alpha,
                NAME.jxl.alpha; prints "NAME WIDTH HEIGHT BITS TOLERANCE" per
                file; NAME.src beside the lossless files holds the colours
                cjxl was given
reference FILE  writes FILE.rgb (and FILE.alpha when it has alpha) as djxl
                decodes FILE and prints "WIDTH HEIGHT"
"""
import os
import random
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oracle_common import rand_bytes, write_bytes  # noqa: E402


def reference(path):
    """djxl's decoding of PATH (orientation applied), 8 bits a sample."""
    png = path + ".peer.png"
    subprocess.run(["djxl", path, png, "--bits_per_sample=8"], check=True,
                   capture_output=True)
    with Image.open(png) as im:
        width, height = im.size
        alpha = "A" in im.mode
        write_bytes(path + ".rgb", im.convert("RGB").tobytes())
        if alpha:
            write_bytes(path + ".alpha", im.getchannel("A").tobytes())
    os.remove(png)
    return width, height, alpha


class Maker:
    def __init__(self, folder):
        self.folder = folder
        self.rng = random.Random(23)

    def path(self, name, ext):
        return os.path.join(self.folder, name + ext)

    def source(self, name, mode, width, height, smooth=False):
        channels = len(mode)
        if smooth:
            data = bytearray()
            for y in range(height):
                for x in range(width):
                    data += bytes((x * 255 // width, y * 255 // height, (x + y) * 4 % 256,
                                   255 - x * 5 % 256)[:channels])
            data = bytes(data)
        else:
            data = rand_bytes(self.rng, width * height * channels)
        im = Image.frombytes(mode, (width, height), data)
        im.save(self.path(name, ".png"))
        return im

    def encode(self, name, args, bits, tolerance, source=None):
        jxl = self.path(name, ".jxl")
        subprocess.run(["cjxl", self.path(name, ".png"), jxl] + args, check=True,
                       capture_output=True)
        width, height, _ = reference(jxl)
        if source is not None:
            write_bytes(self.path(name, ".src"), source.convert("RGB").tobytes())
        print(name, width, height, bits, tolerance)

    def make(self):
        lossless = ["-d", "0", "-e", "3"]
        im = self.source("rgb_lossless", "RGB", 23, 15)
        self.encode("rgb_lossless", lossless, 24, 0, im)
        im = self.source("rgba_lossless", "RGBA", 17, 9)
        self.encode("rgba_lossless", lossless, 32, 0, im)
        im = self.source("grey_lossless", "L", 9, 27)
        self.encode("grey_lossless", lossless, 24, 0, im)
        # Several groups of 256 x 256, decoded on the worker threads.
        im = self.source("rgb_groups", "RGB", 530, 301)
        self.encode("rgb_groups", lossless, 24, 0, im)
        im = self.source("rgb_container", "RGB", 12, 11)
        self.encode("rgb_container", lossless + ["--container=1"], 24, 0, im)
        # XYB-coded lossy pictures come back converted to sRGB by both.
        self.source("rgb_lossy", "RGB", 31, 20, smooth=True)
        self.encode("rgb_lossy", ["-d", "1"], 24, 1)
        self.source("rgba_lossy", "RGBA", 40, 33, smooth=True)
        self.encode("rgba_lossy", ["-d", "1.5"], 32, 1)


def make(folder):
    Maker(folder).make()


def reference_command(path):
    width, height, _ = reference(path)
    print(width, height)


if __name__ == "__main__":
    {"make": make, "reference": reference_command}[sys.argv[1]](sys.argv[2])
