#!/usr/bin/python3
"""JPEG files made by Pillow and ImageMagick, with Pillow's reading of each,
and Pillow's reading of the files we write.

make DIR      writes NAME.jpg and NAME.expect, Pillow's pixels in the
              picture's byte order: grey one byte, colour and CMYK (turned into
              colour by Pillow) blue-green-red; prints
              "NAME WIDTH HEIGHT BITS" per file
decode FILE   writes FILE.raw (Pillow's pixels as above) and prints
              "MODE WIDTH HEIGHT"
"""
import os
import subprocess
import sys

from PIL import Image

W, H = 37, 21


def smooth(channels):
    """Gradients with a few edges: lossy coding keeps them close."""
    out = bytearray()
    for y in range(H):
        for x in range(W):
            for c in range(channels):
                v = (x * 255 // (W - 1) * (c + 1) + y * 9 + (60 if x > W // 2 else 0)) % 256
                out.append(v)
    return bytes(out)


def picture_bytes(path):
    im = Image.open(path)
    im.load()
    data = im.tobytes()
    if im.mode == "L":
        return im, data
    if im.mode in ("RGB", "CMYK"):
        data = im.convert("RGB").tobytes()
        out = bytearray(data)
        out[0::3], out[2::3] = data[2::3], data[0::3]
        return im, bytes(out)
    raise SystemExit("unexpected mode " + im.mode)


def make(folder):
    def path(name):
        return os.path.join(folder, name)

    def emit(name):
        im, data = picture_bytes(path(name + ".jpg"))
        with open(path(name + ".expect"), "wb") as f:
            f.write(data)
        print(name, im.size[0], im.size[1], {"L": 8, "RGB": 24, "CMYK": 24}[im.mode])

    Image.frombytes("L", (W, H), smooth(1)).save(path("grey.jpg"), quality=90)
    emit("grey")
    rgb = Image.frombytes("RGB", (W, H), smooth(3))
    rgb.save(path("colour.jpg"), quality=90)
    emit("colour")
    rgb.save(path("progressive.jpg"), quality=90, progressive=True)
    emit("progressive")
    rgb.save(path("colour444.jpg"), quality=95, subsampling=0)
    emit("colour444")
    # Pillow stores inverted CMYK as it is (Adobe transform 0); ImageMagick
    # below stores it as YCCK (transform 2).
    Image.frombytes("CMYK", (W, H), smooth(4)).save(path("cmyk.jpg"), quality=90)
    emit("cmyk")
    rgb.save(path("source.png"))
    subprocess.run(["convert", path("source.png"), "-quality", "90", "-interlace", "JPEG",
                    path("magick_progressive.jpg")], check=True)
    emit("magick_progressive")
    subprocess.run(["convert", path("source.png"), "-colorspace", "CMYK", "-quality", "90",
                    path("magick_cmyk.jpg")], check=True)
    emit("magick_cmyk")
    # Dark and saturated colours, where dropping black shows most.
    subprocess.run(["convert", "-size", "%dx%d" % (W, H), "gradient:navy-orange",
                    "-colorspace", "CMYK", "-quality", "95", path("magick_cmyk_dark.jpg")],
                   check=True)
    emit("magick_cmyk_dark")
    subprocess.run(["convert", path("source.png"), "-colorspace", "Gray", "-quality", "90",
                    path("magick_grey.jpg")], check=True)
    emit("magick_grey")


def decode(file):
    im, data = picture_bytes(file)
    with open(file + ".raw", "wb") as f:
        f.write(data)
    print(im.mode, im.size[0], im.size[1])


if __name__ == "__main__":
    {"make": make, "decode": decode}[sys.argv[1]](sys.argv[2])
