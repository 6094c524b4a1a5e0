#!/usr/bin/python3
"""HEIC files made by heif-enc and JPEG XL files made by cjxl, with the
colours each format's own decoder (heif-convert, djxl) gives them.

FORMAT make DIR        writes NAME.EXT, NAME.EXT.rgb (red-green-blue of
                       every pixel, top row first) and, for files with
                       alpha, NAME.EXT.alpha; prints "NAME WIDTH HEIGHT BITS
                       TOLERANCE" per file; NAME.src beside the lossless
                       files holds the colours the encoder was given
FORMAT reference FILE  writes FILE.rgb (and FILE.alpha) as the peer decodes
                       FILE (orientation applied) and prints "WIDTH HEIGHT"
FORMAT is heif or jxl.
"""
import os
import random
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oracle_common import rand_bytes, write_bytes  # noqa: E402

# heif-enc's lossless mode: no chroma subsampling, samples kept as RGB.
HEIF_LOSSLESS = ["-L", "-p", "chroma=444", "--matrix_coefficients=0"]
JXL_LOSSLESS = ["-d", "0", "-e", "3"]


def reference(kind, path):
    """The peer's decoding of PATH as 8-bit samples. heif-convert writes 16
    bits for deep files; ImageMagick rounds them to 8."""
    png = path + ".peer.png"
    if kind == "heif":
        subprocess.run(["heif-convert", path, png], check=True, capture_output=True)
    else:
        subprocess.run(["djxl", path, png, "--bits_per_sample=8"], check=True,
                       capture_output=True)
    with Image.open(png) as im:
        width, height = im.size
        alpha = "A" in im.mode
    subprocess.run(["convert", png, "-depth", "8", "rgb:" + path + ".rgb"], check=True)
    if alpha:
        subprocess.run(["convert", png, "-alpha", "extract", "-depth", "8",
                        "gray:" + path + ".alpha"], check=True)
    os.remove(png)
    return width, height


class Maker:
    def __init__(self, kind, folder):
        self.kind = kind
        self.ext = ".heic" if kind == "heif" else ".jxl"
        self.folder = folder
        self.rng = random.Random(19)

    def path(self, name, ext):
        return os.path.join(self.folder, name + ext)

    def source(self, name, mode, width, height, smooth=False):
        """Random samples, or smooth ones for the lossy cases."""
        if smooth:
            data = bytearray()
            for y in range(height):
                for x in range(width):
                    data += bytes((x * 255 // width, y * 255 // height, (x + y) * 4 % 256,
                                   255 - x * 5 % 256)[:len(mode)])
        else:
            data = rand_bytes(self.rng, width * height * len(mode))
        im = Image.frombytes(mode, (width, height), bytes(data))
        im.save(self.path(name, ".png"))
        return im

    def encode(self, name, args, bits, tolerance, source=None):
        out = self.path(name, self.ext)
        png = self.path(name, ".png")
        command = (["heif-enc"] + args + [png, "-o", out] if self.kind == "heif"
                   else ["cjxl", png, out] + args)
        subprocess.run(command, check=True, capture_output=True)
        width, height = reference(self.kind, out)
        if source is not None:
            write_bytes(self.path(name, ".src"), source.convert("RGB").tobytes())
        print(name, width, height, bits, tolerance)

    def make_heif(self):
        # Odd sizes: the coded picture is padded to whole blocks and cropped.
        self.encode("rgb_lossless", HEIF_LOSSLESS, 24, 0, self.source("rgb_lossless", "RGB", 23, 15))
        self.encode("rgba_lossless", HEIF_LOSSLESS, 32, 0,
                    self.source("rgba_lossless", "RGBA", 17, 9))
        self.source("rgb_lossy", "RGB", 31, 20, smooth=True)
        self.encode("rgb_lossy", ["-q", "90"], 24, 0)
        self.source("rgba_lossy", "RGBA", 40, 33, smooth=True)
        self.encode("rgba_lossy", ["-q", "80"], 32, 0)
        self.source("grey_lossy", "L", 9, 27, smooth=True)
        self.encode("grey_lossy", ["-q", "90"], 24, 0)
        # Ten bits a sample from a 16-bit source: we keep the top eight where
        # ImageMagick rounds heif-convert's sixteen.
        subprocess.run(["convert", "-size", "21x13", "gradient:#102030-#f0e0d0", "-depth", "16",
                        self.path("rgb_10bit", ".png")], check=True)
        self.encode("rgb_10bit", ["-q", "95", "-b", "10"], 24, 1)

    def make_jxl(self):
        for name, mode, width, height, extra in (
                ("rgb_lossless", "RGB", 23, 15, []),
                ("rgba_lossless", "RGBA", 17, 9, []),
                ("grey_lossless", "L", 9, 27, []),
                # Several 256 x 256 groups, decoded on the worker threads.
                ("rgb_groups", "RGB", 530, 301, []),
                ("rgb_container", "RGB", 12, 11, ["--container=1"])):
            self.encode(name, JXL_LOSSLESS + extra, 32 if "A" in mode else 24, 0,
                        self.source(name, mode, width, height))
        # XYB-coded lossy pictures come back converted to sRGB by both.
        self.source("rgb_lossy", "RGB", 31, 20, smooth=True)
        self.encode("rgb_lossy", ["-d", "1"], 24, 1)
        self.source("rgba_lossy", "RGBA", 40, 33, smooth=True)
        self.encode("rgba_lossy", ["-d", "1.5"], 32, 1)


if __name__ == "__main__":
    kind, command, argument = sys.argv[1:4]
    if command == "make":
        maker = Maker(kind, argument)
        maker.make_heif() if kind == "heif" else maker.make_jxl()
    else:
        print(*reference(kind, argument))
