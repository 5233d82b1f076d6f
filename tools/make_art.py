#!/usr/bin/python3
"""Tessalorium art generator.

Draws the game's three bitmaps from scratch and writes them as palettised
8-bit BMP files:

    gfx/c18font.bmp  352 x 54   bitmap font, 11 x 18 cells in three rows
    gfx/pieces.bmp   176 x 16   eleven 16 x 16 tiles (pieces, empty cell,
                                new-piece marker, two drag cursors)
    gfx/board.bmp    206 x 274  window background (board frame, HUD wells,
                                close box, button plates)

and the desktop icons, PNG files made of the game's own tiles:

    packaging/icons/tessalorium-N.png   N x N for N = 16, 32, 48, 64, 128, 256

Run it from the repository root with Debian's Python (Pillow comes from the
python3-pil package):

    /usr/bin/python3 tools/make_art.py [OUTPUT_DIR] [--icons ICON_DIR]
                                       [--preview PNG]

OUTPUT_DIR defaults to gfx/.  The icons go to ICON_DIR; without
OUTPUT_DIR they go to packaging/icons/, and with an OUTPUT_DIR but no
--icons none are written (so checking the bitmaps in a scratch folder
leaves the repository alone).  --preview also writes an enlarged PNG that
shows the background with some tiles and text on it, for looking at the art.

The font glyphs are read from the Terminus Font bitmap face that Debian's
xfonts-terminus package installs (SIL Open Font License 1.1, see
gfx/LICENSE.md).  Everything else is drawn here.  There is no randomness:
two runs write identical bytes.  The BMP writer below is our own so the
file layout stays fully under our control (BITMAPINFOHEADER, BI_RGB,
8 bits per pixel, a full 256-entry palette, bottom-up rows padded to four
bytes); so is the PNG writer, whose bytes then depend only on zlib.
Pillow is used only to parse the font and to write the preview.

Palette conventions the game relies on:
  c18font.bmp  index 0 = background (black, the colour key), index 1 = ink
               (white; the game rewrites this entry before every stamp).
               Only indices 0 and 1 occur in the pixels.
  pieces.bmp   index 2 = the transparent colour of the marker tile (tile 8),
               a pure magenta that occurs nowhere else in the sheet.
  board.bmp    no reserved indices (drawn opaque).
"""

import gzip
import io
import math
import os
import struct
import sys
import zlib

FONT_PATH = "/usr/share/fonts/X11/misc/ter-u18b_iso-8859-1.pcf.gz"

GLYPH_W, GLYPH_H = 11, 18
TILE = 16
SCREEN_W, SCREEN_H = 206, 274
BOARD_X, BOARD_Y = 23, 57
BOARD_PX = 160

MARKER_KEY = 2          # transparent index of the marker tile
MARKER_KEY_RGB = (255, 0, 255)


# ---------------------------------------------------------------------------
# BMP writing
# ---------------------------------------------------------------------------

def bmp8_bytes(width, height, palette, pixels):
    """Encode an 8-bit palettised BMP.

    palette: up to 256 (r, g, b) tuples (padded with black to 256 entries).
    pixels:  width * height palette indices, top row first.
    """
    if len(pixels) != width * height:
        raise ValueError("pixel count does not match the size")
    if len(palette) > 256:
        raise ValueError("more than 256 palette entries")
    pal = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    stride = (width + 3) & ~3
    image_size = stride * height
    offset = 14 + 40 + 256 * 4
    out = bytearray()
    out += struct.pack("<2sIHHI", b"BM", offset + image_size, 0, 0, offset)
    out += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0,
                       image_size, 2835, 2835, 256, 0)
    for r, g, b in pal:
        out += bytes((b, g, r, 0))
    pad = bytes(stride - width)
    for y in range(height - 1, -1, -1):
        row = pixels[y * width:(y + 1) * width]
        if min(row) < 0 or max(row) > 255:
            raise ValueError("pixel index out of range")
        out += bytes(row) + pad
    return bytes(out)


def png_bytes(width, height, rgb):
    """Encode an 8-bit RGB PNG with no ancillary chunks (so no timestamp).

    rgb: width * height (r, g, b) tuples of ints, top row first.
    """
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + \
            struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # filter type None
        for r, g, b in rgb[y * width:(y + 1) * width]:
            raw += bytes((r, g, b))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2,
                                         0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def write_file(path, data):
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------------------
# Colour helpers and palette reduction
# ---------------------------------------------------------------------------

def clamp8(v):
    return 0 if v < 0 else 255 if v > 255 else int(v + 0.5)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def shade(c, k):
    """k < 1 darkens towards black, k > 1 lightens towards white."""
    if k >= 1.0:
        return tuple(v + (255.0 - v) * min(k - 1.0, 1.0) for v in c)
    return tuple(v * max(k, 0.0) for v in c)


def hsv(h, s, v):
    h = (h % 1.0) * 6.0
    i = int(h)
    f = h - i
    p, q, t = v * (1 - s), v * (1 - s * f), v * (1 - s * (1 - f))
    r, g, b = [(v, t, p), (q, v, p), (p, v, t),
               (p, q, v), (t, p, v), (v, p, q)][i % 6]
    return (r * 255.0, g * 255.0, b * 255.0)


def median_cut(counts, n):
    """Reduce a {rgb: count} histogram to at most n colours, deterministically."""
    boxes = [sorted(counts.items())]
    while len(boxes) < n:
        best, best_score = None, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spread = max(max(c[0][a] for c in box) - min(c[0][a] for c in box)
                         for a in range(3))
            score = spread * spread * sum(c[1] for c in box)
            if score > best_score:
                best, best_score = i, score
        if best is None:
            break
        box = boxes.pop(best)
        ranges = [max(c[0][a] for c in box) - min(c[0][a] for c in box)
                  for a in range(3)]
        axis = ranges.index(max(ranges))
        box.sort(key=lambda c: (c[0][axis], c[0]))
        total = sum(c[1] for c in box)
        acc, cut = 0, 1
        for j, c in enumerate(box):
            acc += c[1]
            if acc * 2 >= total:
                cut = j + 1
                break
        cut = min(max(cut, 1), len(box) - 1)
        boxes.append(box[:cut])
        boxes.append(box[cut:])
    result = []
    for box in boxes:
        total = sum(c[1] for c in box)
        result.append(tuple(clamp8(sum(c[0][a] * c[1] for c in box) / total)
                            for a in range(3)))
    return sorted(set(result))


def quantise(rgb_pixels, fixed, free_slots, keep_out=()):
    """Map float RGB pixels to palette indices.

    fixed:      palette entries that come first (index 0 upwards).
    free_slots: how many more entries the image may use.
    keep_out:   indices of `fixed` that no pixel may be mapped to.
    Returns (palette, indices).
    """
    ints = [tuple(clamp8(v) for v in p) for p in rgb_pixels]
    counts = {}
    for p in ints:
        counts[p] = counts.get(p, 0) + 1
    if len(counts) <= free_slots:
        extra = sorted(counts)
    else:
        extra = median_cut(counts, free_slots)
    palette = list(fixed) + [c for c in extra]
    usable = [i for i in range(len(palette)) if i not in keep_out]
    cache = {}
    out = []
    for p in ints:
        idx = cache.get(p)
        if idx is None:
            best, best_d = None, None
            for i in usable:
                q = palette[i]
                d = ((p[0] - q[0]) * 30) ** 2 + ((p[1] - q[1]) * 59) ** 2 \
                    + ((p[2] - q[2]) * 11) ** 2
                if best_d is None or d < best_d:
                    best, best_d = i, d
            cache[p] = idx = best
        out.append(idx)
    return palette, out


# ---------------------------------------------------------------------------
# Geometry: signed distances, polygons, supersampled painting
# ---------------------------------------------------------------------------

def seg_nearest(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = 0.0 if t < 0 else 1.0 if t > 1 else t
    return ax + dx * t, ay + dy * t


def inside_polygon(px, py, pts):
    inside = False
    n = len(pts)
    for i in range(n):
        ax, ay = pts[i]
        bx, by = pts[(i + 1) % n]
        if (ay > py) != (by > py):
            xc = ax + (py - ay) * (bx - ax) / (by - ay)
            if px < xc:
                inside = not inside
    return inside


def polygon_depth(px, py, pts):
    """Distance into the polygon (negative outside) and the outward normal
    of the nearest boundary point."""
    best_d, best_q = None, None
    n = len(pts)
    for i in range(n):
        ax, ay = pts[i]
        bx, by = pts[(i + 1) % n]
        qx, qy = seg_nearest(px, py, ax, ay, bx, by)
        d = math.hypot(px - qx, py - qy)
        if best_d is None or d < best_d:
            best_d, best_q = d, (qx, qy)
    inside = inside_polygon(px, py, pts)
    qx, qy = best_q
    if best_d < 1e-9:
        nx, ny = 0.0, -1.0
    elif inside:
        nx, ny = (qx - px) / best_d, (qy - py) / best_d
    else:
        nx, ny = (px - qx) / best_d, (py - qy) / best_d
    return (best_d if inside else -best_d), nx, ny


def seg_dist(px, py, ax, ay, bx, by):
    qx, qy = seg_nearest(px, py, ax, ay, bx, by)
    return math.hypot(px - qx, py - qy)


def render(width, height, colour_at, samples=4):
    """Evaluate colour_at(x, y) on a samples x samples grid inside every
    pixel and average: gives anti-aliased edges for shapes described as
    functions.  Returns a list of float RGB tuples, top row first."""
    out = []
    step = 1.0 / samples
    offs = [(i + 0.5) * step for i in range(samples)]
    area = float(samples * samples)
    for y in range(height):
        for x in range(width):
            r = g = b = 0.0
            for oy in offs:
                for ox in offs:
                    c = colour_at(x + ox, y + oy)
                    r += c[0]
                    g += c[1]
                    b += c[2]
            out.append((r / area, g / area, b / area))
    return out


def ihash(x, y, seed=0):
    """Small integer hash in 0..255 (deterministic texture noise)."""
    h = (x * 374761393 + y * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return (h ^ (h >> 16)) & 0xFF


LIGHT = (-0.55, -0.83)  # direction towards the light: upper left


# ---------------------------------------------------------------------------
# Font sheet
# ---------------------------------------------------------------------------

FONT_ROWS = [  # (first code, last code, wanted upward shift inside the sheet)
    (33, 64, 2),    # punctuation and digits: drawn 2 px lower by the game
    (65, 90, 1),    # capitals: drawn 1 px lower
    (97, 122, 0),   # lower case: drawn at the given y
]
FONT_W, FONT_H = 32 * GLYPH_W, 3 * GLYPH_H


def load_font_bitmaps(path=FONT_PATH):
    from PIL import PcfFontFile
    with gzip.open(path, "rb") as f:
        data = f.read()
    font = PcfFontFile.PcfFontFile(io.BytesIO(data))
    glyphs = {}
    for code in range(33, 127):
        entry = font.glyph[code]
        if entry is None:
            continue
        (dx, _), (x0, y0, x1, y1), _, im = entry
        # The face is a 10 x 18 character cell font: ascent 15, descent 3.
        if (x0, y0, x1, y1) != (0, -15, 10, 3) or im.size != (10, 18):
            raise SystemExit("unexpected glyph metrics for %r in %s"
                             % (chr(code), path))
        glyphs[code] = [[1 if im.getpixel((x, y)) else 0 for x in range(10)]
                        for y in range(18)]
    return glyphs


def make_font(glyphs, notes):
    """Lay the glyphs out in the 352 x 54 sheet.

    Each 10-pixel-wide face glyph goes one column in from the left edge of
    its 11-pixel cell, so column 0 and column 10 of every cell stay
    background (all Terminus glyphs keep their ink inside face columns
    0..8).  The game draws the three sheet rows 2, 1 and 0 pixels lower, so
    rows 0 and 1 are moved up by that much here to put every glyph on the
    font's common baseline on screen.  A glyph whose ink starts too near
    the top is moved up only as far as it goes without losing ink.
    """
    pix = [0] * (FONT_W * FONT_H)
    for sheet_row, (first, last, want) in enumerate(FONT_ROWS):
        for code in range(first, last + 1):
            g = glyphs[code]
            ink_rows = [y for y in range(18) if any(g[y])]
            ink_cols = [x for x in range(10) if any(g[y][x] for y in range(18))]
            shift = min(want, ink_rows[0])
            if shift != want:
                notes.append("%r moved up %d px instead of %d (ink starts on "
                             "face row %d)" % (chr(code), shift, want,
                                               ink_rows[0]))
            if ink_cols[-1] > 8 or ink_rows[-1] - shift > GLYPH_H - 1:
                raise SystemExit("glyph %r does not fit its cell" % chr(code))
            cx = (code - first) * GLYPH_W + 1
            cy = sheet_row * GLYPH_H
            for y in range(18):
                ty = y - shift
                if not 0 <= ty < GLYPH_H:
                    continue
                for x in range(10):
                    if g[y][x]:
                        pix[(cy + ty) * FONT_W + cx + x] = 1
    palette = [(0, 0, 0), (255, 255, 255)]
    return palette, pix


# ---------------------------------------------------------------------------
# Pieces sheet
# ---------------------------------------------------------------------------

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


# ---------------------------------------------------------------------------
# Background
# ---------------------------------------------------------------------------

HUD_WELLS = [(12, 6, 63, 47), (128, 6, 190, 47)]       # x0, y0, x1, y1 inclusive
PLATES = [(10, 233, 65, 257), (94, 233, 193, 257)]
CLOSE_BOX = (192, 1, 204, 13)
BOARD_FRAME = 4


def in_rect(px, py, r):
    return r[0] <= px <= r[2] and r[1] <= py <= r[3]


def rect_ring(px, py, r):
    """Distance in whole pixels from the rectangle's outer edge (0 = edge),
    or -1 when outside."""
    if not in_rect(px, py, r):
        return -1
    return min(px - r[0], py - r[1], r[2] - px, r[3] - py)


def emblem_colour(x, y):
    """Small mosaic of four rhombi between the HUD wells, or None."""
    cx, cy = 95.5, 26.5
    u, v = x - cx, y - cy
    if abs(u) + abs(v) > 14.5:
        return None
    hues = [(214, 36, 48), (44, 176, 70), (48, 108, 232), (236, 190, 30)]
    quad = (0 if u < 0 else 1) + (0 if v < 0 else 2)
    base = mix(hues[quad], (64, 72, 100), 0.62)
    edge = 14.5 - (abs(u) + abs(v))
    seam = min(abs(u), abs(v))
    if edge < 1.0 or seam < 0.7:
        return (18, 20, 32)
    lam = (-0.6 * (1 if u > 0 else -1) - 0.8 * (1 if v > 0 else -1))
    k = 1.0 + 0.18 * lam if edge < 3.0 else 1.0
    return shade(base, k)


def background_colour(x, y):
    px, py = int(x), int(y)
    W, H = SCREEN_W, SCREEN_H

    # window edge: dark line, then a lit top/left and shaded bottom/right lip
    if px == 0 or py == 0 or px == W - 1 or py == H - 1:
        return (6, 7, 12)
    if px == 1 or py == 1:
        return (96, 108, 146)
    if px == W - 2 or py == H - 2:
        return (34, 38, 58)

    # close box
    if in_rect(px, py, CLOSE_BOX):
        ring = rect_ring(px, py, CLOSE_BOX)
        if ring == 0:
            return (16, 6, 8)
        cx = (CLOSE_BOX[0] + CLOSE_BOX[2] + 1) / 2.0
        cy = (CLOSE_BOX[1] + CLOSE_BOX[3] + 1) / 2.0
        d = min(seg_dist(x, y, cx - 3.2, cy - 3.2, cx + 3.2, cy + 3.2),
                seg_dist(x, y, cx + 3.2, cy - 3.2, cx - 3.2, cy + 3.2))
        if d < 1.0:
            return (255, 238, 232)
        if d < 1.7:
            return (70, 10, 16)
        if ring == 1:
            lit = px - CLOSE_BOX[0] == 1 or py - CLOSE_BOX[1] == 1
            return (238, 120, 120) if lit else (110, 24, 32)
        return shade((186, 44, 52), 1.08 - 0.16 * (py - CLOSE_BOX[1]) / 12.0)

    # the board and its frame
    bx0, by0 = BOARD_X, BOARD_Y
    bx1, by1 = BOARD_X + BOARD_PX - 1, BOARD_Y + BOARD_PX - 1
    if bx0 <= px <= bx1 and by0 <= py <= by1:
        return slot_colour((px - bx0) % TILE + 0.5, (py - by0) % TILE + 0.5)
    frame = (bx0 - BOARD_FRAME, by0 - BOARD_FRAME,
             bx1 + BOARD_FRAME, by1 + BOARD_FRAME)
    ring = rect_ring(px, py, frame)
    if ring >= 0:
        if ring == 0:
            return (8, 9, 16)
        if ring == BOARD_FRAME - 1:
            return (10, 12, 20)
        top_left = (py - frame[1] <= ring) or (px - frame[0] <= ring)
        if ring == 1:
            return (150, 160, 196) if top_left else (58, 64, 92)
        return (110, 120, 156) if top_left else (76, 84, 116)

    # HUD wells: recessed dark panels
    for r in HUD_WELLS:
        ring = rect_ring(px, py, r)
        if ring < 0:
            continue
        if ring == 0:
            on_top_left = px == r[0] or py == r[1]
            return (10, 11, 20) if on_top_left else (112, 124, 160)
        if ring == 1 and (px == r[0] + 1 or py == r[1] + 1):
            return (18, 20, 32)
        t = (py - r[1]) / float(r[3] - r[1])
        return mix((24, 28, 44), (32, 38, 58), t)

    # button plates: raised, mid-dark
    for r in PLATES:
        ring = rect_ring(px, py, r)
        if ring < 0:
            continue
        if ring == 0:
            return (8, 9, 16)
        if ring == 1:
            lit = px == r[0] + 1 or py == r[1] + 1
            return (140, 150, 190) if lit else (36, 40, 62)
        t = (py - r[1]) / float(r[3] - r[1])
        return mix((84, 94, 130), (56, 62, 92), t)

    e = emblem_colour(x, y)
    if e is not None:
        return e

    # drop shadows of the frame, the plates and the wells' rims
    shadow = 1.0
    if in_rect(px - 2, py - 2, frame) and not in_rect(px, py, frame):
        shadow = 0.6
    for r in PLATES:
        if in_rect(px - 1, py - 1, r) and not in_rect(px, py, r):
            shadow = 0.6
    if in_rect(px - 1, py - 1, CLOSE_BOX):
        shadow = 0.6

    # calm vertical gradient with a faint rhombus lattice near the edges
    t = py / float(H - 1)
    base = mix((44, 52, 84), (24, 28, 50), t)
    u = (x + 2 * y) / 14.0
    v = (x - 2 * y) / 14.0
    du = abs(u - math.floor(u + 0.5))
    dv = abs(v - math.floor(v + 0.5))
    line = max(0.0, 1.0 - min(du, dv) * 14.0 / 1.2)
    # fade the lattice out towards the middle of the window
    ex = min(px, W - 1 - px) / 30.0
    ey = min(py, H - 1 - py) / 40.0
    strength = max(0.0, 1.0 - min(ex, ey))
    k = 1.0 + 0.10 * line * (0.35 + 0.65 * strength)
    return shade(shade(base, k), shadow)


def make_background():
    rgb = render(SCREEN_W, SCREEN_H, background_colour, samples=2)
    palette, pix = quantise(rgb, [], 256)
    return palette, pix


# ---------------------------------------------------------------------------
# Desktop icons: a few of the game's own tiles, enlarged without smoothing
# ---------------------------------------------------------------------------

# Tile codes laid out as a small patch of board.  The smallest icon holds
# one tile, the wildcard; the others show pieces of several kinds around it.
ICON_PATCHES = {
    1: [[4]],
    2: [[0, 4],
        [2, 1]],
    3: [[3, 0, 1],
        [2, 4, 0],
        [6, 5, 0]],
}
# Icon size: (patch, enlargement).  Every size is a whole multiple of the
# patch, so each tile pixel becomes a square block of pixels.
ICON_SIZES = {16: (1, 1), 32: (2, 1), 48: (3, 1), 64: (2, 2), 128: (2, 4),
              256: (2, 8)}


def make_icon(size, pieces_pal, pieces_pix, pieces_w):
    """RGB pixels of the size x size icon, top row first."""
    patch_n, scale = ICON_SIZES[size]
    patch = ICON_PATCHES[patch_n]
    if patch_n * TILE * scale != size:
        raise ValueError("icon size %d is not a whole enlargement" % size)
    out = []
    for y in range(size):
        ty, py = divmod(y // scale, TILE)
        for x in range(size):
            tx, px = divmod(x // scale, TILE)
            v = pieces_pix[py * pieces_w + patch[ty][tx] * TILE + px]
            out.append(pieces_pal[v])
    return out


def write_icons(icon_dir, pieces_pal, pieces_pix, pieces_w):
    os.makedirs(icon_dir, exist_ok=True)
    for size in sorted(ICON_SIZES):
        write_file(os.path.join(icon_dir, "tessalorium-%d.png" % size),
                   png_bytes(size, size,
                             make_icon(size, pieces_pal, pieces_pix, pieces_w)))


# ---------------------------------------------------------------------------
# Preview (a picture of a game screen, enlarged; not used by the game)
# ---------------------------------------------------------------------------

def preview(path, font_pix, pieces_pal, pieces_pix, pieces_w, board_pal,
            board_pix, scale=3):
    from PIL import Image
    W, H = SCREEN_W, SCREEN_H

    def screen_from_board():
        return [board_pal[i] for i in board_pix]

    def blit_tile(scr, tile, cx, cy, key=None):
        for y in range(TILE):
            for x in range(TILE):
                v = pieces_pix[y * pieces_w + tile * TILE + x]
                if key is not None and v == key:
                    continue
                scr[(BOARD_Y + cy * TILE + y) * W + BOARD_X + cx * TILE + x] = \
                    pieces_pal[v]

    def stamp(scr, sx, sy, dx, dy, colour):
        for y in range(GLYPH_H):
            for x in range(GLYPH_W):
                if font_pix[(sy + y) * FONT_W + sx + x]:
                    X, Y = dx + x, dy + y
                    if 0 <= X < W and 0 <= Y < H:
                        scr[Y * W + X] = colour

    def text(scr, s, x, y, colour):
        pen = x
        for ch in s:
            c = ord(ch)
            src = None
            if 33 <= c <= 64:
                src, cy = ((c - 33) * GLYPH_W, 0), y + 2
            elif 65 <= c <= 90:
                src, cy = ((c - 65) * GLYPH_W, GLYPH_H), y + 1
            elif 97 <= c <= 122:
                src, cy = ((c - 97) * GLYPH_W, 2 * GLYPH_H), y
            if src:
                for ox, oy in ((-1, 0), (1, 0), (-1, -1), (1, -1), (0, -1),
                               (0, 1), (-1, 1), (1, 1)):
                    stamp(scr, src[0], src[1], pen + ox, cy + oy, (0, 0, 0))
                stamp(scr, src[0], src[1], pen, cy, colour)
            pen += GLYPH_W

    MAG, GRN, BLU, YEL = (255, 0, 255), (136, 255, 119), (0, 153, 255), \
        (255, 238, 119)

    # left: a game in progress
    play = screen_from_board()
    layout = [
        "7777777777",
        "7012777767",
        "7301457777",
        "7722377317",
        "7777707777",
        "7774777217",
        "7577777777",
        "7716637047",
        "7777777777",
        "1237777754",
    ]
    for cy, row in enumerate(layout):
        for cx, ch in enumerate(row):
            blit_tile(play, int(ch), cx, cy)
    for cx, cy in ((2, 1), (5, 2), (8, 7), (9, 9)):
        blit_tile(play, 8, cx, cy, key=MARKER_KEY)
    blit_tile(play, 10, 3, 4)
    blit_tile(play, 9, 6, 5)
    text(play, "Score", 132, 10, BLU)
    text(play, "%5d" % 1234, 132, 26, MAG)
    text(play, "Turn", 16, 10, GRN)
    text(play, "%4d" % 56, 16, 26, MAG)
    text(play, "UNDO", 16, 237, YEL)
    text(play, "NEW GAME", 100, 237, (255, 255, 255))

    # right: the title screen over an empty board
    title = screen_from_board()
    for cy in range(10):
        for cx in range(10):
            blit_tile(title, 7, cx, cy)
    text(title, "Score", 132, 10, BLU)
    text(title, "%5d" % 0, 132, 26, MAG)
    text(title, "Turn", 16, 10, GRN)
    text(title, "%4d" % 0, 16, 26, MAG)
    text(title, "NEW GAME", 100, 237, YEL)
    text(title, "< Tessalorium >", 21, 57, MAG)
    text(title, "Highscores:", 43, 93, BLU)
    rows = [(9876, "Ada"), (5432, "Quincy"), (310, "j.g"), (42, "Xyz@#"),
            (0, "Nobody")]
    for i, (sc, nm) in enumerate(rows):
        text(title, "%5d %6s" % (sc, nm), 37, BOARD_Y + (3 + i) * GLYPH_H, GRN)

    # bottom strip: the pieces sheet and the whole font
    strip_h = 16 + 4 + FONT_H
    img = Image.new("RGB", (2 * W + 8, H + 8 + strip_h), (90, 90, 90))
    for scr, ox in ((play, 0), (title, W + 8)):
        im = Image.new("RGB", (W, H))
        im.putdata([tuple(int(v) for v in p) for p in scr])
        img.paste(im, (ox, 0))
    ps = Image.new("RGB", (pieces_w, TILE))
    ps.putdata([pieces_pal[v] for v in pieces_pix])
    img.paste(ps, (0, H + 8))
    fs = Image.new("RGB", (FONT_W, FONT_H))
    fs.putdata([(255, 255, 255) if v else (40, 40, 60) for v in font_pix])
    img.paste(fs, (0, H + 8 + TILE + 4))
    img = img.resize((img.width * scale, img.height * scale), Image.NEAREST)
    img.save(path)


# ---------------------------------------------------------------------------

def main(argv):
    out_dir = None
    icon_dir = None
    preview_path = None
    args = list(argv)
    while args:
        a = args.pop(0)
        if a == "--preview":
            if not args:
                raise SystemExit("--preview needs a file name")
            preview_path = args.pop(0)
        elif a == "--icons":
            if not args:
                raise SystemExit("--icons needs a folder name")
            icon_dir = args.pop(0)
        elif a.startswith("-"):
            raise SystemExit(__doc__)
        else:
            out_dir = a
    if out_dir is None:
        root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        out_dir = os.path.join(root, "gfx")
        if icon_dir is None:
            icon_dir = os.path.join(root, "packaging", "icons")
    os.makedirs(out_dir, exist_ok=True)

    notes = []
    font_pal, font_pix = make_font(load_font_bitmaps(), notes)
    pieces_pal, pieces_pix, pieces_w = make_pieces()
    board_pal, board_pix = make_background()

    write_file(os.path.join(out_dir, "c18font.bmp"),
               bmp8_bytes(FONT_W, FONT_H, font_pal, font_pix))
    write_file(os.path.join(out_dir, "pieces.bmp"),
               bmp8_bytes(pieces_w, TILE, pieces_pal, pieces_pix))
    write_file(os.path.join(out_dir, "board.bmp"),
               bmp8_bytes(SCREEN_W, SCREEN_H, board_pal, board_pix))
    for n in notes:
        print("font:", n)
    print("pieces.bmp: %d palette entries used, board.bmp: %d"
          % (len(pieces_pal), len(board_pal)))
    if icon_dir is not None:
        write_icons(icon_dir, pieces_pal, pieces_pix, pieces_w)
        print("icons: %s" % ", ".join(str(n) for n in sorted(ICON_SIZES)))
    if preview_path:
        preview(preview_path, font_pix, pieces_pal, pieces_pix, pieces_w,
                board_pal, board_pix)


if __name__ == "__main__":
    main(sys.argv[1:])
