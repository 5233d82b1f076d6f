"""The pieces sheet: eleven 16 x 16 tiles (pieces, empty cell, new-piece
marker, two drag cursors), each drawn from shapes and colour formulas.

Palette: index 2 is the transparent colour of the marker tile (tile 8), a
pure magenta that occurs nowhere else in the sheet."""

import math

from art.paint import (LIGHT, TILE, hsv, ihash, inside_polygon, mix,
                       polygon_depth, quantise, render, seg_dist, shade)

MARKER_KEY = 2          # transparent index of the marker tile
MARKER_KEY_RGB = (255, 0, 255)

SLOT_FACE = (40, 47, 68)


def slot_colour(x, y):
    """The recessed empty cell: dark face, shadowed top/left lip, lit
    bottom/right lip, gently darker towards the middle."""
    px, py = int(x), int(y)
    if px == 0 or py == 0:
        return (20, 23, 35)
    if px == 15 or py == 15:
        return (74, 84, 112)
    if px == 1 or py == 1:
        return (29, 34, 50)
    r = math.hypot(x - 8.5, y - 8.5) / 8.0
    return shade(SLOT_FACE, 0.86 + 0.14 * min(r, 1.0))


def gem_polygon(pts, base, bevel=2.3, glint=(6.0, 6.0), shadow=True):
    """A cut gem: dark rim, lit or shaded bevel facets, a flat table with a
    soft highlight.  Sits in the empty-cell slot with a drop shadow."""
    lx, ly = LIGHT

    def colour(x, y):
        d, nx, ny = polygon_depth(x, y, pts)
        if d < 0:
            c = slot_colour(x, y)
            if shadow and inside_polygon(x - 1.2, y - 1.2, pts):
                c = shade(c, 0.55)
            return c
        if d < 0.8:
            return shade(base, 0.32)
        if d < bevel:
            lam = nx * lx + ny * ly
            return shade(base, 1.0 + 0.48 * lam)
        t = (y - 8.0) / 8.0
        c = shade(base, 1.02 - 0.22 * t)
        spot = math.hypot(x - glint[0], y - glint[1])
        if spot < 2.4:
            c = mix(c, (255, 255, 255), min(1.0, 0.95 * (1 - spot / 2.4) + 0.1))
        return c
    return colour


def sphere(cx, cy, rad, base):
    L = (-0.45, -0.62, 0.64)
    ln = math.sqrt(sum(v * v for v in L))
    L = tuple(v / ln for v in L)

    def colour(x, y):
        dx, dy = (x - cx) / rad, (y - cy) / rad
        r2 = dx * dx + dy * dy
        if r2 > 1.0:
            c = slot_colour(x, y)
            sx, sy = (x - 1.2 - cx) / rad, (y - 1.2 - cy) / rad
            if sx * sx + sy * sy <= 1.0:
                c = shade(c, 0.55)
            return c
        if math.sqrt(r2) > 1.0 - 0.8 / rad:
            return shade(base, 0.32)
        dz = math.sqrt(1.0 - r2)
        diff = max(0.0, dx * L[0] + dy * L[1] + dz * L[2])
        c = shade(base, 0.45 + 0.7 * diff)
        # reflected light along the view axis
        rz = 2 * diff * dz - L[2]
        specular = max(0.0, rz) ** 18
        c = mix(c, (255, 255, 255), min(1.0, specular * 0.95))
        glint = math.hypot(x - (cx - 2.4), y - (cy - 2.6))
        if glint < 1.7:
            c = mix(c, (255, 255, 255), 0.9 * (1 - glint / 1.7))
        # a little bounce light on the lower rim
        rim = max(0.0, dy) * (1 - dz)
        return shade(c, 1.0 + 0.25 * rim)
    return colour


def star_points(cx, cy, r_out, r_in, n=5, rot=-math.pi / 2):
    pts = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = rot + i * math.pi / n
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def wild_star():
    cx, cy = 8.0, 8.6
    pts = star_points(cx, cy, 8.2, 3.6)
    lx, ly = LIGHT

    def colour(x, y):
        d, nx, ny = polygon_depth(x, y, pts)
        if d < 0:
            c = slot_colour(x, y)
            glow = math.hypot(x - cx, y - cy)
            c = mix(c, (120, 70, 160), 0.35 * max(0.0, 1 - glow / 8.5))
            if inside_polygon(x - 1.1, y - 1.1, pts):
                c = shade(c, 0.5)
            return c
        hue = (math.atan2(y - cy, x - cx) + math.pi / 2) / (2 * math.pi)
        base = hsv(hue, 0.78, 1.0)
        if d < 0.7:
            return shade(base, 0.3)
        if d < 1.8:
            return shade(base, 0.95 + 0.35 * (nx * lx + ny * ly))
        core = math.hypot(x - cx, y - cy)
        c = base
        if core < 2.6:
            c = mix(c, (255, 255, 250), 0.85 * (1 - core / 2.6))
        return c
    return colour


def plus_points(c, a, b):
    return [(c - a, c - b), (c + a, c - b), (c + a, c - a), (c + b, c - a),
            (c + b, c + a), (c + a, c + a), (c + a, c + b), (c - a, c + b),
            (c - a, c + a), (c - b, c + a), (c - b, c - a), (c - a, c - a)]


PADLOCK = [  # k dark outline, s steel shackle, B brass, b brass shade,
             # h brass highlight, . stone shows through
    "..kkkk..",
    ".kssssk.",
    ".ks..sk.",
    ".ks..sk.",
    "kkkkkkkk",
    "khBBBBbk",
    "khBkkBbk",
    "kBBkkBbk",
    "kBBBBBbk",
    "kkkkkkkk",
]
PADLOCK_RGB = {"k": (22, 18, 14), "s": (200, 204, 212), "B": (222, 172, 62),
               "b": (160, 112, 34), "h": (255, 226, 140)}


def fixed_block():
    stone = (120, 120, 128)

    def colour(x, y):
        px, py = int(x), int(y)
        if px == 0 or py == 0 or px == 15 or py == 15:
            return (26, 26, 32)
        if px == 1 or py == 1:
            return (176, 176, 184) if px < 14 and py < 14 else (90, 90, 98)
        if px == 14 or py == 14:
            return (70, 70, 78)
        # padlock in the middle
        lx, ly = px - 4, py - 4
        if 0 <= lx < 8 and 0 <= ly < 10:
            ch = PADLOCK[ly][lx]
            if ch != ".":
                return PADLOCK_RGB[ch]
        # bolts in the corners
        for bx, by in ((3, 3), (12, 3), (3, 12), (12, 12)):
            if (px, py) == (bx, by):
                return (200, 200, 208)
            if (px, py) == (bx + 1, by + 1) or (px, py) == (bx + 1, by) \
                    or (px, py) == (bx, by + 1):
                return (54, 54, 60)
        n = ihash(px, py, 5)
        k = 0.92 + 0.12 * (n / 255.0)
        if n > 236:
            k = 0.78
        return shade(stone, k - 0.05 * ((px + py) / 30.0))
    return colour


def marker_tile():
    """New-piece marker: bright corner brackets, the rest transparent.
    Returns (rgb list, transparent mask)."""
    corner = [  # W white-gold, Y gold, K dark edge, . transparent
        "WWWWWK",
        "WYYYYK",
        "WYKKK.",
        "WYK...",
        "WYK...",
        "KK....",
    ]
    rgb = {"W": (255, 250, 200), "Y": (250, 196, 40), "K": (40, 24, 0)}
    out, mask = [], []
    for y in range(TILE):
        for x in range(TILE):
            cx = x if x < 8 else 15 - x
            cy = y if y < 8 else 15 - y
            ch = corner[cy][cx] if cx < 6 and cy < 6 else "."
            if ch == ".":
                out.append(MARKER_KEY_RGB)
                mask.append(True)
            else:
                out.append(rgb[ch])
                mask.append(False)
    return out, mask


def cursor(ok):
    if ok:
        back, frame, ink = (14, 44, 26), (70, 210, 100), (120, 250, 130)
        strokes = [((3.6, 8.6), (6.6, 11.6)), ((6.6, 11.6), (12.4, 4.2))]
        half = 1.35
    else:
        back, frame, ink = (52, 14, 20), (224, 52, 52), (255, 84, 84)
        strokes = [((4.2, 4.2), (11.8, 11.8)), ((11.8, 4.2), (4.2, 11.8))]
        half = 1.3

    def colour(x, y):
        px, py = int(x), int(y)
        if px == 0 or py == 0 or px == 15 or py == 15:
            return shade(frame, 0.55)
        if px == 1 or py == 1 or px == 14 or py == 14:
            return frame
        d = min(seg_dist(x, y, a[0], a[1], b[0], b[1]) for a, b in strokes)
        if d < half:
            return shade(ink, 1.0 + 0.25 * (1 - d / half))
        if d < half + 0.9:
            return (0, 0, 0)
        return shade(back, 0.9 + 0.2 * (y / 16.0))
    return colour


PIECE_TILES = 11


def make_pieces():
    c = 8.0
    makers = [
        sphere(8.0, 8.0, 6.6, (214, 36, 48)),                       # 0 ruby ball
        gem_polygon([(3.2, 1.8), (12.8, 1.8), (14.2, 3.2), (14.2, 12.8),
                     (12.8, 14.2), (3.2, 14.2), (1.8, 12.8), (1.8, 3.2)],
                    (44, 176, 70), glint=(5.6, 5.6)),               # 1 emerald square
        gem_polygon([(8.0, 1.2), (14.9, 14.0), (1.1, 14.0)],
                    (48, 108, 232), bevel=2.0, glint=(7.0, 8.6)),   # 2 sapphire triangle
        gem_polygon([(8.0, 0.9), (15.1, 8.0), (8.0, 15.1), (0.9, 8.0)],
                    (236, 190, 30), bevel=2.0, glint=(6.6, 6.6)),   # 3 topaz diamond
        wild_star(),                                                # 4 wildcard
        fixed_block(),                                              # 5 fixed
        gem_polygon(plus_points(c, 2.8, 7.0), (160, 64, 214),
                    bevel=1.9, glint=(7.0, 6.6)),                   # 6 amethyst cross
        slot_colour,                                                # 7 empty
        None,                                                       # 8 marker
        cursor(False),                                              # 9 not allowed
        cursor(True),                                               # 10 allowed
    ]
    tiles = []
    marker_mask = None
    for n, fn in enumerate(makers):
        if fn is None:
            rgb, marker_mask = marker_tile()
            tiles.append(rgb)
        else:
            samples = 1 if n in (5, 7) else 4
            tiles.append(render(TILE, TILE, fn, samples))
    width = TILE * PIECE_TILES
    sheet = [None] * (width * TILE)
    for n, t in enumerate(tiles):
        for y in range(TILE):
            for x in range(TILE):
                sheet[y * width + n * TILE + x] = t[y * TILE + x]
    # Quantise everything except the marker's transparent pixels, then put
    # those in as index 2.
    opaque_pos = [i for i in range(len(sheet))
                  if not (8 * TILE <= i % width < 9 * TILE
                          and marker_mask[(i // width) * TILE + i % width - 8 * TILE])]
    fixed = [(0, 0, 0), (255, 255, 255), MARKER_KEY_RGB]
    palette, idx = quantise([sheet[i] for i in opaque_pos], fixed,
                            256 - len(fixed), keep_out=(MARKER_KEY,))
    pix = [MARKER_KEY] * len(sheet)
    for i, v in zip(opaque_pos, idx):
        pix[i] = v
    return palette, pix, width
