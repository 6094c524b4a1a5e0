#!/usr/bin/python3
"""PCX files for the PCX codec tests, and the peers' reading of ours.

make DIR   writes NAME.pcx with NAME.rgb (the pixels, top row first, 3 bytes
           each) into DIR and prints "NAME WIDTH HEIGHT BITS" per file, BITS
           being the depth the picture must load at. ImageMagick writes 8-bit
           and 24-bit files, Pillow 1-, 8- and 24-bit ones; the planar and
           4-bit kinds neither writes are built here and must read the same
           in every peer that reads them.
check PCX RGB PEER...
           decodes PCX with each named peer (pillow, magick) and compares
           with RGB; exit 0 when all agree, 1 when one does not.
"""
import os
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import oracle_common  # noqa: E402
from oracle_common import check_peers, colour, pillow_rgb, write_bytes as write  # noqa: E402

W, H = 13, 7


def indexed(colours):
    return [[(x * 3 + y * 5 + x * y) % colours for x in range(W)] for y in range(H)]


def rgb_of(rows, table):
    return b"".join(bytes(table[i]) for row in rows for i in row)


def rle(line):
    out = bytearray()
    i = 0
    while i < len(line):
        n = 1
        while n < 63 and i + n < len(line) and line[i + n] == line[i]:
            n += 1
        if n > 1 or line[i] >= 0xC0:
            out += bytes((0xC0 | n, line[i]))
        else:
            out.append(line[i])
        i += n
    return bytes(out)


def pack(values, bits, length):
    out = bytearray(length)
    for x, v in enumerate(values):
        bit = x * bits
        out[bit // 8] |= v << (8 - bits - bit % 8)
    return bytes(out)


def build(bits_per_plane, planes, rows, header_palette):
    """A PCX file whose pixels are the indices `rows`, the first plane
    holding the lowest bits of each index."""
    bpl = (W * bits_per_plane + 15) // 16 * 2
    header = bytearray(128)
    header[0:4] = bytes((10, 5, 1, bits_per_plane))
    header[8:12] = (W - 1).to_bytes(2, "little") + (H - 1).to_bytes(2, "little")
    for i, c in enumerate(header_palette[:16]):
        header[16 + 3 * i:19 + 3 * i] = bytes(c)
    header[65] = planes
    header[66:68] = bpl.to_bytes(2, "little")
    header[68] = 1
    body = bytearray()
    mask = (1 << bits_per_plane) - 1
    for row in rows:
        for p in range(planes):
            body += rle(pack([(v >> (p * bits_per_plane)) & mask for v in row],
                             bits_per_plane, bpl))
    return bytes(header) + bytes(body)


def magick_rgb(path):
    return oracle_common.magick_rgb(path)


def make(folder):
    cases = []

    def emit(name, bits, data, rgb, readers):
        path = os.path.join(folder, name + ".pcx")
        if data is not None:
            write(path, data)
        for reader in readers:
            assert reader(path) == rgb, (name, reader.__name__)
        write(os.path.join(folder, name + ".rgb"), rgb)
        cases.append((name, bits))

    truecolour = [[((x * 19 + y * 7) % 256, (x * y * 11) % 256, (255 - x * 13) % 256)
                   for x in range(W)] for y in range(H)]
    true_rgb = b"".join(bytes(p) for row in truecolour for p in row)
    true_image = Image.frombytes("RGB", (W, H), true_rgb)
    forty = indexed(40)
    table = [colour(i) for i in range(256)]
    forty_rgb = rgb_of(forty, table)
    forty_image = Image.frombytes("RGB", (W, H), forty_rgb)
    two = [[1 if (x + 2 * y) % 3 else 0 for x in range(W)] for y in range(H)]
    two_rgb = rgb_of(two, [(0, 0, 0), (255, 255, 255)])

    # ImageMagick: 8 bits with the trailing palette, 24 bits as three planes.
    source = os.path.join(folder, "forty.ppm")
    forty_image.save(source)
    subprocess.run(["convert", source, "-type", "palette", os.path.join(folder, "im8.pcx")],
                   check=True)
    emit("im8", 8, None, forty_rgb, [])
    source = os.path.join(folder, "true.ppm")
    true_image.save(source)
    subprocess.run(["convert", source, "-type", "truecolor", os.path.join(folder, "im24.pcx")],
                   check=True)
    emit("im24", 24, None, true_rgb, [])

    # Pillow: 1 bit (its header palette is no use: black, then white from
    # entry 8 on), 8-bit palette and grey, 24 bits.
    Image.frombytes("L", (W, H), bytes(255 * v for row in two for v in row)).convert("1").save(
        os.path.join(folder, "pil1.pcx"))
    emit("pil1", 1, None, two_rgb, [])
    forty_image.quantize(colors=40).save(os.path.join(folder, "pil8.pcx"))
    emit("pil8", 8, None, forty_rgb, [])
    grey = bytes((x * 17 + y * 29) % 256 for y in range(H) for x in range(W))
    Image.frombytes("L", (W, H), grey).save(os.path.join(folder, "pil8grey.pcx"))
    emit("pil8grey", 8, None, bytes(v for g in grey for v in (g, g, g)), [])
    true_image.save(os.path.join(folder, "pil24.pcx"))
    emit("pil24", 24, None, true_rgb, [])

    # Kinds neither peer writes: the 16-colour planar file (4 planes of one
    # bit), 16 colours in one 4-bit plane, 8 colours in 3 planes.
    sixteen = indexed(16)
    palette16 = [colour(i) for i in range(16)]
    emit("planar4x1", 4, build(1, 4, sixteen, palette16), rgb_of(sixteen, palette16),
         [magick_rgb, pillow_rgb])
    emit("packed4", 4, build(4, 1, sixteen, palette16), rgb_of(sixteen, palette16),
         [magick_rgb])
    eight = indexed(8)
    emit("planar3x1", 4, build(1, 3, eight, palette16), rgb_of(eight, palette16), [magick_rgb])

    for name, bits in cases:
        print(name, W, H, bits)


def check(path, rgb, peers):
    return check_peers(path, rgb, {"pillow": pillow_rgb, "magick": magick_rgb}, peers)


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2])
        sys.exit(0)
    if sys.argv[1] == "check":
        sys.exit(check(sys.argv[2], sys.argv[3], sys.argv[4:]))
    sys.exit(2)
