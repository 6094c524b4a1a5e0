#!/usr/bin/python3
"""GIF files made by Pillow and ImageMagick, with the colours each image
must decode to, and Pillow's reading of the files we write.

make DIR          writes NAME.gif and NAME.N.rgb (red-green-blue of every
                  pixel of image N, from 1, top row first); prints
                  "NAME WIDTH HEIGHT IMAGES" per file
decode FILE N     writes FILE.N.rgb, Pillow's colours of image N (from 1),
                  and prints "WIDTH HEIGHT IMAGES"
"""
import os
import random
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oracle_common import rand_bytes, write_bytes  # noqa: E402

W, H = 21, 13


def rgb_of(indices, palette):
    out = bytearray()
    for i in indices:
        out += bytes(palette[3 * i:3 * i + 3])
    return bytes(out)


class Maker:
    def __init__(self, folder):
        self.folder = folder
        self.rng = random.Random(9)

    def path(self, name, ext=".gif"):
        return os.path.join(self.folder, name + ext)

    def emit(self, name, frames, w=W, h=H):
        for n, rgb in enumerate(frames, 1):
            write_bytes(self.path(name, ".%d.rgb" % n), rgb)
        print(name, w, h, len(frames))

    # Distinct colours, so that a writer cannot merge palette entries.
    def palette(self, colours):
        seen, pal = set(), []
        while len(pal) < colours:
            c = tuple(rand_bytes(self.rng, 3))
            if c not in seen:
                seen.add(c)
                pal.append(c)
        return [v for c in pal for v in c]

    def indexed(self, colours, w=W, h=H):
        pal = self.palette(colours)
        idx = bytearray(rand_bytes(self.rng, w * h, colours))
        # Every colour in use, so none is dropped by an optimising writer.
        for i in range(min(colours, len(idx))):
            idx[i] = i
        im = Image.frombytes("P", (w, h), bytes(idx))
        im.putpalette(pal)
        return im, rgb_of(idx, pal)

    def pillow(self):
        for name, colours in (("pillow_p8", 256), ("pillow_p4", 16), ("pillow_p2", 4)):
            im, rgb = self.indexed(colours)
            im.save(self.path(name), interlace=False, optimize=False)
            self.emit(name, [rgb])
        # Interlaced, at heights whose passes are partly or wholly empty.
        for h in (1, 2, 5, 9, 13):
            im, rgb = self.indexed(32, W, h)
            name = "pillow_interlaced_h%d" % h
            im.save(self.path(name), interlace=True, optimize=False)
            self.emit(name, [rgb], W, h)
        ones = bytes(self.rng.randrange(2) for _ in range(W * H))
        Image.frombytes("L", (W, H), bytes(b * 255 for b in ones)).convert("1").save(
            self.path("pillow_bilevel"))
        self.emit("pillow_bilevel", [b"".join(bytes((b * 255,) * 3) for b in ones)])
        # Several images with transparency and a delay.
        frames, rgbs = [], []
        for _ in range(3):
            im, rgb = self.indexed(64)
            frames.append(im)
            rgbs.append(rgb)
        frames[0].save(self.path("pillow_anim"), save_all=True, append_images=frames[1:],
                       duration=120, transparency=5, loop=0, disposal=2, optimize=False)
        self.emit("pillow_anim", rgbs)

    def magick(self):
        # Separate pictures of different colours: the later images carry
        # their own colour tables.
        rgbs, inputs = [], []
        for n in range(3):
            im, rgb = self.indexed(40 + 50 * n)
            p = self.path("magick_in%d" % n, ".png")
            im.convert("RGB").save(p)
            inputs.append(p)
            rgbs.append(rgb)
        subprocess.run(["convert", "-delay", "30"] + inputs + [self.path("magick_local")],
                       check=True)
        self.emit("magick_local", rgbs)
        im, rgb = self.indexed(200, 300, 200)
        p = self.path("magick_big", ".png")
        im.convert("RGB").save(p)
        subprocess.run(["convert", p, "-interlace", "GIF", self.path("magick_big")], check=True)
        self.emit("magick_big", [rgb], 300, 200)

    def no_table(self):
        # A stream with neither a global nor a local colour table: the
        # indices show through the grey palette the decoder starts with.
        im, _ = self.indexed(16)
        im.save(self.path("tmp_table"), interlace=False, optimize=False)
        data = bytearray(open(self.path("tmp_table"), "rb").read())
        os.remove(self.path("tmp_table"))
        packed = data[10]
        size = 3 * (2 << (packed & 7)) if packed & 0x80 else 0
        data[10] = packed & 0x70
        del data[13:13 + size]
        write_bytes(self.path("no_table"), data)
        idx = Image.open(self.path("no_table")).tobytes()
        self.emit("no_table", [b"".join(bytes((i, i, i)) for i in idx)])


def make(folder):
    m = Maker(folder)
    m.pillow()
    m.magick()
    m.no_table()


def decode(path, n):
    im = Image.open(path)
    im.seek(int(n) - 1)
    write_bytes("%s.%s.rgb" % (path, n), im.convert("RGB").tobytes())
    print(im.size[0], im.size[1], getattr(im, "n_frames", 1))


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2])
    else:
        decode(sys.argv[2], sys.argv[3])
