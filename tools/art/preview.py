"""A picture of two game screens and both sheets, enlarged, for looking at
the art (not used by the game)."""

from art.font import FONT_H, FONT_W, GLYPH_H, draw_text
from art.paint import BOARD_X, BOARD_Y, SCREEN_H, SCREEN_W, TILE
from art.pieces import MARKER_KEY


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

    def text(scr, s, x, y, colour):
        def put(X, Y, c):
            if 0 <= X < W and 0 <= Y < H:
                scr[Y * W + X] = c
        draw_text(put, font_pix, s, x, y, colour)

    MAG, GRN, BLU, YEL = (255, 0, 255), (136, 255, 119), (0, 153, 255), \
        (255, 238, 119)

    def hud(scr, score, turns):
        text(scr, "Score", 132, 10, BLU)
        text(scr, "%5d" % score, 132, 26, MAG)
        text(scr, "Turn", 16, 10, GRN)
        text(scr, "%4d" % turns, 16, 26, MAG)

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
    hud(play, 1234, 56)
    text(play, "UNDO", 16, 237, YEL)
    text(play, "NEW GAME", 100, 237, (255, 255, 255))

    # right: the title screen over an empty board
    title = screen_from_board()
    for cy in range(10):
        for cx in range(10):
            blit_tile(title, 7, cx, cy)
    hud(title, 0, 0)
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
