#!/usr/bin/python3
"""TIFF files made by ImageMagick and Pillow (and a few laid out by hand
where neither writes the layout), with the upright colours a reader must
produce, and Pillow's reading of the files we write.

make DIR      writes NAME.tif and NAME.rgb (red-green-blue of every pixel,
              top row first, as ImageMagick shows it with -auto-orient);
              prints "NAME WIDTH HEIGHT BITS TOLERANCE" per file, BITS 0 for
              a file that must be refused; NAME.alpha (alpha, top row first)
              beside the sixteen-bit files with alpha
decode FILE   writes FILE.rgb (Pillow's colours) and prints
              "WIDTH HEIGHT COMPRESSION PHOTOMETRIC"
"""
import os
import random
import struct
import subprocess
import sys

from PIL import Image

W, H = 23, 14


def magick_rgb(path, out):
    subprocess.run(["convert", path, "-auto-orient", "-depth", "8", "rgb:" + out], check=True)
    size = subprocess.run(["convert", path + "[0]", "-auto-orient", "-format", "%w %h", "info:"],
                          check=True, capture_output=True, text=True).stdout.split()
    return int(size[0]), int(size[1])


def hand_tiff(path, width, height, bits, photometric, rows, colormap=None):
    """An uncompressed little-endian TIFF of one strip."""
    entries = [(256, 3, 1, width), (257, 3, 1, height), (258, 3, 1, bits), (259, 3, 1, 1),
               (262, 3, 1, photometric), (273, 4, 1, 0), (277, 3, 1, 1), (278, 3, 1, height),
               (279, 4, 1, len(rows))]
    if colormap is not None:
        entries.append((320, 3, len(colormap), 0))
    ifd_size = 2 + 12 * len(entries) + 4
    data_at = 8 + ifd_size
    map_at = data_at + len(rows)
    out = bytearray(b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", len(entries)))
    for tag, kind, count, value in entries:
        if tag == 273:
            value = data_at
        if tag == 320:
            value = map_at
        if kind == 3 and count == 1:
            out += struct.pack("<HHIHH", tag, kind, count, value, 0)
        else:
            out += struct.pack("<HHII", tag, kind, count, value)
    out += struct.pack("<I", 0) + rows
    if colormap is not None:
        out += struct.pack("<%dH" % len(colormap), *colormap)
    with open(path, "wb") as f:
        f.write(out)


class Maker:
    def __init__(self, folder):
        self.folder = folder
        self.rng = random.Random(5)

    def path(self, name, ext=".tif"):
        return os.path.join(self.folder, name + ext)

    def emit(self, name, bits, tolerance=0):
        w, h = magick_rgb(self.path(name), self.path(name, ".rgb"))
        print(name, w, h, bits, tolerance)

    def magick(self, name, source, args, bits, tolerance=0):
        subprocess.run(["convert", source] + args + [self.path(name)], check=True)
        self.emit(name, bits, tolerance)

    def sources(self):
        noise = bytes(self.rng.randrange(256) for _ in range(W * H * 3))
        Image.frombytes("RGB", (W, H), noise).save(self.path("noise", ".png"))
        # Smooth colours, for the lossy cases.
        smooth = bytearray()
        for y in range(H):
            for x in range(W):
                smooth += bytes((x * 255 // W, y * 255 // H, 128))
        Image.frombytes("RGB", (W, H), bytes(smooth)).save(self.path("smooth", ".png"))
        return self.path("noise", ".png"), self.path("smooth", ".png")

    def wide(self):
        """Sixteen-bit files: the low bytes are random, so a reader that
        takes them instead of the high ones is caught; ImageMagick rounds to
        eight bits where we keep the high byte, hence a tolerance of 1."""
        def netpbm(name, header, channels):
            values = [self.rng.randrange(65536) for _ in range(W * H * channels)]
            with open(self.path(name, ".pam"), "wb") as f:
                f.write(header + struct.pack(">%dH" % len(values), *values))
            return self.path(name, ".pam")
        rgb = netpbm("rgb16", b"P6\n%d %d\n65535\n" % (W, H), 3)
        rgba = netpbm("rgba16", b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 65535\n"
                      b"TUPLTYPE RGB_ALPHA\nENDHDR\n" % (W, H), 4)
        grey = netpbm("grey16", b"P5\n%d %d\n65535\n" % (W, H), 1)
        tiles = ["-define", "tiff:tile-geometry=16x16"]
        planar = ["-interlace", "plane"]
        for source, kind, bits in ((rgb, "rgb16", 24), (rgba, "rgba16", 32)):
            for compress in ("Zip", "LZW"):
                for layout, extra in (("strips", []), ("tiles", tiles), ("planar", planar),
                                      ("planar_tiles", planar + tiles)):
                    name = "%s_%s_%s" % (kind, compress.lower(), layout)
                    self.magick(name, source, ["-depth", "16", "-compress", compress] + extra,
                                bits, 1)
                    if bits == 32:
                        subprocess.run(["convert", self.path(name), "-alpha", "extract",
                                        "-depth", "8", "gray:" + self.path(name, ".alpha")],
                                       check=True)
        self.magick("rgb16_msb_tiles", rgb,
                    ["-depth", "16", "-define", "tiff:endian=msb"] + tiles, 24, 1)
        self.magick("grey16_zip", grey, ["-depth", "16", "-compress", "Zip"], 8, 1)
        self.magick("grey16_lzw_tiles", grey, ["-depth", "16", "-compress", "LZW"] + tiles, 8, 1)
        self.magick("grey16_miniswhite", grey, ["-depth", "16", "-define",
                                                "quantum:polarity=min-is-white"], 8, 1)
        self.magick("grey16_from_rgb", rgb, ["-depth", "16", "-type", "Grayscale"], 8, 1)

    def make(self):
        noise, smooth = self.sources()
        for o, tag in enumerate(("TopLeft", "TopRight", "BottomRight", "BottomLeft", "LeftTop",
                                 "RightTop", "RightBottom", "LeftBottom"), 1):
            self.magick("rgb_orient%d" % o, noise, ["-orient", tag, "-compress", "None"], 24)
        self.magick("rgb_lzw", noise, ["-compress", "LZW"], 24)
        self.magick("rgb_packbits", noise, ["-compress", "RLE"], 24)
        self.magick("rgb_deflate", noise, ["-compress", "Zip"], 24)
        self.magick("rgb_tiled", noise, ["-define", "tiff:tile-geometry=16x16"], 24)
        self.magick("rgb_jpeg", smooth, ["-compress", "JPEG", "-quality", "95"], 24, 3)
        self.magick("ycbcr_jpeg", smooth, ["-compress", "JPEG", "-quality", "95",
                                           "-define", "tiff:photometric=ycbcr"], 24, 3)
        self.magick("cmyk", noise, ["-colorspace", "CMYK"], 32, 1)
        self.magick("rgba", noise, ["-alpha", "set", "-channel", "A", "-evaluate", "set", "60%",
                                    "+channel"], 32)
        self.wide()
        self.magick("grey8_orient6", noise, ["-colorspace", "Gray", "-orient", "RightTop"], 8)
        self.magick("grey4", noise, ["-colorspace", "Gray", "-depth", "4"], 4)
        self.magick("bilevel_minisblack", noise, ["-type", "bilevel", "-depth", "1",
                                                  "-define", "quantum:polarity=min-is-black"], 1)
        self.magick("bilevel_miniswhite_g3", noise,
                    ["-type", "bilevel", "-depth", "1", "-compress", "Fax",
                     "-define", "quantum:polarity=min-is-white"], 1)
        self.magick("bilevel_orient8", noise, ["-type", "bilevel", "-depth", "1",
                                               "-orient", "LeftBottom"], 1)
        idx = bytes(self.rng.randrange(256) for _ in range(W * H))
        pal = [self.rng.randrange(256) for _ in range(768)]
        im = Image.frombytes("P", (W, H), idx)
        im.putpalette(pal)
        im.save(self.path("palette8"))  # a 16-bit colour map
        self.emit("palette8", 8, 1)
        im.save(self.path("palette8_lzw"), compression="tiff_lzw")
        self.emit("palette8_lzw", 8, 1)
        self.magick("palette4", self.path("palette8"), ["-colors", "16", "-depth", "4"], 4)
        # A colour map holding 8-bit values: taken as they are.
        hand_tiff(self.path("palette8_narrow"), W, H, 8, 3, idx,
                  pal[0::3] + pal[1::3] + pal[2::3])
        with open(self.path("palette8_narrow", ".rgb"), "wb") as f:
            f.write(b"".join(bytes(pal[3 * i:3 * i + 3]) for i in idx))
        print("palette8_narrow", W, H, 8, 0)
        Image.frombytes("L", (W, H), idx).save(self.path("grey8"))
        self.emit("grey8", 8)


def make(folder):
    Maker(folder).make()


def decode(path):
    im = Image.open(path)
    im.load()
    with open(path + ".rgb", "wb") as f:
        f.write(im.convert("RGB").tobytes())
    print(im.size[0], im.size[1], im.tag_v2.get(259), im.tag_v2.get(262))


if __name__ == "__main__":
    {"make": make, "decode": decode}[sys.argv[1]](sys.argv[2])
