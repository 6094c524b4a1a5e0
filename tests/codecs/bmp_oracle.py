#!/usr/bin/env python3
"""Peer-made bitmaps for the BMP codec tests.

make DIR   writes bitmaps made by ImageMagick (and Pillow when installed) into
           DIR, each NAME.bmp with NAME.rgb (the expected pixels, top row
           first, 3 bytes each), and prints one line per case:
           NAME WIDTH HEIGHT BITS
more make DIR
           writes bitmaps in the layouts few writers produce (OS/2 headers,
           run-length data, bit fields at other positions), built here byte
           by byte or by ImageMagick, each NAME.bmp with NAME.rgb as a peer
           decodes it, and prints NAME WIDTH HEIGHT BITS TOLERANCE, BITS
           being the depth we load it at
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


def file_header(info, table, pixels):
    off = 14 + len(info) + len(table)
    return struct.pack("<2sIHHI", b"BM", off + len(pixels), 0, 0, off) + info + table + pixels


def info_header(size, w, h, bits, compression, masks=(), image_size=0, colours=0):
    info = struct.pack("<IiiHHIIiiII", size, w, h, 1, bits, compression, image_size, 2835, 2835,
                       colours, 0)
    fields = b"".join(struct.pack("<I", m) for m in masks)
    if size > 40:
        info += (fields + bytes(size))[:size - 40]
        fields = b""
    return info + fields


def field_file(size, compression, bits, masks, value_at, top_down=False):
    # Pixels value_at(x, y), bottom row first unless top-down.
    stride = ((W * bits + 31) // 32) * 4
    rows = []
    for y in range(H):
        row = b"".join(struct.pack("<H" if bits == 16 else "<I", value_at(x, y)) for x in range(W))
        rows.append(row + bytes(stride - len(row)))
    if not top_down:
        rows.reverse()
    return file_header(info_header(size, W, -H if top_down else H, bits, compression, masks), b"",
                       b"".join(rows))


def pack_fields(masks, values):
    # values are 0..255 per channel, narrowed to each mask's width.
    v = 0
    for m, c in zip(masks, values):
        if m:
            shift = (m & -m).bit_length() - 1
            top = m >> shift
            v |= (c * top // 255) << shift
    return v


def rle_palette(n):
    return b"".join(bytes((b, g, r, 0)) for r, g, b in (truecolour(i % W, i // W) for i in range(n)))


def rle8_data():
    # Encoded runs, an absolute run of odd length (padded), a delta, an
    # end of line and an end of picture.
    d = bytearray()
    d += bytes((4, 1, 0, 3, 2, 3, 4, 0, 5, 2)) + bytes((0, 0))  # row 0: 4x1, [2 3 4], 5x2
    d += bytes((0, 2, 3, 1)) + bytes((6, 7, 0, 0))             # delta to (3, 2), 6x7
    d += bytes((W, 9, 0, 0))                                   # row 3 full
    d += bytes((0, 4, 1, 2, 3, 4)) + bytes((0, 1))             # row 4 absolute 4, end
    return bytes(d)


def rle4_data():
    d = bytearray()
    d += bytes((5, 0x12, 0, 3, 0x45, 0x60, 0, 0))  # row 0: 1 2 1 2 1, 4 5 6
    d += bytes((0, 2, 2, 1, 3, 0x7A, 0, 0))        # delta to (2, 2): 7 A 7
    d += bytes((W - 5, 0x3C, 0, 5, 0xBC, 0xDE, 0xF0, 0)) + bytes((0, 0))  # row 3
    d += bytes((2, 0x11, 0, 1))
    return bytes(d)


def more(directory):
    from PIL import Image
    cases = []

    def peer_rgb(name, bits, tolerance, use_magick=False):
        path = os.path.join(directory, name + ".bmp")
        if use_magick:
            # ImageMagick exits 1 on data that ends before the picture does
            # yet writes the picture; its size is checked below.
            rgb = subprocess.run(["convert", path, "-depth", "8", "rgb:-"],
                                 capture_output=True).stdout
        else:
            img = Image.open(path)
            img.load()
            rgb = img.convert("RGB").tobytes()
        assert len(rgb) == W * H * 3, (name, len(rgb))
        open(os.path.join(directory, name + ".rgb"), "wb").write(rgb)
        cases.append((name, bits, tolerance))

    def write(name, data):
        open(os.path.join(directory, name + ".bmp"), "wb").write(data)

    xbgr = (0xFF, 0xFF00, 0xFF0000, 0)
    rgba = (0xFF000000, 0xFF0000, 0xFF00, 0xFF)
    odd16 = (0x07C0, 0xF800, 0x003F, 0)  # 5-5-6 at bits 6, 11 and 0
    odd32 = (0x3FF00000, 0x000FFC00, 0x000003FF, 0)  # 10-10-10
    alpha_at = lambda x, y: 40 + 15 * x + y
    write("xbgr32v5", field_file(124, 3, 32, xbgr, lambda x, y: pack_fields(xbgr, truecolour(x, y))))
    peer_rgb("xbgr32v5", 24, 0, True)
    write("rgba32v4", field_file(108, 3, 32, rgba,
                                 lambda x, y: pack_fields(rgba, truecolour(x, y) + (alpha_at(x, y),))))
    peer_rgb("rgba32v4", 32, 0, True)
    write("rgba32clear", field_file(124, 3, 32, rgba, lambda x, y: pack_fields(rgba, truecolour(x, y)),
                                    top_down=True))
    peer_rgb("rgba32clear", 24, 0, True)
    write("odd16fields", field_file(40, 3, 16, odd16[:3], lambda x, y: pack_fields(odd16, truecolour(x, y))))
    # ImageMagick widens a 6-bit field at bit 0 a few steps off v * 255 / 63.
    peer_rgb("odd16fields", 24, 3, True)
    write("odd32fields", field_file(40, 3, 32, odd32[:3], lambda x, y: pack_fields(odd32, truecolour(x, y))))
    peer_rgb("odd32fields", 24, 1, True)

    # OS/2 headers: ImageMagick's BMP2 writes the 12-byte one; the 64-byte
    # one is the 40-byte header followed by zeroed OS/2 fields.
    for name, args, bits in [("core8", ["-type", "palette"], 8), ("core24", ["-type", "truecolor"], 24)]:
        path = os.path.join(directory, name + ".bmp")
        src = os.path.join(directory, "src.ppm")
        write_ppm(src, palette_image(40) if bits == 8 else
                  [[truecolour(x, y) for x in range(W)] for y in range(H)])
        subprocess.run(["convert", src] + args + ["BMP2:" + path], check=True)
        assert header(path)[2] == 12, name
        peer_rgb(name, bits, 0)
    d = open(os.path.join(directory, "core8.bmp"), "rb").read()
    off = struct.unpack_from("<I", d, 10)[0]
    w, h, planes, bits = struct.unpack_from("<HHHH", d, 18)
    table = b"".join(d[i:i + 3] + b"\0" for i in range(26, off, 3))
    write("os2v2", file_header(info_header(64, w, h, bits, 0), table, d[off:]))
    peer_rgb("os2v2", 8, 0)

    # Run-length pictures: ImageMagick's RLE8, and hand-made ones with
    # deltas, odd absolute runs, an early end and a jump past the top row.
    path = os.path.join(directory, "rle8magick.bmp")
    write_ppm(os.path.join(directory, "src.ppm"), palette_image(40))
    subprocess.run(["convert", os.path.join(directory, "src.ppm"), "-type", "palette", "-compress",
                    "RLE", "BMP3:" + path], check=True)
    assert header(path)[4] == 1
    peer_rgb("rle8magick", 8, 0)
    pal = rle_palette(16)
    for name, bits, data in [
        ("rle8runs", 8, rle8_data()),
        ("rle8early", 8, rle8_data()[:21]),
        ("rle8pasttop", 8, rle8_data()[:12] + bytes((0, 2, 0, 200, 3, 5))),
        ("rle4runs", 4, rle4_data()),
        ("rle4early", 4, rle4_data()[:11]),
    ]:
        write(name, file_header(info_header(40, W, H, bits, 1 if bits == 8 else 2,
                                            image_size=len(data), colours=16), pal, data))
        peer_rgb(name, bits, 0, True)

    for name, bits, tolerance in cases:
        print(name, W, H, bits, tolerance)


if __name__ == "__main__":
    if sys.argv[1] == "more":
        more(sys.argv[3])
        sys.exit(0)
    if sys.argv[1] == "make":
        make(sys.argv[2])
        sys.exit(0)
    if sys.argv[1] == "check":
        sys.exit(check(sys.argv[2], sys.argv[3], "--fields565" in sys.argv))
    sys.exit(2)
