"""The font sheet: Terminus Font glyphs (Debian's xfonts-terminus, SIL Open
Font License 1.1, see gfx/LICENSE.md) laid out in 11 x 18 cells, and text
stamped with it the way the game does.

Palette: index 0 = background (black, the colour key), index 1 = ink
(white; the game rewrites this entry before every stamp).  Only indices 0
and 1 occur in the pixels."""

import gzip
import io

from art.game_facts import GLYPH_H, GLYPH_W

FONT_PATH = "/usr/share/fonts/X11/misc/ter-u18b_iso-8859-1.pcf.gz"

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


# The game's outline: the glyph in black at the eight neighbouring offsets,
# then in its colour on top.
STAMPS = [(-1, 0), (1, 0), (-1, -1), (1, -1), (0, -1), (0, 1), (-1, 1), (1, 1),
          (0, 0)]


def draw_text(put, font_pix, s, x, y, colour):
    """Stamp s with its pen at (x, y) as the game does, through put(x, y, rgb)."""
    for n, ch in enumerate(s):
        for row, (first, last, drop) in enumerate(FONT_ROWS):
            if not first <= ord(ch) <= last:
                continue
            sx, sy = (ord(ch) - first) * GLYPH_W, row * GLYPH_H
            for ox, oy in STAMPS:
                ink = colour if (ox, oy) == (0, 0) else (0, 0, 0)
                for gy in range(GLYPH_H):
                    for gx in range(GLYPH_W):
                        if font_pix[(sy + gy) * FONT_W + sx + gx]:
                            put(x + n * GLYPH_W + gx + ox, y + drop + gy + oy, ink)
