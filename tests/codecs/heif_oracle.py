#!/usr/bin/python3
"""HEIC files made by heif-enc, with the colours heif-convert decodes them
to, and heif-convert's reading of files made elsewhere.

make DIR        writes NAME.heic, NAME.rgb (red-green-blue of every pixel,
                top row first) and, for files with alpha, NAME.alpha; prints
                "NAME WIDTH HEIGHT BITS TOLERANCE" per file; NAME.src beside
                the lossless files holds the colours heif-enc was given
reference FILE  writes FILE.rgb (and FILE.alpha when it has alpha) as
                heif-convert decodes FILE and prints "WIDTH HEIGHT"
"""
import os
import random
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oracle_common import rand_bytes, write_bytes  # noqa: E402

# heif-enc's lossless mode: no chroma subsampling, samples kept as RGB.
LOSSLESS = ["-L", "-p", "chroma=444", "--matrix_coefficients=0"]


def reference(path):
    """heif-convert's decoding of PATH (rotation and mirror applied), as
    ImageMagick reads the PNG it writes (8 bits, rounded from 16)."""
    png = path + ".peer.png"
    subprocess.run(["heif-convert", path, png], check=True, capture_output=True)
    with Image.open(png) as im:
        width, height = im.size
        alpha = "A" in im.mode
    subprocess.run(["convert", png, "-depth", "8", "rgb:" + path + ".rgb"], check=True)
    if alpha:
        subprocess.run(["convert", png, "-alpha", "extract", "-depth", "8",
                        "gray:" + path + ".alpha"], check=True)
    os.remove(png)
    return width, height, alpha


class Maker:
    def __init__(self, folder):
        self.folder = folder
        self.rng = random.Random(19)

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
        heic = self.path(name, ".heic")
        subprocess.run(["heif-enc"] + args + [self.path(name, ".png"), "-o", heic],
                       check=True, capture_output=True)
        width, height, _ = reference(heic)
        if source is not None:
            write_bytes(self.path(name, ".src"), source.convert("RGB").tobytes())
        print(name, width, height, bits, tolerance)

    def make(self):
        # Odd sizes: the coded picture is padded to whole blocks and cropped.
        im = self.source("rgb_lossless", "RGB", 23, 15)
        self.encode("rgb_lossless", LOSSLESS, 24, 0, im)
        im = self.source("rgba_lossless", "RGBA", 17, 9)
        self.encode("rgba_lossless", LOSSLESS, 32, 0, im)
        self.source("rgb_lossy", "RGB", 31, 20, smooth=True)
        self.encode("rgb_lossy", ["-q", "90"], 24, 0)
        self.source("rgba_lossy", "RGBA", 40, 33, smooth=True)
        self.encode("rgba_lossy", ["-q", "80"], 32, 0)
        self.source("grey_lossy", "L", 9, 27, smooth=True)
        self.encode("grey_lossy", ["-q", "90"], 24, 0)
        # Ten bits a sample from a 16-bit source; we keep the top eight
        # where ImageMagick rounds heif-convert's 16-bit output.
        deep = self.path("rgb_10bit", ".png")
        subprocess.run(["convert", "-size", "21x13", "gradient:#102030-#f0e0d0",
                        "-depth", "16", deep], check=True)
        self.encode("rgb_10bit", ["-q", "95", "-b", "10"], 24, 1)


def make(folder):
    Maker(folder).make()


def reference_command(path):
    width, height, _ = reference(path)
    print(width, height)


if __name__ == "__main__":
    {"make": make, "reference": reference_command}[sys.argv[1]](sys.argv[2])
