#!/usr/bin/env python3
"""Draws every picture in gfx/ (map and sprites), then checks them.

Run from the repository root: python3 tools/make_gfx.py [--sheet FILE]
--sheet also writes an 8x contact sheet of the sprites for eyeballing.
Pure standard library; output is the same on every run.
"""
import os
import sys
from collections import deque

sys.dont_write_bytecode = True  # keep tools/ free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import mapgen                                   # noqa: E402
from mapgen import W, H, LAND, WATER, IS_LAND, IS_WATER  # noqa: E402
from pngwrite import write_png                 # noqa: E402
from raster import Image                       # noqa: E402
from sprites import SPRITES, KEY               # noqa: E402

OUT_DIR = "gfx"
CELL = 4          # connectivity grid cell, px
UNIT_CELLS = 8    # so a 32 px unit needs an 8x8 block of cells


def near_key(c):
    return abs(c[0] - KEY[0]) + abs(c[1] - KEY[1]) + abs(c[2] - KEY[2]) < 60


def check_sprite(name, img):
    problems = []
    border = [(x, y) for x in range(img.w) for y in (0, img.h - 1)]
    border += [(x, y) for y in range(img.h) for x in (0, img.w - 1)]
    if any(img.get(x, y) != KEY for x, y in border):
        problems.append("%s: shape touches the picture border" % name)
    pixels = [img.get(x, y) for y in range(img.h) for x in range(img.w)]
    fringe = [c for c in pixels if c != KEY and near_key(c)]
    if fringe:
        problems.append("%s: %d near-magenta pixels, e.g. %s" % (name, len(fringe), fringe[0]))
    opaque = sum(c != KEY for c in pixels)
    if opaque < len(pixels) // 5:
        problems.append("%s: almost empty (%d opaque pixels)" % (name, opaque))
    return problems


def passable_cells(t, kind):
    """Grid cells where a unit-sized square sits wholly on one terrain kind."""
    gw, gh = W // CELL, H // CELL
    cells = [[all(t.cls[(gy * CELL + y) * W + gx * CELL + x] == kind
                  for y in range(0, CELL, 2) for x in range(0, CELL, 2))
              for gx in range(gw)] for gy in range(gh)]
    # run[gy][gx]: UNIT_CELLS cells from gx rightwards are all passable (prefix sums keep it linear)
    run = []
    for row in cells:
        pre = [0]
        for c in row:
            pre.append(pre[-1] + c)
        run.append([pre[gx + UNIT_CELLS] - pre[gx] == UNIT_CELLS if gx + UNIT_CELLS <= gw else False
                    for gx in range(gw)])
    fit = bytearray(gw * gh)
    for gx in range(gw):
        streak = 0
        for gy in range(gh - 1, -1, -1):   # count passable runs downwards
            streak = streak + 1 if run[gy][gx] else 0
            fit[gy * gw + gx] = streak >= UNIT_CELLS
    return fit, gw, gh


def components(fit, gw, gh):
    label, sizes = [0] * len(fit), [0]
    for start in range(len(fit)):
        if not fit[start] or label[start]:
            continue
        sizes.append(0)
        label[start] = len(sizes) - 1
        todo = deque([start])
        while todo:
            i = todo.popleft()
            sizes[-1] += 1
            x, y = i % gw, i // gw
            for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                j = ny * gw + nx
                if 0 <= nx < gw and 0 <= ny < gh and fit[j] and not label[j]:
                    label[j] = label[start]
                    todo.append(j)
    return label, sizes


def check_map(t, skipped):
    problems = ["map: cluster did not fit and was left out: %s" % (s,) for s in skipped]
    counts = [0, 0, 0]
    rgb = t.img.rgb
    land, water = bytes(LAND), bytes(WATER)
    bad = 0
    for i, c in enumerate(t.cls):
        px = rgb[i * 3:i * 3 + 3]
        counts[c] += 1
        if (c == IS_LAND) != (px == land) or (c == IS_WATER) != (px == water):
            if not bad:
                problems.append("map: pixel %d,%d class %d has colour %s" % (i % W, i // W, c, tuple(px)))
            bad += 1
    if bad > 1:
        problems.append("map: %d pixels in all disagree with their terrain" % bad)
    share = [100.0 * n / (W * H) for n in counts]
    print("map %dx%d: land %.1f%%  water %.1f%%  other %.1f%% (%.1f%% of dry ground)"
          % (W, H, share[0], share[1], share[2], 100.0 * counts[2] / (counts[0] + counts[2])))
    if not (share[0] > 50 and share[1] > 15 and 3 < share[2] < 12):
        problems.append("map: terrain mix out of range")
    view = [t.cls[y * W + x] for y in range(0, 480, 4) for x in range(0, 640, 4)]
    if view.count(IS_LAND) < len(view) // 2 or view.count(IS_WATER) < len(view) // 20:
        problems.append("map: opening view lacks open land or water")

    fit, gw, gh = passable_cells(t, IS_LAND)
    label, sizes = components(fit, gw, gh)
    main = max(sizes)
    print("  tanks: largest drivable region holds %.1f%% of drivable spots" % (100.0 * main / sum(sizes)))
    if main < 0.8 * sum(sizes):
        problems.append("map: land is broken into pockets")
    fit, gw, gh = passable_cells(t, IS_WATER)
    label, sizes = components(fit, gw, gh)
    lake, sea = (label[(y // CELL) * gw + x // CELL] for x, y in (mapgen.RIVER_LAKE, mapgen.OPEN_SEA))
    print("  boats: river lake %s the open sea" % ("reaches" if lake and lake == sea else "is cut off from"))
    if not lake or lake != sea:
        problems.append("map: river not navigable from lake to sea")
    return problems



def contact_sheet(images, path, scale=8):
    width = sum(i.w * scale + 8 for i in images) + 8
    height = max(i.h for i in images) * scale + 16
    sheet = Image(width, height, LAND)
    x = 8
    for img in images:
        big = img.scaled(scale)
        for y in range(big.h):
            sheet.rgb[((8 + y) * width + x) * 3:((8 + y) * width + x + big.w) * 3] = \
                big.rgb[y * big.w * 3:(y + 1) * big.w * 3]
        x += big.w + 8
    write_png(path, width, height, sheet.rgb)


def main(argv):
    os.makedirs(OUT_DIR, exist_ok=True)
    problems = []
    sprites = {}
    for name, draw in SPRITES.items():
        img = sprites[name] = draw()
        write_png(os.path.join(OUT_DIR, name + ".png"), img.w, img.h, img.rgb)
        problems += check_sprite(name, img)
        print("%-13s %dx%d" % (name, img.w, img.h))
    t, skipped = mapgen.build_map()
    write_png(os.path.join(OUT_DIR, "map1.png"), W, H, t.img.rgb)
    problems += check_map(t, skipped)
    if "--sheet" in argv:
        contact_sheet(list(sprites.values()), argv[argv.index("--sheet") + 1])
    for p in problems:
        print("PROBLEM:", p)
    print("check:", "FAILED" if problems else "all pictures OK")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
