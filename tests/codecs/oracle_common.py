"""Helpers shared by the oracle scripts beside this file.

Each script puts its own directory on sys.path and imports from here.
Pillow is imported only by the helpers that use it, so that a script may
run without it.
"""
import subprocess
import sys


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def rand_bytes(rng, n, top=256):
    return bytes(rng.randrange(top) for _ in range(n))


def colour(i):
    return ((i * 67 + 13) % 256, (i * 151 + 40) % 256, (i * 29 + 200) % 256)


def magick_rgb(path, *options):
    """ImageMagick's colours of PATH, 3 bytes a pixel; OPTIONS go before
    the output format."""
    return subprocess.run(["convert", path] + list(options) + ["-depth", "8", "rgb:-"],
                          check=True, capture_output=True).stdout


def pillow_rgb(path):
    from PIL import Image
    with Image.open(path) as im:
        im.load()
        return im.convert("RGB").tobytes()


def check_peers(path, rgb, readers, peers, shift=0):
    """Compares each named peer's reading of PATH with the file RGB, both
    shifted right by SHIFT bits; 0 when all agree, 1 when one does not."""
    want = bytes(v >> shift for v in open(rgb, "rb").read())
    status = 0
    for peer in peers:
        got = bytes(v >> shift for v in readers[peer](path))
        if got != want:
            print("%s reads %s differently" % (peer, path), file=sys.stderr)
            status = 1
    return status
