#!/usr/bin/python3
"""Checks the desktop icons in packaging/icons/.

    /usr/bin/python3 tests/packaging/icons_test.py SOURCE_DIR

Every icon must be square at its size and made of whole tiles of the
game's gfx/pieces.bmp, enlarged by whole pixels (each pixel of a tile a
block of one colour); and tools/make_art.py must write the same bytes again.
Prints one line per check and a closing "N passed, N failed" line.
"""

import filecmp
import os
import subprocess
import sys
import tempfile

from PIL import Image

SIZES = (16, 32, 48, 64, 128, 256)
TILE = 16

results = []


def check(name, ok, detail=""):
    results.append(ok)
    print("%s %s%s" % ("ok  " if ok else "FAIL", name,
                       (": " + detail) if detail and not ok else ""))


def main():
    root = sys.argv[1]
    icons = os.path.join(root, "packaging", "icons")
    sheet = Image.open(os.path.join(root, "gfx", "pieces.bmp")).convert("RGB")
    # The pieces and the empty cell; the marker and the two drag cursors
    # (8 to 10) are not pieces.
    pieces = {sheet.crop((TILE * n, 0, TILE * (n + 1), TILE)).tobytes() for n in range(8)}
    for size in SIZES:
        path = os.path.join(icons, "tessalorium-%d.png" % size)
        im = Image.open(path)
        check("%d px icon is %d x %d" % (size, size, size),
              im.size == (size, size), "is %d x %d" % im.size)
        if im.size != (size, size):
            continue
        im = im.convert("RGB")
        # The largest enlargement by whole pixels: every s x s block of the
        # icon is one colour.  The icon shrunk by it must be whole tiles.
        scale = next(s for s in (16, 8, 4, 2, 1)
                     if size % (TILE * s) == 0 and all(
                         im.getpixel((x, y)) == im.getpixel(
                             (x - x % s, y - y % s))
                         for y in range(size) for x in range(size)))
        small = im.resize((size // scale, size // scale), Image.NEAREST)
        count = small.width // TILE
        strange = [(tx, ty) for ty in range(count) for tx in range(count)
                   if small.crop((tx * TILE, ty * TILE, (tx + 1) * TILE, (ty + 1) * TILE)).tobytes()
                   not in pieces]
        check("%d px icon is %d x %d of the game's tiles, enlarged %d times"
              % (size, count, count, scale), not strange,
              "%d cells are not a piece tile, first %s"
              % (len(strange), strange[:1]))

    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["/usr/bin/python3",
                        os.path.join(root, "tools", "make_art.py"),
                        os.path.join(tmp, "gfx"), "--icons",
                        os.path.join(tmp, "icons")],
                       check=True, stdout=subprocess.DEVNULL)
        for size in SIZES:
            name = "tessalorium-%d.png" % size
            check("%s matches the generator" % name,
                  filecmp.cmp(os.path.join(tmp, "icons", name),
                              os.path.join(icons, name), shallow=False))
    failed = results.count(False)
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
