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

The drawing lives in tools/art/, one module per output: font.py (glyphs
from Debian's xfonts-terminus, SIL Open Font License 1.1, see
gfx/LICENSE.md), pieces.py, board.py, icons.py and preview.py, on top of
paint.py (shared sizes, colours, shapes) and files.py (our own BMP and PNG
writers).  There is no randomness: two runs write identical bytes.  Pillow
is used only to parse the font and to write the preview.
"""

import argparse
import os

from art.board import make_background
from art.files import bmp8_bytes, write_file
from art.font import FONT_H, FONT_W, load_font_bitmaps, make_font
from art.icons import ICON_SIZES, write_icons
from art.paint import SCREEN_H, SCREEN_W, TILE
from art.pieces import make_pieces
from art.preview import preview


def main():
    ap = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("out_dir", nargs="?", metavar="OUTPUT_DIR")
    ap.add_argument("--icons", metavar="ICON_DIR")
    ap.add_argument("--preview", metavar="PNG")
    args = ap.parse_args()
    out_dir, icon_dir = args.out_dir, args.icons
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
    if args.preview:
        preview(args.preview, font_pix, pieces_pal, pieces_pix, pieces_w,
                board_pal, board_pix)


if __name__ == "__main__":
    main()
