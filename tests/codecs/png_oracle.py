#!/usr/bin/python3
"""PNG files made by Pillow and ImageMagick, with the pixels a reader must
produce from each, and Pillow's reading of the files we write.

make DIR      writes NAME.png, NAME.expect (the picture's bytes, one index
              byte per pixel at 8 bits or fewer, else blue-green-red[-alpha])
              and NAME.pal (red-green-blue triples) where the file has a
              palette; prints "NAME WIDTH HEIGHT BITS" per file, BITS 0 for a
              file that must be refused
decode FILE   writes FILE.rgba (Pillow's RGBA reading) and prints its mode
"""
import os
import random
import subprocess
import sys
import zlib

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oracle_common import rand_bytes, write_bytes  # noqa: E402

W, H = 13, 7


def bgr(rgb):
    out = bytearray()
    for i in range(0, len(rgb), 3):
        out += bytes((rgb[i + 2], rgb[i + 1], rgb[i]))
    return bytes(out)


def header(path):
    """Bit depth, colour type and interlace method of the file, and whether
    it has a tRNS chunk."""
    data = open(path, "rb").read()
    return data[24], data[25], data[28], b"tRNS" in data


def add_chunk(path, kind, body):
    """Puts a chunk into the file right after its IHDR."""
    data = open(path, "rb").read()
    chunk = len(body).to_bytes(4, "big") + kind + body
    chunk += zlib.crc32(chunk[4:]).to_bytes(4, "big")
    write_bytes(path, data[:33] + chunk + data[33:])


class Maker:
    def __init__(self, folder):
        self.folder = folder
        self.rng = random.Random(4)

    def path(self, name, ext):
        return os.path.join(self.folder, name + ext)

    def emit(self, name, bits, expect=b"", palette=None):
        write_bytes(self.path(name, ".expect"), expect)
        if palette is not None:
            write_bytes(self.path(name, ".pal"), bytes(palette))
        print(name, W, H, bits)

    def magick(self, args):
        subprocess.run(["convert"] + args, check=True)

    def adam7(self, name, depth, colour_type, form=""):
        """NAME rewritten interlaced by ImageMagick with the same depth and
        colour type, as NAME_adam7; FORM is its output prefix ("PNG8:"),
        without which it will not write a 2-bit palette."""
        out = form + self.path(name + "_adam7", ".png")
        self.magick([self.path(name, ".png"), "-interlace", "PNG", "-define",
                     f"png:bit-depth={depth}", "-define", f"png:color-type={colour_type}", out])
        return out

    def expect_kind(self, path, depth, colour_type, interlace, trns=False):
        got = header(path)
        if got != (depth, colour_type, interlace, trns):
            sys.exit(f"{path}: depth, colour type, interlace, tRNS are {got}")

    def grey(self):
        v = rand_bytes(self.rng, W * H)
        Image.frombytes("L", (W, H), v).save(self.path("grey8", ".png"))
        self.emit("grey8", 8, v)
        ones = bytes(self.rng.randrange(2) for _ in range(W * H))
        Image.frombytes("L", (W, H), bytes(b * 255 for b in ones)).convert("1").save(
            self.path("grey1", ".png"))
        self.emit("grey1", 1, ones)
        # Levels that 4 bits hold exactly.
        nib = bytes(self.rng.randrange(16) for _ in range(W * H))
        raw = self.path("grey4", ".raw")
        write_bytes(raw, bytes(n * 17 for n in nib))
        self.magick(["-size", f"{W}x{H}", "-depth", "8", "gray:" + raw, "-define",
                     "png:color-type=0", "-define", "png:bit-depth=4",
                     self.path("grey4", ".png")])
        self.emit("grey4", 4, nib)
        wide = [self.rng.randrange(65536) for _ in range(W * H)]
        im = Image.new("I;16", (W, H))
        im.putdata(wide)
        im.save(self.path("grey16", ".png"))
        self.emit("grey16", 8, bytes(x >> 8 for x in wide))
        # Grey with a transparent level: blue-green-red-alpha.
        Image.frombytes("L", (W, H), v).save(self.path("grey8_trns", ".png"), transparency=v[0])
        self.emit("grey8_trns", 32,
                  b"".join(bytes((x, x, x, 0 if x == v[0] else 255)) for x in v))
        # Four levels at 2 bits, widened to the 8-bit ramp.
        quarter = bytes(self.rng.randrange(4) for _ in range(W * H))
        raw = self.path("grey2", ".raw")
        write_bytes(raw, bytes(n * 85 for n in quarter))
        self.magick(["-size", f"{W}x{H}", "-depth", "8", "gray:" + raw, "-define",
                     "png:color-type=0", "-define", "png:bit-depth=2",
                     self.path("grey2", ".png")])
        self.expect_kind(self.path("grey2", ".png"), 2, 0, 0)
        self.emit("grey2", 8, bytes(n * 85 for n in quarter))
        self.expect_kind(self.adam7("grey2", 2, 0), 2, 0, 1)
        self.emit("grey2_adam7", 8, bytes(n * 85 for n in quarter))
        # 16-bit grey with a transparent level: the level is matched on all
        # 16 bits, then the low byte goes.
        wide[1] = wide[0] ^ 1  # differs from the key in the low byte only
        im = Image.new("I;16", (W, H))
        im.putdata(wide)
        im.save(self.path("grey16_trns", ".png"))
        # Pillow writes no tRNS for 16-bit grey; it goes in after IHDR.
        add_chunk(self.path("grey16_trns", ".png"), b"tRNS", wide[0].to_bytes(2, "big"))
        self.expect_kind(self.path("grey16_trns", ".png"), 16, 0, 0, True)
        keyed = b"".join(bytes((x >> 8,) * 3 + (0 if x == wide[0] else 255,)) for x in wide)
        self.emit("grey16_trns", 32, keyed)
        self.expect_kind(self.adam7("grey16_trns", 16, 0), 16, 0, 1, True)
        self.emit("grey16_trns_adam7", 32, keyed)
        # Grey with alpha at 8 and 16 bits: blue-green-red-alpha.
        alpha = rand_bytes(self.rng, W * H)
        la = Image.merge("LA", (Image.frombytes("L", (W, H), v),
                                Image.frombytes("L", (W, H), alpha)))
        la.save(self.path("grey_alpha", ".png"))
        self.expect_kind(self.path("grey_alpha", ".png"), 8, 4, 0)
        grey_alpha = b"".join(bytes((x, x, x, a)) for x, a in zip(v, alpha))
        self.emit("grey_alpha", 32, grey_alpha)
        self.expect_kind(self.adam7("grey_alpha", 8, 4), 8, 4, 1)
        self.emit("grey_alpha_adam7", 32, grey_alpha)
        samples = rand_bytes(self.rng, W * H * 4)
        raw = self.path("grey_alpha16", ".raw")
        rgba = bytearray()
        for i in range(0, len(samples), 4):
            rgba += samples[i:i + 2] * 3 + samples[i + 2:i + 4]
        write_bytes(raw, bytes(rgba))
        self.magick(["-size", f"{W}x{H}", "-depth", "16", "-endian", "MSB", "rgba:" + raw,
                     "-define", "png:bit-depth=16", "-define", "png:color-type=4",
                     self.path("grey_alpha16", ".png")])
        self.expect_kind(self.path("grey_alpha16", ".png"), 16, 4, 0)
        grey_alpha = b"".join(bytes((samples[i],) * 3 + (samples[i + 2],))
                              for i in range(0, len(samples), 4))
        self.emit("grey_alpha16", 32, grey_alpha)
        self.expect_kind(self.adam7("grey_alpha16", 16, 4), 16, 4, 1)
        self.emit("grey_alpha16_adam7", 32, grey_alpha)

    def palette(self):
        for name, colours, bits in (("pal8", 256, 8), ("pal4", 16, 4), ("pal1", 2, 1)):
            pal = list(rand_bytes(self.rng, colours * 3))
            idx = bytes(self.rng.randrange(colours) for _ in range(W * H))
            im = Image.frombytes("P", (W, H), idx)
            im.putpalette(pal)
            im.save(self.path(name, ".png"))
            self.emit(name, bits, idx, pal)
        pal = list(rand_bytes(self.rng, 4 * 3))
        idx = bytes(self.rng.randrange(4) for _ in range(W * H))
        im = Image.frombytes("P", (W, H), idx)
        im.putpalette(pal)
        im.save(self.path("pal2", ".png"))
        self.expect_kind(self.path("pal2", ".png"), 2, 3, 0)
        self.emit("pal2", 8, idx, pal)
        # ImageMagick may order the palette its own way: Pillow's reading of
        # its file gives the indices and colours.
        self.adam7("pal2", 2, 3, "PNG8:")
        path = self.path("pal2_adam7", ".png")
        self.expect_kind(path, 2, 3, 1)
        with Image.open(path) as im:
            im.load()
            self.emit("pal2_adam7", 8, im.tobytes(), im.getpalette()[:12])
        # tRNS with fewer entries than the palette: the rest are opaque.
        pal = list(rand_bytes(self.rng, 256 * 3))
        idx = bytes(self.rng.randrange(256) for _ in range(W * H))
        alpha = rand_bytes(self.rng, 10)
        im = Image.frombytes("P", (W, H), idx)
        im.putpalette(pal)
        im.save(self.path("pal8_trns", ".png"), transparency=alpha)
        out = bytearray()
        for i in idx:
            out += bytes((pal[3 * i + 2], pal[3 * i + 1], pal[3 * i],
                          alpha[i] if i < len(alpha) else 255))
        self.emit("pal8_trns", 32, bytes(out))

    def colour(self):
        rgb = rand_bytes(self.rng, W * H * 3)
        Image.frombytes("RGB", (W, H), rgb).save(self.path("rgb8", ".png"))
        self.emit("rgb8", 24, bgr(rgb))
        self.magick([self.path("rgb8", ".png"), "-interlace", "PNG",
                     "PNG24:" + self.path("rgb8_adam7", ".png")])
        self.emit("rgb8_adam7", 24, bgr(rgb))
        key = tuple(rgb[0:3])
        Image.frombytes("RGB", (W, H), rgb).save(self.path("rgb8_trns", ".png"), transparency=key)
        out = bytearray()
        for i in range(0, len(rgb), 3):
            out += bytes((rgb[i + 2], rgb[i + 1], rgb[i], 0 if tuple(rgb[i:i + 3]) == key else 255))
        self.emit("rgb8_trns", 32, bytes(out))
        rgba = rand_bytes(self.rng, W * H * 4)
        Image.frombytes("RGBA", (W, H), rgba).save(self.path("rgba8", ".png"))
        swapped = bytearray(rgba)
        swapped[0::4], swapped[2::4] = rgba[2::4], rgba[0::4]
        self.emit("rgba8", 32, bytes(swapped))
        self.magick([self.path("rgba8", ".png"), "-interlace", "PNG",
                     "PNG32:" + self.path("rgba8_adam7", ".png")])
        self.emit("rgba8_adam7", 32, bytes(swapped))
        # 16 bits per channel: the low byte is dropped.
        wide = rand_bytes(self.rng, W * H * 6)
        raw = self.path("rgb16", ".raw")
        write_bytes(raw, wide)
        self.magick(["-size", f"{W}x{H}", "-depth", "16", "-endian", "MSB", "rgb:" + raw,
                     "PNG48:" + self.path("rgb16", ".png")])
        self.emit("rgb16", 24, bgr(wide[0::2]))


def make(folder):
    m = Maker(folder)
    m.grey()
    m.palette()
    m.colour()


def decode(path):
    im = Image.open(path)
    im.load()
    write_bytes(path + ".rgba", im.convert("RGBA").tobytes())
    print(im.mode, im.size[0], im.size[1], im.info.get("interlace", 0))


if __name__ == "__main__":
    {"make": make, "decode": decode}[sys.argv[1]](sys.argv[2])
