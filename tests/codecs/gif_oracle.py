#!/usr/bin/python3
"""GIF files made by Pillow and ImageMagick, with the colours each image
must decode to, and Pillow's reading of the files we write.

make DIR          writes NAME.gif and NAME.N.rgb (red-green-blue of every
                  pixel of image N, from 1, top row first); prints
                  "NAME WIDTH HEIGHT IMAGES" per file
decode FILE N     writes FILE.N.rgb, Pillow's colours of image N (from 1),
                  and prints "WIDTH HEIGHT IMAGES"
--screen make DIR writes NAME.gif, files whose first image lies at an offset
                  on a larger screen, and NAME.screen.rgb, the screen as a
                  viewer shows it; prints "NAME WIDTH HEIGHT IMAGES"
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


def blocks(data):
    """Offsets of the first image descriptor, after the screen descriptor,
    global table and any extensions."""
    pos = 13 + (3 * (2 << (data[10] & 7)) if data[10] & 0x80 else 0)
    while data[pos] == 0x21:
        pos += 2
        while data[pos]:
            pos += 1 + data[pos]
        pos += 1
    assert data[pos] == 0x2C
    return pos


def place(data, screen, left, top, background=None, local=None):
    """Moves the first image of a Pillow file to (left, top) on a screen of
    size `screen`; `background` sets the background index, `local` (a flat
    palette) gives the screen a global table of its own and moves the
    image's colours to a local table."""
    data = bytearray(data)
    at = blocks(data)
    data[at + 1:at + 5] = bytes((left & 255, left >> 8, top & 255, top >> 8))
    data[6:10] = bytes((screen[0] & 255, screen[0] >> 8, screen[1] & 255, screen[1] >> 8))
    if local is not None:
        size = data[10] & 7
        table = data[13:13 + 3 * (2 << size)]
        data[at + 9] = (data[at + 9] & 0x78) | 0x80 | size
        data[at + 10:at + 10] = table
        data[13:13 + len(table)] = bytes(local) + bytes(len(table) - len(local))
    if background is not None:
        data[11] = background
    return bytes(data)


def expected_screen(path):
    """Pillow's first image on the screen, with what lies around the image in
    the global table's background colour (Pillow leaves colour 0 there)."""
    im = Image.open(path)
    rgb = bytearray(im.convert("RGB").tobytes())
    data = open(path, "rb").read()
    if data[10] & 0x80:
        at = blocks(data)
        left, top = data[at + 1] | data[at + 2] << 8, data[at + 3] | data[at + 4] << 8
        w, h = data[at + 5] | data[at + 6] << 8, data[at + 7] | data[at + 8] << 8
        bg = bytes(data[13 + 3 * data[11]:16 + 3 * data[11]])
        for y in range(im.size[1]):
            for x in range(im.size[0]):
                if not (left <= x < left + w and top <= y < top + h):
                    rgb[3 * (y * im.size[0] + x):3 * (y * im.size[0] + x) + 3] = bg
    return im.size, getattr(im, "n_frames", 1), bytes(rgb)


def make_screens(folder):
    m = Maker(folder)
    files = []
    # ImageMagick: a 3x3 image at +10+20 on a 100x100 screen, then a whole
    # screen image; and one image placed with -page.
    subprocess.run(["convert", "(", "-size", "3x3", "xc:red", "-set", "page", "100x100+10+20",
                    ")", "(", "-size", "100x100", "xc:white", "-set", "page", "100x100+0+0",
                    ")", m.path("magick_tiny_first")], check=True)
    files.append("magick_tiny_first")
    im, _ = m.indexed(20, 11, 6)
    im.convert("RGB").save(m.path("tmp_in", ".png"))
    subprocess.run(["convert", "-page", "40x30+17+9", m.path("tmp_in", ".png"),
                    m.path("magick_page")], check=True)
    os.remove(m.path("tmp_in", ".png"))
    files.append("magick_page")
    # An image reaching past the screen's corner: the canvas grows to hold it.
    subprocess.run(["convert", "-page", "100x100+90+90", "-size", "30x30", "xc:red", "-page",
                    "100x100+0+0", "-size", "100x100", "xc:white", m.path("magick_past_screen")],
                   check=True)
    files.append("magick_past_screen")
    # Pillow files moved on larger screens: a background other than colour
    # 0; an image with its own table around which the background is a
    # colour that table lacks; an image in the far corner.
    im, _ = m.indexed(16, 9, 5)
    im.save(m.path("tmp"), interlace=False, optimize=False)
    pillow = open(m.path("tmp"), "rb").read()
    os.remove(m.path("tmp"))
    for name, data in (
            ("placed_background", place(pillow, (30, 20), 4, 3, background=7)),
            ("placed_local", place(pillow, (25, 17), 6, 2, background=1,
                                   local=[1, 2, 3, 250, 251, 252])),
            ("placed_corner", place(pillow, (12, 9), 3, 4, background=15))):
        write_bytes(m.path(name), data)
        files.append(name)
    for name in files:
        size, images, rgb = expected_screen(m.path(name))
        write_bytes(m.path(name, ".screen.rgb"), rgb)
        print(name, size[0], size[1], images)


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
    if sys.argv[1] == "--screen":
        make_screens(sys.argv[3])
    elif sys.argv[1] == "make":
        make(sys.argv[2])
    else:
        decode(sys.argv[2], sys.argv[3])
