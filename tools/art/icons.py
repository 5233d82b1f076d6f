"""The desktop icons: a few of the game's own tiles, enlarged without
smoothing."""

import os

from art.files import png_bytes, write_file
from art.paint import TILE

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
