#!/usr/bin/python3
"""Checks the bitmaps in gfx/ against what the game expects of them.

    /usr/bin/python3 tools/check_art.py [GFX_DIR] [--no-regen]

Parses the BMP files itself (no image library reads them back), checks the
file layout, the sizes, the reserved palette indices, the font cell layout
and baseline, that the tiles can be told apart, and that running
tools/make_art.py again reproduces the files byte for byte.  Prints one
line per check and a closing "N passed, N failed" line; exits non-zero when
a check fails.
"""

import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

GLYPH_W, GLYPH_H = 11, 18


class Bmp:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = d = f.read()
        self.problems = []
        magic, self.file_size, r1, r2, self.offset = struct.unpack_from(
            "<2sIHHI", d, 0)
        (self.header_size, self.width, self.height, self.planes, self.bpp,
         self.compression, self.image_size, _, _, self.colours_used,
         _) = struct.unpack_from("<IiiHHIIiiII", d, 14)
        p = self.problems
        if magic != b"BM":
            p.append("not a BMP file")
        if self.file_size != len(d):
            p.append("file size field %d, file has %d bytes"
                     % (self.file_size, len(d)))
        if self.header_size != 40:
            p.append("header is not BITMAPINFOHEADER")
        if self.planes != 1 or self.bpp != 8 or self.compression != 0:
            p.append("not uncompressed 8 bits per pixel")
        if self.height <= 0:
            p.append("rows are not stored bottom-up")
        if self.colours_used not in (0, 256):
            p.append("palette is not 256 entries")
        if self.offset != 14 + 40 + 256 * 4:
            p.append("pixel data does not follow a 256-entry palette")
        self.stride = (self.width + 3) & ~3
        if self.image_size not in (0, self.stride * self.height) \
                or self.offset + self.stride * self.height != len(d):
            p.append("pixel data size is wrong")
        if p:
            return
        self.palette = [(d[54 + 4 * i + 2], d[54 + 4 * i + 1], d[54 + 4 * i])
                        for i in range(256)]
        self.pixels = []
        for y in range(self.height):
            row = self.offset + (self.height - 1 - y) * self.stride
            self.pixels.extend(d[row:row + self.width])
            if any(d[row + self.width:row + self.stride]):
                p.append("row padding is not zero")
                break

    def at(self, x, y):
        return self.pixels[y * self.width + x]


results = []


def check(name, ok, detail=""):
    results.append(ok)
    print("%s %s%s" % ("ok  " if ok else "FAIL", name,
                       (": " + detail) if detail and not ok else ""))


def check_file(bmp, name, w, h):
    check("%s is a plain 8-bit BMP" % name, not bmp.problems,
          "; ".join(bmp.problems))
    if bmp.problems:
        return False
    check("%s is %d x %d" % (name, w, h), (bmp.width, bmp.height) == (w, h),
          "is %d x %d" % (bmp.width, bmp.height))
    return (bmp.width, bmp.height) == (w, h)


def font_checks(bmp):
    check("font pixels use only indices 0 and 1", set(bmp.pixels) <= {0, 1},
          "found %s" % sorted(set(bmp.pixels)))
    check("font index 0 is black", bmp.palette[0] == (0, 0, 0))
    rows = [(33, 64), (65, 90), (97, 122)]

    def cell_ink(sheet_row, i):
        return [(x, y) for y in range(GLYPH_H) for x in range(GLYPH_W)
                if bmp.at(i * GLYPH_W + x, sheet_row * GLYPH_H + y)]

    empty, touching = [], []
    for r, (first, last) in enumerate(rows):
        for i in range(last - first + 1):
            ink = cell_ink(r, i)
            if not ink:
                empty.append(chr(first + i))
            if any(x in (0, GLYPH_W - 1) for x, _ in ink):
                touching.append(chr(first + i))
    check("every glyph has ink", not empty, "empty: " + "".join(empty))
    check("glyphs keep clear of the left and right cell columns",
          not touching, "touching: " + "".join(touching))
    stray = [(x, y) for y in range(GLYPH_H, 3 * GLYPH_H)
             for x in range(26 * GLYPH_W, 32 * GLYPH_W) if bmp.at(x, y)]
    check("unused cells of the letter rows are blank", not stray)

    # On screen the game draws row 0 two pixels lower and row 1 one pixel
    # lower; letters standing on the baseline must end on the same line.
    def bottom(ch):
        c = ord(ch)
        for r, (first, last) in enumerate(rows):
            if first <= c <= last:
                ink = cell_ink(r, c - first)
                return max(y for _, y in ink) + (2 - r)
    sitting = "0123456789!?.ABCDEHIKLMNRSTUVXZabcdehiklmnrstuvxz"
    lines = {ch: bottom(ch) for ch in sitting}
    check("glyphs share one baseline on screen",
          len(set(lines.values())) == 1, repr(lines))

    # No ink lost against the font the sheet is made from.
    try:
        sys.path.insert(0, HERE)
        import make_art
        glyphs = make_art.load_font_bitmaps()
    except Exception as e:  # the font package may be missing
        print("skip font comparison: %s" % e)
        return
    lost = []
    for r, (first, last) in enumerate(rows):
        for c in range(first, last + 1):
            want = sum(map(sum, glyphs[c]))
            if len(cell_ink(r, c - first)) != want:
                lost.append(chr(c))
    check("no glyph lost ink", not lost, "changed: " + "".join(lost))


def pieces_checks(bmp):
    tiles = []
    for n in range(11):
        tiles.append([bmp.at(16 * n + x, y) for y in range(16)
                      for x in range(16)])
    check("index 2 is used only by the marker tile",
          all(2 not in t for n, t in enumerate(tiles) if n != 8))
    marker = tiles[8]
    check("marker centre is transparent",
          all(marker[y * 16 + x] == 2 for y in range(5, 11)
              for x in range(5, 11)))
    drawn = sum(1 for v in marker if v != 2)
    check("marker draws something", 16 <= drawn <= 160, "%d pixels" % drawn)
    key = bmp.palette[2]
    check("marker key colour appears once in the palette",
          bmp.palette.count(key) == 1)

    def rgb(t):
        return [bmp.palette[v] for v in t]

    # The end-to-end test tells cells apart on screenshots, so tiles must
    # differ clearly, not in one stray pixel.
    close = []
    for a in range(11):
        for b in range(a + 1, 11):
            diff = sum(1 for p, q in zip(rgb(tiles[a]), rgb(tiles[b]))
                       if sum(abs(p[i] - q[i]) for i in range(3)) > 24)
            if diff < 40:
                close.append("%d/%d (%d px)" % (a, b, diff))
    check("tiles differ clearly from each other", not close, ", ".join(close))

    # A marked piece must still show which piece it is.
    over = []
    for n in range(8):
        seen = [p if m == 2 else bmp.palette[m]
                for p, m in zip(rgb(tiles[n]), marker)]
        over.append(tuple(seen))
    check("marked pieces stay distinct", len(set(over)) == 8)


def board_checks(bmp):
    def lum(i):
        r, g, b = bmp.palette[i]
        return 0.3 * r + 0.59 * g + 0.11 * b
    box = [lum(bmp.at(x, y)) for y in range(0, 16) for x in range(191, 206)]
    check("close box has a bright mark in the top-right corner",
          max(box) > 200 and min(box) < 40)


def regenerates(gfx):
    with tempfile.TemporaryDirectory() as tmp:
        outs = []
        for k in range(2):
            d = os.path.join(tmp, str(k))
            subprocess.run([sys.executable, os.path.join(HERE, "make_art.py"),
                            d], check=True, stdout=subprocess.DEVNULL)
            outs.append(d)
        for name in ("c18font.bmp", "pieces.bmp", "board.bmp"):
            a, b = [open(os.path.join(d, name), "rb").read() for d in outs]
            check("%s is generated deterministically" % name, a == b)
            committed = open(os.path.join(gfx, name), "rb").read()
            check("%s matches the generator" % name, a == committed)


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    gfx = args[0] if args else os.path.join(ROOT, "gfx")
    font = Bmp(os.path.join(gfx, "c18font.bmp"))
    if check_file(font, "c18font.bmp", 352, 54):
        font_checks(font)
    pieces = Bmp(os.path.join(gfx, "pieces.bmp"))
    if check_file(pieces, "pieces.bmp", 176, 16):
        pieces_checks(pieces)
    board = Bmp(os.path.join(gfx, "board.bmp"))
    if check_file(board, "board.bmp", 206, 274):
        board_checks(board)
    if "--no-regen" not in sys.argv:
        regenerates(gfx)
    failed = results.count(False)
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
