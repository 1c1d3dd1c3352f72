"""Unit sprites: top views on a magenta key, every one pointing up (heading 0)."""
import random

from raster import Image, Ellipse, Rect, Poly, Union, paint, shade, lit, star

KEY = (255, 0, 255)
INK = (18, 18, 22)

# 5x7 glyph, scaled up for the unknown-contact marker
QUESTION = ["01110",
            "10001",
            "00001",
            "00110",
            "00100",
            "00000",
            "00100"]


def canvas(size):
    return Image(size, size, KEY)


def framed(img):
    """Pad with a 1 px transparent border so rotation never clips an edge."""
    out = Image(img.w + 2, img.h + 2, KEY)
    for y in range(img.h):
        out.rgb[((y + 1) * out.w + 1) * 3:((y + 1) * out.w + 1 + img.w) * 3] = \
            img.rgb[y * img.w * 3:(y + 1) * img.w * 3]
    return out


def gradient(top, bottom, y0, y1):
    """Vertical fill that fades from top to bottom colour."""
    def f(x, y):
        t = max(0.0, min(1.0, (y - y0) / max(1, y1 - y0)))
        return tuple(int(a + (b - a) * t) for a, b in zip(top, bottom))
    return f


def treads(base):
    """Track fill with cross links so tracks read as tracks."""
    def f(x, y):
        return shade(base, 35) if y % 3 == 0 else base
    return f


def tracked_hull(img, hull, top):
    size = img.w
    tread = (62, 60, 56)
    paint(img, Rect(3, top, 9, size - 1), treads(tread), INK)
    paint(img, Rect(size - 9, top, size - 3, size - 1), treads(tread), INK)
    paint(img, Rect(7, top + 2, size - 7, size - 2), gradient(shade(hull, 25), shade(hull, -20), top, size),
          INK)
    # engine deck grille at the back
    paint(img, Rect(11, size - 7, size - 11, size - 4), shade(hull, -35), INK)


def tank():
    img = canvas(28)
    hull = (72, 112, 58)
    tracked_hull(img, hull, 6)
    paint(img, Rect(12, 1, 16, 15), shade(hull, -10), INK)           # barrel
    paint(img, Rect(11, 0, 17, 4), shade(hull, -25), INK)            # muzzle brake
    paint(img, Ellipse(14, 17, 6, 6), lit(shade(hull, 15), 14, 17, 6), INK)
    paint(img, Ellipse(17, 20, 2.5, 2.5), shade(hull, -45), INK)      # hatch
    return img


def aa_tank():
    img = canvas(28)
    hull = (176, 150, 96)
    tracked_hull(img, hull, 7)
    for x in (9, 16):                                                # twin guns
        paint(img, Rect(x, 1, x + 3, 14), (90, 86, 78), INK)
        paint(img, Rect(x - 1, 0, x + 4, 3), (60, 58, 54), INK)
    paint(img, Rect(8, 11, 20, 22), lit(shade(hull, 12), 14, 16, 7), INK)  # gun mount
    paint(img, Rect(11, 14, 17, 19), (70, 120, 160), INK)                # sight glass
    paint(img, Ellipse(14, 24.5, 3, 2), (200, 200, 190), INK)            # radar dish
    return img


def soldier(img, cloth, helmet, pack, weapon, head_r=4):
    """A figure seen from above, arms reaching forward to hold `weapon`."""
    skin = (214, 170, 130)
    paint(img, Rect(6, 13, 14, 19), pack, INK)                       # pack
    paint(img, Ellipse(10, 13.5, 8, 4), lit(cloth, 10, 13, 8), INK)    # shoulders
    paint(img, Poly([(1.5, 14), (5.5, 14), (10, 6), (7, 4)]), shade(cloth, 15), INK)   # arms
    paint(img, Poly([(18.5, 14), (14.5, 14), (10, 6), (13, 4)]), shade(cloth, -10), INK)
    weapon(img)
    img.put(8, 5, skin)                                               # hands
    img.put(11, 5, skin)
    paint(img, Ellipse(10, 13, head_r, head_r), lit(helmet, 10, 12, head_r, 50), INK)


def infantry():
    img = canvas(20)

    def rifle(img):
        paint(img, Rect(8.5, 0, 11.5, 10), (92, 64, 36), INK)
    soldier(img, (150, 136, 88), (58, 96, 44), (112, 90, 56), rifle)
    return img


def saboteur():
    img = canvas(20)

    def charge(img):  # bundled dynamite sticks with a lit fuse
        paint(img, Rect(6, 2, 14, 7), lambda x, y: (210, 44, 32) if x % 2 else (150, 26, 20), INK)
        img.put(10, 1, (255, 210, 50))
        img.put(10, 0, (255, 250, 200))
    soldier(img, (52, 52, 62), (30, 30, 36), (24, 24, 28), charge, head_r=3.5)
    for x in (9, 10):                                                 # eye slit in the balaclava
        img.put(x, 11, (214, 170, 130))
    return img


def airplane():
    img = canvas(34)
    body, wing = (176, 182, 192), (150, 158, 170)
    paint(img, Poly([(17, 10), (32, 16), (32, 20), (17, 19), (2, 20), (2, 16)]),
          gradient(shade(wing, 20), shade(wing, -15), 10, 20), INK)
    paint(img, Poly([(17, 25), (26, 29), (26, 32), (17, 31), (8, 32), (8, 29)]), wing, INK)
    paint(img, Ellipse(17, 17, 4, 16), lit(body, 17, 12, 5, 45), INK)
    paint(img, Ellipse(17, 9, 2, 3.5), (80, 160, 225), INK)          # canopy
    for cx in (7, 27):                                                # roundels
        paint(img, Ellipse(cx, 17.5, 2.5, 2.5), (40, 70, 160), INK)
    paint(img, Rect(16, 0, 18, 2), (60, 60, 64))                     # nose tip
    return img


def cruiser():
    img = canvas(38)
    hull, deck = (110, 116, 126), (150, 154, 160)
    paint(img, Poly([(19, 0), (24, 7), (26, 15), (26, 32), (24, 37.5), (14, 37.5), (12, 32), (12, 15),
                     (14, 7)]), hull, INK)
    paint(img, Poly([(19, 3), (23, 9), (24, 15), (24, 32), (22, 35.5), (16, 35.5), (14, 32), (14, 15),
                     (15, 9)]), deck)
    for y0, y1, cy in ((5, 11, 12), (28, 34, 27)):                    # twin gun turrets, fore and aft
        for x in (17, 20):
            paint(img, Rect(x, y0, x + 1, y1), (60, 62, 66))
        paint(img, Ellipse(19, cy, 3.5, 3), lit((128, 132, 140), 19, cy, 3), INK)
    paint(img, Rect(15, 16, 23, 24), lit((196, 198, 202), 19, 20, 5, 30), INK)  # bridge
    paint(img, Ellipse(19, 21, 2, 2), (60, 58, 56), INK)               # funnel
    paint(img, Rect(18, 17, 20, 18), (80, 150, 210))                 # bridge windows
    return img


def ducky():
    img = canvas(24)
    yellow = (250, 212, 36)
    paint(img, Poly([(12, 23), (9, 19), (15, 19)]), shade(yellow, -30), INK)  # tail
    paint(img, Ellipse(12, 14.5, 9, 8.5), lit(yellow, 12, 14, 8, 30), INK)
    for cx in (6.5, 17.5):                                            # folded wings
        paint(img, Ellipse(cx, 16, 2.5, 3.5), shade(yellow, -35), INK)
    paint(img, Ellipse(12, 3.5, 3, 3.5), (250, 130, 20), INK)         # beak
    paint(img, Ellipse(12, 8, 5, 5), lit(yellow, 12, 8, 5, 30), INK)   # head
    img.put(10, 6, INK)
    img.put(13, 6, INK)
    return img


def commander():
    img = canvas(28)
    paint_car = (52, 64, 100)
    for x0 in (5, 20):                                                # wheels
        for y0 in (5, 19):
            paint(img, Rect(x0, y0, x0 + 3, y0 + 5), (30, 30, 30), INK)
    car = Union(Rect(7, 5, 21, 24), Ellipse(14, 5, 7, 4), Ellipse(14, 24, 7, 3))
    paint(img, car, lit(paint_car, 14, 14, 10, 35), INK)
    paint(img, Rect(9, 9, 19, 12), (150, 200, 235), INK)             # windscreen
    paint(img, Rect(6, 3, 10, 7), (215, 35, 35), INK)                # fender pennants
    paint(img, Rect(18, 3, 22, 7), (215, 35, 35), INK)
    paint(img, Poly(star(14, 18.5, 6.2, 2.6, 5)), (250, 196, 30))  # gold star
    return img


def unknownenemy():
    img = canvas(28)
    red = (205, 30, 30)
    paint(img, Poly([(14, 0), (20, 8), (8, 8)]), red, INK)            # points along heading
    paint(img, Ellipse(14, 15.5, 11, 11), lit(red, 14, 15, 11, 30), INK)
    mask = {(5 + 2 * c + dx, 8 + 2 * r + dy) for r, row in enumerate(QUESTION)
            for c, bit in enumerate(row) if bit == "1" for dx in (0, 1) for dy in (0, 1)}
    for x, y in mask:                                                 # black shadow, then white mark
        img.put(x + 1, y + 1, INK)
    for x, y in mask:
        img.put(x, y, (250, 250, 250))
    return img


def explosion():
    img = canvas(36)
    rng = random.Random(7)
    outer = [rng.uniform(12.5, 17.5) for _ in range(13)]
    layers = ((1.0, (175, 28, 8), (70, 10, 0)),
              (0.72, (240, 110, 10), None),
              (0.46, (255, 206, 40), None))
    for scale, fill, rim in layers:
        pts = star(18, 18, [r * scale for r in outer], 7.5 * scale, 13)
        paint(img, Poly(pts), fill, rim)
    paint(img, Ellipse(18, 18, 3.5, 3.5), (255, 250, 205))
    for _ in range(6):                                                # flying sparks
        x, y = rng.randrange(2, 33), rng.randrange(2, 33)
        if img.get(x, y) == KEY and abs(x - 18) + abs(y - 18) > 16:
            img.put(x, y, (255, 200, 40))
    return img


SPRITES = {name: (lambda draw: lambda: framed(draw()))(draw) for name, draw in (
    ("unknownenemy", unknownenemy), ("infantry", infantry), ("tank", tank),
    ("airplane", airplane), ("cruiser", cruiser), ("aa_tank", aa_tank),
    ("saboteur", saboteur), ("ducky", ducky), ("commander", commander),
    ("explosion", explosion))}
