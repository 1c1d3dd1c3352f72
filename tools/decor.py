"""Impassable map dressing: woods, rock outcrops and villages, all shaded,
outlined and kept well away from water and from each other."""
import math

from raster import Ellipse, Rect, Blob, paint, shade, lit

GAP = 44  # open land kept around every cluster so 40 px units can pass

FOREST_FLOOR, FOREST_RIM = (36, 64, 28), (22, 42, 18)
CROWNS = ((48, 98, 40), (38, 86, 34), (60, 110, 46), (32, 78, 44), (70, 104, 36))
ROCK, ROCK_RIM = (132, 128, 120), (58, 56, 54)
DIRT, DIRT_RIM = (156, 128, 88), (108, 86, 58)
ROOFS = ((176, 58, 40), (150, 70, 42), (190, 92, 50), (128, 48, 36), (160, 100, 70))


def _fits(t, shape):
    return t.clear(shape.bbox, GAP)


def forest(t, rng, cx, cy, radius, stretch=(1.0, 1.0)):
    floor = Blob(cx, cy, radius, rng, wobble=0.22, stretch=stretch)
    if not _fits(t, floor):
        return False
    area = paint(t.img, floor, FOREST_FLOOR, FOREST_RIM, t.deco_allow, t.deco_put)
    spots = sorted(area)
    crowns = []
    for _ in range(int(len(area) / 95)):
        x, y = spots[rng.randrange(len(spots))]
        crowns.append((y, x, rng.uniform(6.0, 11.0), rng.choice(CROWNS)))
    for y, x, r, colour in sorted(crowns):     # nearer (lower) crowns overlap farther ones
        paint(t.img, Ellipse(x + 0.5, y + 0.5, r), lit(colour, x - r * 0.3, y - r * 0.3, r, 38),
              shade(colour, -42), lambda px, py: (px, py) in area, t.deco_put)
    return True


def boulder(t, rng, cx, cy, r, allow):
    rock = Blob(cx, cy, r, rng, wobble=0.3)
    base = shade(ROCK, rng.randint(-14, 14))

    def facet(x, y):  # light from the top-left, in three flat steps like chipped stone
        d = ((cx - x) + (cy - y)) / (r * 1.4)
        return shade(base, 40 if d > 0.35 else (0 if d > -0.3 else -34))
    mask = paint(t.img, rock, facet, ROCK_RIM, allow, t.deco_put)
    if mask and r > 9:                          # a crack across the face
        x, y = cx - r * 0.3, cy - r * 0.2
        a = rng.uniform(0.3, 1.2)
        for _ in range(int(r * 0.8)):
            x, y, a = x + math.cos(a), y + math.sin(a), a + rng.uniform(-0.5, 0.5)
            if (int(x), int(y)) in mask:
                t.deco_put(int(x), int(y), shade(ROCK_RIM, 10))
    return mask


def rocks(t, rng, cx, cy, spread, count):
    zone = Ellipse(cx, cy, spread + 26)
    if not _fits(t, zone):
        return False
    inside = lambda x, y: zone.contains(x, y) and t.deco_allow(x, y)
    stones = [(rng.uniform(-1, 1) * spread, rng.uniform(-1, 1) * spread * 0.8,
               rng.uniform(9, 24)) for _ in range(count)]
    for dx, dy, r in sorted(stones, key=lambda s: s[1]):
        boulder(t, rng, cx + dx, cy + dy, r, inside)
    return True


def house(t, rng, x, y, w, h, yard):
    roof = rng.choice(ROOFS)
    in_yard = lambda px, py: (px, py) in yard
    paint(t.img, Rect(x + 3, y + 3, x + w + 3, y + h + 3), shade(DIRT, -38), None, in_yard, t.deco_put)
    ridge_across = w >= h

    def tiles(px, py):  # two roof slopes, the sunlit one lighter, with a ridge line
        if ridge_across:
            off, mid, row = py - y, h / 2.0, px - x
        else:
            off, mid, row = px - x, w / 2.0, py - y
        if abs(off + 0.5 - mid) < 1:
            return shade(roof, 55)
        c = shade(roof, 25) if off < mid else shade(roof, -25)
        return shade(c, -14) if row % 4 == 0 else c
    paint(t.img, Rect(x, y, x + w, y + h), tiles, shade(roof, -90), in_yard, t.deco_put)


def village(t, rng, cx, cy, radius, houses):
    ground = Blob(cx, cy, radius, rng, wobble=0.15, stretch=(1.2, 0.9))
    if not _fits(t, ground):
        return False
    yard = paint(t.img, ground, lambda x, y: shade(DIRT, -8 if (x * 7 + y * 13) % 11 == 0 else 0),
                 DIRT_RIM, t.deco_allow, t.deco_put)
    placed = [(cx - 8, cy - 8, cx + 9, cy + 9)]   # keep the square around the well free
    paint(t.img, Ellipse(cx + 0.5, cy + 0.5, 4), (40, 90, 170), ROCK_RIM, None, t.deco_put)
    slots = sorted((x, y) for x, y in yard if x % 6 == 0 and y % 6 == 0)
    rng.shuffle(slots)                          # random packing; the square stays free
    for x, y in slots:
        if len(placed) > houses + 3:            # a few garden plots after the houses
            break
        w, h = rng.randrange(18, 31), rng.randrange(14, 23)
        box = (x - 2, y - 2, x + w + 5, y + h + 5)
        corners = ((box[0], box[1]), (box[2], box[1]), (box[0], box[3]), (box[2], box[3]))
        if not all(c in yard for c in corners) or any(
                box[0] < b[2] and b[0] < box[2] and box[1] < b[3] and b[1] < box[3] for b in placed):
            continue
        placed.append(box)
        if len(placed) <= houses + 1:
            house(t, rng, x, y, w, h, yard)
        else:
            garden(t, rng, x, y, w, h)
    return True


def garden(t, rng, x, y, w, h):
    """Vegetable plot: crop rows inside a dark fence."""
    crop = rng.choice(((92, 124, 44), (150, 150, 60), (104, 140, 70)))
    rows = lambda px, py: crop if py % 3 else (118, 92, 60)
    paint(t.img, Rect(x, y, x + w, y + h), rows, (84, 64, 40), None, t.deco_put)


# (kind, x, y, size, extra): hand-placed so the opening view stays open
LAYOUT = [
    ("forest", 560, 110, 42, (1.3, 0.8)),
    ("rocks", 330, 470, 22, 4),
    ("forest", 1020, 160, 70, (1.3, 0.9)),
    ("forest", 600, 780, 75, (1.2, 0.8)),
    ("forest", 1480, 520, 62, (0.8, 1.2)),
    ("forest", 1100, 470, 55, (1.0, 1.0)),
    ("forest", 340, 870, 45, (1.4, 0.7)),
    ("rocks", 1450, 160, 40, 8),
    ("rocks", 870, 560, 34, 6),
    ("rocks", 1290, 990, 20, 4),
    ("rocks", 1540, 860, 26, 5),
    ("village", 460, 620, 62, 8),
    ("village", 1420, 740, 52, 6),
    ("village", 760, 440, 58, 7),
]


def dress(t, rng):
    """Place every cluster; returns those that found no room."""
    makers = {"forest": forest, "rocks": rocks, "village": village}
    # nudge a cluster outward from its spot until it sits clear of water and neighbours
    nudges = sorted(((dx, dy) for dx in range(-160, 161, 20) for dy in range(-160, 161, 20)),
                    key=lambda d: (d[0] ** 2 + d[1] ** 2, d))
    skipped = []
    for kind, x, y, *rest in LAYOUT:
        if not any(makers[kind](t, rng, x + dx, y + dy, *rest) for dx, dy in nudges):
            skipped.append((kind, x, y))
    return skipped
