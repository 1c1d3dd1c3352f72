"""The battle map. Its pixels double as terrain: exact LAND and WATER colours
are passable ground and sea; every other colour (rocks, woods, villages) blocks
everyone, so decorations are painted only onto land and never in a terrain colour.
"""
import math
import random

import decor
from raster import Image, Ellipse, Blob, mask_of

W, H = 1600, 1200
LAND, WATER = (128, 128, 0), (0, 128, 255)
IS_LAND, IS_WATER, IS_OTHER = 0, 1, 2

# points the self-check uses to prove the river links the lake to the sea
RIVER_LAKE = (1330, 250)
OPEN_SEA = (60, 1150)


class Terrain:
    def __init__(self):
        self.cls = bytearray(W * H)            # all land to start with
        self.img = None

    def carve(self, shape, kind):
        for x, y in mask_of(shape, W, H):
            self.cls[y * W + x] = kind

    def is_land(self, x, y):
        return self.cls[y * W + x] == IS_LAND

    def clear(self, box, margin):
        """True if the box plus margin is untouched open land (keeps passages wide)."""
        x0, y0, x1, y1 = (int(box[0]) - margin, int(box[1]) - margin,
                          int(box[2]) + margin, int(box[3]) + margin)
        x0, y0, x1, y1 = max(x0, 0), max(y0, 0), min(x1, W - 1), min(y1, H - 1)
        return all(self.cls[y * W + x] == IS_LAND for y in range(y0, y1 + 1, 2)
                   for x in range(x0, x1 + 1, 2))

    def deco_put(self, x, y, colour):
        if colour in (LAND, WATER):            # a decoration must never read as terrain
            colour = (colour[0], colour[1] - 1, colour[2])
        self.cls[y * W + x] = IS_OTHER
        self.img.put(x, y, colour)

    def deco_allow(self, x, y):
        return self.cls[y * W + x] != IS_WATER


def wave(t, terms):
    return sum(a * math.sin(t / p + ph) for a, p, ph in terms)


def seas(t):
    """West and south open sea with a wavy but smooth shoreline."""
    for y in range(H):
        west = int(150 + wave(y, ((38, 110, 0.3), (18, 47, 2.1), (7, 21, 1.0))))
        t.cls[y * W:y * W + west] = bytes([IS_WATER]) * west
    for x in range(W):
        south = int(965 + wave(x, ((34, 130, 1.0), (16, 57, 0.5), (6, 23, 3.0))))
        for y in range(south, H):
            t.cls[y * W + x] = IS_WATER


def coast_features(t, rng):
    t.carve(Blob(215, 640, 120, rng, stretch=(1.2, 1.0)), IS_WATER)        # west bay
    t.carve(Blob(830, 930, 150, rng, stretch=(1.25, 0.9)), IS_WATER)        # south bay
    for i in range(14):                                                      # peninsula
        t.carve(Blob(1270 + 4 * i, 950 + 14 * i, 82 - 3 * i, rng, wobble=0.06), IS_LAND)
    t.carve(Blob(340, 1105, 62, rng, stretch=(1.4, 0.8)), IS_LAND)          # islands
    t.carve(Blob(1530, 1125, 36, rng), IS_LAND)
    t.carve(Blob(1040, 1125, 26, rng), IS_LAND)


def lakes(t, rng):
    t.carve(Blob(470, 280, 72, rng, stretch=(1.3, 0.9)), IS_WATER)
    t.carve(Blob(880, 330, 55, rng), IS_WATER)
    t.carve(Blob(RIVER_LAKE[0], RIVER_LAKE[1], 85, rng, stretch=(1.1, 0.9)), IS_WATER)


def catmull_rom(points, step=3.0):
    pts = [points[0]] + list(points) + [points[-1]]
    out = []
    for i in range(1, len(pts) - 2):
        p0, p1, p2, p3 = pts[i - 1], pts[i], pts[i + 1], pts[i + 2]
        n = max(1, int(math.dist(p1, p2) / step))
        for j in range(n):
            s = j / n
            out.append(tuple(0.5 * (2 * b + (-a + c) * s + (2 * a - 5 * b + 4 * c - d) * s * s
                                    + (-a + 3 * b - 3 * c + d) * s ** 3)
                             for a, b, c, d in zip(p0, p1, p2, p3)))
    return out


def river(t):
    """Winds from the north-east lake down to the south bay, wide enough for boats."""
    path = [(1300, 300), (1250, 420), (1310, 540), (1230, 650), (1110, 690),
            (1050, 780), (940, 800), (860, 880)]
    for i, (x, y) in enumerate(catmull_rom(path)):
        r = 27 + 2 * math.sin(i / 17.0)
        for px, py in mask_of(Ellipse(x, y, r), W, H):
            t.cls[py * W + px] = IS_WATER


def terrain_image(t):
    img = Image(W, H, LAND)
    water = bytes(WATER)
    for i, c in enumerate(t.cls):
        if c == IS_WATER:
            img.rgb[i * 3:i * 3 + 3] = water
    t.img = img


def build_map(seed=1):
    t = Terrain()
    rng = random.Random(seed)
    seas(t)
    coast_features(t, rng)
    lakes(t, rng)
    river(t)
    terrain_image(t)
    skipped = decor.dress(t, rng)
    return t, skipped
