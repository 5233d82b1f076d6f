"""Reads the game's window back from screenshots: board cells, texts, numbers.

Everything here works on the window's own 206 x 274 picture (a scaled window
is reduced first) and on the game's bitmaps: the tiles of pieces.bmp and the
glyphs of c18font.bmp are the references that every cell and every text on
the screen is compared with, pixel for pixel.
"""

from PIL import Image

SCREEN_W, SCREEN_H = 206, 274
BOARD_X, BOARD_Y = 23, 57
BOARD_W = BOARD_H = 10
TILE = 16
GLYPH_W, GLYPH_H = 11, 18

CELL_WILD, CELL_FIXED, CELL_EMPTY = 4, 5, 7
PIECE_KINDS = 7
TILE_MARKER = 8
MARKER_TRANSPARENT = 2  # palette index of the marker tile that lets the piece show

MAGENTA = (255, 0, 255)
GREEN = (136, 255, 119)
BLUE = (0, 153, 255)
YELLOW = (255, 238, 119)
WHITE = (255, 255, 255)
OUTLINE = (0, 0, 0)

# Glyph rows of the font sheet: first and last character, and how far below
# the pen the row's cells sit.
GLYPH_ROWS = (("!", "@", 2), ("A", "Z", 1), ("a", "z", 0))
INK_INDEX = 1
OUTLINE_OFFSETS = ((-1, 0), (1, 0), (-1, -1), (1, -1), (0, -1), (0, 1), (-1, 1), (1, 1))


def read_bmp8(path):
    """(palette, rows) of a palettised bitmap: RGB triples, and the rows top
    first, each a bytes object of palette indices."""
    image = Image.open(path)
    if image.mode != "P":
        raise ValueError("%s: not a palettised bitmap" % path)
    flat = image.getpalette()
    data = image.tobytes()
    return ([tuple(flat[i:i + 3]) for i in range(0, len(flat), 3)],
            [data[y * image.width:(y + 1) * image.width] for y in range(image.height)])


def centred_x(text):
    return (SCREEN_W - len(text) * GLYPH_W) // 2


def cell_origin(column, row):
    return BOARD_X + TILE * column, BOARD_Y + TILE * row


class Tiles:
    """Recognises a board cell: a piece or empty tile, with or without the
    new-piece marker drawn over it."""

    def __init__(self, path):
        palette, rows = read_bmp8(path)

        def indices(tile):
            return [rows[y][TILE * tile:TILE * (tile + 1)] for y in range(TILE)]

        def rgb(index_rows):
            return b"".join(bytes(palette[i]) for row in index_rows for i in row)

        marker = indices(TILE_MARKER)
        self.lookup = {}
        for code in range(CELL_EMPTY + 1):
            plain = indices(code)
            marked = [bytes(p if m == MARKER_TRANSPARENT else m for p, m in zip(prow, mrow))
                      for prow, mrow in zip(plain, marker)]
            for picture, is_marked in ((rgb(plain), False), (rgb(marked), True)):
                if picture in self.lookup:
                    raise ValueError("%s: tile %d cannot be told apart" % (path, code))
                self.lookup[picture] = (code, is_marked)

    def cell(self, image, column, row):
        """(code, marked) of the cell, or None when it shows anything else."""
        x, y = cell_origin(column, row)
        return self.lookup.get(image.crop((x, y, x + TILE, y + TILE)).tobytes())

    def board(self, image):
        """The board as rows of (code, marked), or None unless every cell is
        a plain tile (an animation, a banner or a text covers some)."""
        board = [[self.cell(image, column, row) for column in range(BOARD_W)] for row in range(BOARD_H)]
        return None if any(None in line for line in board) else board


class Font:
    """Draws texts the way the game does (glyph ink over an outline made of
    the glyph stamped eight times in black) and compares them with the
    screen."""

    def __init__(self, path):
        _, rows = read_bmp8(path)
        self.glyphs = {}
        for row_index, (first, last, drop) in enumerate(GLYPH_ROWS):
            for c in range(ord(first), ord(last) + 1):
                left = (c - ord(first)) * GLYPH_W
                top = row_index * GLYPH_H
                ink = [(dx, dy) for dy in range(GLYPH_H) for dx in range(GLYPH_W)
                       if rows[top + dy][left + dx] == INK_INDEX]
                if any(rows[top + dy][left + dx] not in (0, INK_INDEX)
                       for dy in range(GLYPH_H) for dx in range(GLYPH_W)):
                    raise ValueError("%s: glyph %r uses a colour besides the ink" % (path, chr(c)))
                self.glyphs[chr(c)] = (drop, ink)

    def render(self, text, x, y, colour):
        """{(x, y): rgb} of every pixel the text sets, later stamps winning."""
        pixels = {}
        pen = x
        for ch in text:
            glyph = self.glyphs.get(ch)
            if glyph is not None:
                drop, ink = glyph
                for ox, oy in OUTLINE_OFFSETS:
                    for dx, dy in ink:
                        pixels[(pen + ox + dx, y + drop + oy + dy)] = OUTLINE
                for dx, dy in ink:
                    pixels[(pen + dx, y + drop + dy)] = colour
            pen += GLYPH_W
        return {p: c for p, c in pixels.items() if 0 <= p[0] < SCREEN_W and 0 <= p[1] < SCREEN_H}

    def shows(self, image, text, x, y, colour):
        """True when every pixel of the text is on the screen as drawn."""
        pixels = image.load()
        return all(pixels[p] == c for p, c in self.render(text, x, y, colour).items())

    def read_number(self, image, x, y, colour):
        """The decimal number drawn at (x, y) in `colour` (leading blanks
        allowed, as "%5d" draws it), or None when no number is readable."""
        pixels = image.load()
        text = ""
        pen = x
        while pen + GLYPH_W <= SCREEN_W:
            seen = set()
            for dy in range(-1, GLYPH_H + 3):
                for dx in range(GLYPH_W):
                    px, py = pen + dx, y + dy
                    if 0 <= py < SCREEN_H and pixels[px, py] == colour:
                        seen.add((dx, dy))
            if not seen:
                if text.strip():
                    break
                text += " "
            else:
                digit = next((d for d in "0123456789"
                              if {(dx, dy + self.glyphs[d][0]) for dx, dy in self.glyphs[d][1]} == seen),
                             None)
                if digit is None:
                    return None
                text += digit
            pen += GLYPH_W
        if not text.strip() or not self.shows(image, text, x, y, colour):
            return None
        return int(text)
