#!/usr/bin/env python3
"""Peer-made bitmaps for the BMP codec tests.

make DIR   writes bitmaps made by ImageMagick (and Pillow when installed) into
           DIR, each NAME.bmp with NAME.rgb (the expected pixels, top row
           first, 3 bytes each), and prints one line per case:
           NAME WIDTH HEIGHT BITS
check BMP RGB [--fields565]
           decodes BMP with Pillow and compares it with RGB; exit 0 when
           equal, 1 when not, 77 when Pillow is missing.
"""
import os
import struct
import subprocess
import sys

W, H = 13, 7


def expand(f, bits):
    # The usual widening of a 5- or 6-bit field; such values survive a
    # 5-6-5 round trip whether the writer truncates or rounds.
    return (f << (8 - bits)) | (f >> (2 * bits - 8))


def truecolour(x, y):
    return (expand((x * 5 + y) % 32, 5), expand((y * 9 + x * 3) % 64, 6), expand((x * y + 7) % 32, 5))


def palette_image(colours):
    table = [truecolour(i % W, i // W) for i in range(colours)]
    return [[table[(x + y * 3) % colours] for x in range(W)] for y in range(H)]


def write_ppm(path, rows):
    with open(path, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (W, H))
        for row in rows:
            for p in row:
                f.write(bytes(p))


def write_rgb(path, rows):
    with open(path, "wb") as f:
        for row in rows:
            for p in row:
                f.write(bytes(p))


def header(path):
    d = open(path, "rb").read()
    off, size = struct.unpack_from("<II", d, 10)
    bits, comp = struct.unpack_from("<HI", d, 28)
    return d, off, size, bits, comp


def make_top_down(src, dst):
    d, off, size, bits, comp = header(src)
    w, h = struct.unpack_from("<ii", d, 18)
    stride = ((w * bits + 31) // 32) * 4
    rows = [d[off + i * stride: off + (i + 1) * stride] for i in range(h)]
    out = bytearray(d[:off]) + b"".join(reversed(rows)) + d[off + h * stride:]
    struct.pack_into("<i", out, 22, -h)
    open(dst, "wb").write(out)


def make_v4(src, dst):
    # A 124-byte header cut to its first 108 bytes is a valid 108-byte one.
    d, off, size, bits, comp = header(src)
    assert size == 124
    out = bytearray(d[:14 + 108]) + d[14 + 124:]
    struct.pack_into("<I", out, 2, len(out))
    struct.pack_into("<I", out, 10, off - 16)
    struct.pack_into("<I", out, 14, 108)
    open(dst, "wb").write(out)


def make(directory):
    cases = []
    true_rows = [[truecolour(x, y) for x in range(W)] for y in range(H)]
    sources = {
        "two": [[(255, 255, 255) if (x + 2 * y) % 3 else (0, 0, 0) for x in range(W)] for y in range(H)],
        "ten": palette_image(10),
        "forty": palette_image(40),
        "true": true_rows,
    }
    for name, rows in sources.items():
        write_ppm(os.path.join(directory, name + ".ppm"), rows)

    def im(name, source, args, bits, header_size):
        path = os.path.join(directory, name + ".bmp")
        subprocess.run(["convert", os.path.join(directory, source + ".ppm")] + args + [path], check=True)
        d, off, size, b, comp = header(path)
        assert (b, size) == (bits, header_size), (name, b, size)
        write_rgb(os.path.join(directory, name + ".rgb"), sources[source])
        cases.append((name, bits))

    for name, source, args, bits, hs in [
        ("im1", "two", ["-type", "palette", "-compress", "none"], 1, 40),
        ("im4", "ten", ["-type", "palette", "-compress", "none"], 4, 40),
        ("im8", "forty", ["-type", "palette", "-compress", "none"], 8, 40),
        ("im24", "true", [], 24, 40),
    ]:
        path = os.path.join(directory, name + ".bmp")
        subprocess.run(["convert", os.path.join(directory, source + ".ppm")] + args + ["BMP3:" + path], check=True)
        d, off, size, b, comp = header(path)
        assert (b, size) == (bits, hs), (name, b, size)
        write_rgb(os.path.join(directory, name + ".rgb"), sources[source])
        cases.append((name, bits))
    im("im16v5", "true", ["-define", "bmp:subtype=RGB565"], 16, 124)
    im("im24v5", "true", ["-type", "truecolor"], 24, 124)
    im("im32v5", "true", ["-alpha", "on"], 32, 124)

    def derived(name, source, maker, bits):
        maker(os.path.join(directory, source + ".bmp"), os.path.join(directory, name + ".bmp"))
        with open(os.path.join(directory, source + ".rgb"), "rb") as f:
            open(os.path.join(directory, name + ".rgb"), "wb").write(f.read())
        cases.append((name, bits))

    derived("im32v4", "im32v5", make_v4, 32)
    derived("im16v4", "im16v5", make_v4, 16)
    derived("im8topdown", "im8", make_top_down, 8)
    derived("im24topdown", "im24", make_top_down, 24)
    derived("im16v5topdown", "im16v5", make_top_down, 16)

    try:
        from PIL import Image
    except ImportError:
        Image = None
    if Image is not None:
        def pil(name, source, mode, bits):
            img = Image.new("RGB", (W, H))
            img.putdata([p for row in sources[source] for p in row])
            if mode == "P":
                img = img.quantize(colors=64)
            elif mode != "RGB":
                img = img.convert(mode)
            img.save(os.path.join(directory, name + ".bmp"))
            d, off, size, b, comp = header(os.path.join(directory, name + ".bmp"))
            assert b == bits, (name, b)
            write_rgb(os.path.join(directory, name + ".rgb"),
                      [[img.convert("RGB").getpixel((x, y)) for x in range(W)] for y in range(H)])
            cases.append((name, bits))

        pil("pil1", "two", "1", 1)
        pil("pil8", "forty", "P", 8)
        pil("pil8grey", "true", "L", 8)
        pil("pil24", "true", "RGB", 24)
        pil("pil32", "true", "RGBA", 32)

    for name, bits in cases:
        print(name, W, H, bits)


def check(bmp, rgb, fields565):
    try:
        from PIL import Image
    except ImportError:
        return 77
    img = Image.open(bmp)
    img.load()
    got = img.convert("RGB").tobytes()
    want = open(rgb, "rb").read()
    if fields565:
        shifts = [3, 2, 3] * (len(want) // 3)
        got = bytes(v >> s for v, s in zip(got, shifts))
        want = bytes(v >> s for v, s in zip(want, shifts))
    if got != want:
        print("pixels differ: size %s" % (img.size,), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2])
        sys.exit(0)
    if sys.argv[1] == "check":
        sys.exit(check(sys.argv[2], sys.argv[3], "--fields565" in sys.argv))
    sys.exit(2)
