"""Tiny raster toolkit shared by the sprite and map painters.

Shapes are tested at pixel centres and painted hard-edged: no blending, so
sprites never get pinkish fringes against the magenta key colour and map
decorations never create colours that could pass for terrain.
"""
import math


class Image:
    def __init__(self, width, height, background):
        self.w, self.h = width, height
        self.rgb = bytearray(bytes(background) * (width * height))

    def get(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.rgb[i:i + 3])

    def put(self, x, y, colour):
        i = (y * self.w + x) * 3
        self.rgb[i:i + 3] = bytes(colour)

    def scaled(self, factor):
        out = Image(self.w * factor, self.h * factor, (0, 0, 0))
        for y in range(out.h):
            for x in range(out.w):
                out.put(x, y, self.get(x // factor, y // factor))
        return out


class Ellipse:
    def __init__(self, cx, cy, rx, ry=None):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, rx if ry is None else ry
        self.bbox = (cx - rx, cy - self.ry, cx + rx, cy + self.ry)

    def contains(self, x, y):
        dx, dy = (x - self.cx) / self.rx, (y - self.cy) / self.ry
        return dx * dx + dy * dy <= 1.0


class Rect:
    def __init__(self, x0, y0, x1, y1):
        self.bbox = (x0, y0, x1, y1)

    def contains(self, x, y):
        x0, y0, x1, y1 = self.bbox
        return x0 <= x < x1 and y0 <= y < y1


class Poly:
    def __init__(self, points):
        self.pts = list(points)
        xs, ys = [p[0] for p in self.pts], [p[1] for p in self.pts]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))

    def contains(self, x, y):
        inside, n = False, len(self.pts)
        for i in range(n):
            (x0, y0), (x1, y1) = self.pts[i], self.pts[i - 1]
            if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                inside = not inside
        return inside


class Union:
    def __init__(self, *shapes):
        self.shapes = shapes
        boxes = [s.bbox for s in shapes]
        self.bbox = (min(b[0] for b in boxes), min(b[1] for b in boxes),
                     max(b[2] for b in boxes), max(b[3] for b in boxes))

    def contains(self, x, y):
        return any(s.contains(x, y) for s in self.shapes)


class Blob:
    """A wobbly disc: radius varies with angle by a few sine harmonics."""

    def __init__(self, cx, cy, radius, rng, wobble=0.18, stretch=(1.0, 1.0)):
        self.cx, self.cy, self.r = cx, cy, radius
        self.sx, self.sy = stretch
        self.waves = [(k, wobble / k * rng.uniform(0.5, 1.0), rng.uniform(0, 2 * math.pi))
                      for k in range(2, 7)]
        reach = radius * (1 + sum(a for _, a, _ in self.waves))
        self.bbox = (cx - reach * self.sx, cy - reach * self.sy,
                     cx + reach * self.sx, cy + reach * self.sy)

    def radius_at(self, angle):
        return self.r * (1 + sum(a * math.sin(k * angle + p) for k, a, p in self.waves))

    def contains(self, x, y):
        dx, dy = (x - self.cx) / self.sx, (y - self.cy) / self.sy
        return math.hypot(dx, dy) <= self.radius_at(math.atan2(dy, dx))


def star(cx, cy, outer, inner, points, turn=-math.pi / 2):
    """Vertices of a star polygon; outer/inner may be sequences for jagged bursts."""
    pts = []
    for i in range(points * 2):
        r = outer if i % 2 == 0 else inner
        if isinstance(r, (list, tuple)):
            r = r[i // 2]
        a = turn + i * math.pi / points
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def mask_of(shape, width, height, allow=None):
    x0, y0, x1, y1 = shape.bbox
    mask = set()
    for y in range(max(0, int(y0) - 1), min(height, int(math.ceil(y1)) + 1)):
        for x in range(max(0, int(x0) - 1), min(width, int(math.ceil(x1)) + 1)):
            if shape.contains(x + 0.5, y + 0.5) and (allow is None or allow(x, y)):
                mask.add((x, y))
    return mask


def edge_of(mask):
    """Pixels of the mask with a 4-neighbour outside it."""
    return {(x, y) for x, y in mask
            if not {(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)} <= mask}


def paint(img, shape, fill, outline=None, allow=None, put=None):
    """Fill a shape (colour or f(x, y)) and ring it with an outline colour.

    Returns the painted mask. `allow` restricts which pixels may change and
    `put` replaces img.put (the map uses both to keep terrain intact).
    """
    put = put or img.put
    mask = mask_of(shape, img.w, img.h, allow)
    rim = edge_of(mask) if outline is not None else set()
    for x, y in mask:
        if (x, y) in rim:
            put(x, y, outline)
        else:
            put(x, y, fill(x, y) if callable(fill) else fill)
    return mask


def shade(colour, amount):
    """Lighten (amount > 0) or darken a colour, clamped to 0..255."""
    return tuple(max(0, min(255, int(round(c + amount)))) for c in colour)


def lit(base, cx, cy, radius, strength=40):
    """Fill function lighting a rounded body from the top-left."""
    def f(x, y):
        d = ((cx - x - 0.5) * 0.7 + (cy - y - 0.5) * 0.7) / max(radius, 1)
        return shade(base, strength * max(-1.0, min(1.0, d)))
    return f
