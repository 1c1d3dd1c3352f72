#!/usr/bin/env python3
"""Draws the menu icon: our tank on a corner of the map, at 32, 64 and 128 px.

Writes them as PNGs for the Linux menu, and as one .ico for the Windows programs.
Run from the repository root: python3 tools/make_icon.py
The 32 px tile is drawn in the sprites' hard-edged style and enlarged by whole
pixels, so every size shows the same picture. Pure standard library; output is the
same on every run.
"""
import os
import struct
import sys

sys.dont_write_bytecode = True  # keep tools/ free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from mapgen import LAND, WATER                  # noqa: E402
from pngwrite import png_bytes, write_png      # noqa: E402
from raster import Image, Ellipse, paint, shade  # noqa: E402
from sprites import KEY, INK, tank, explosion  # noqa: E402

OUT_DIR = os.path.join("packaging", "icons")
ICO_PATH = os.path.join("packaging", "windows", "quorvale.ico")
TILE = 32
SIZES = (32, 64, 128)


def stamp(img, sprite, left, top, keep=None):
    """Copies a sprite's opaque pixels (and those `keep` allows) onto img."""
    for y in range(sprite.h):
        for x in range(sprite.w):
            c = sprite.get(x, y)
            if c != KEY and (keep is None or keep(x, y)) and 0 <= left + x < img.w \
                    and 0 <= top + y < img.h:
                img.put(left + x, top + y, c)


def icon():
    img = Image(TILE, TILE, LAND)
    paint(img, Ellipse(-2, 34, 15, 13), WATER, shade(WATER, -50))     # a bay in the corner
    burst = explosion()
    small = Image(burst.w // 2, burst.h // 2, KEY)                     # half size, every other pixel
    for y in range(small.h):
        for x in range(small.w):
            small.put(x, y, burst.get(2 * x, 2 * y))
    stamp(img, small, 17, -2)
    stamp(img, tank(), 1, 4)
    for i in range(TILE):                                             # frame the tile
        for x, y in ((i, 0), (i, TILE - 1), (0, i), (TILE - 1, i)):
            img.put(x, y, INK)
    return img


def ico_bytes(images):
    """An icon file of PNG images (Windows reads them from Vista on): (size, png) pairs."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, data = b"", b""
    for size, png in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(png),
                               offset + len(data))
        data += png
    return header + entries + data


def main():
    img = icon()
    pixels = [img.get(x, y) for y in range(img.h) for x in range(img.w)]
    if KEY in pixels:
        print("PROBLEM: the icon shows the magenta key colour")
        return 1
    os.makedirs(OUT_DIR, exist_ok=True)
    images = []
    for size in SIZES:
        out = img.scaled(size // TILE)
        path = os.path.join(OUT_DIR, "quorvale-%d.png" % size)
        write_png(path, out.w, out.h, out.rgb)
        images.append((size, png_bytes(out.w, out.h, bytes(out.rgb))))
        print("%s %dx%d" % (path, out.w, out.h))
    os.makedirs(os.path.dirname(ICO_PATH), exist_ok=True)
    with open(ICO_PATH, "wb") as ico:
        ico.write(ico_bytes(images))
    print("%s %s px" % (ICO_PATH, ", ".join(str(size) for size, _ in images)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
