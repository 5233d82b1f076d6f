"""The sizes and places the game fixes, read from its own headers, so that
the art and the code that draws and hit-tests it cannot drift apart."""

import os
import re

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HEADERS = ("game/game.h", "render/layout.h")
# Plain constants only: a number or a string literal.
CONSTANT = re.compile(r'^constexpr [\w:* ]+?\b([A-Z][A-Z0-9_]*) = (\d+|"[^"]*");', re.M)


def read_facts():
    facts = {}
    for header in HEADERS:
        with open(os.path.join(ROOT, header), encoding="utf-8") as f:
            for name, value in CONSTANT.findall(f.read()):
                facts[name] = value[1:-1] if value.startswith('"') else int(value)
    return facts


_F = read_facts()
TILE = _F["TILE_W"]
SCREEN_W, SCREEN_H = _F["SCREEN_W"], _F["SCREEN_H"]
BOARD_X, BOARD_Y = _F["BOARD_X"], _F["BOARD_Y"]
BOARD_PX = _F["BOARD_W"] * TILE
GLYPH_W, GLYPH_H = _F["GLYPH_W"], _F["GLYPH_H"]
# The click areas of UNDO and NEW GAME (x, y, width, height): their labels'
# extents, as the game hit-tests them.
BUTTONS = [(_F[x], _F["BUTTON_Y"], len(_F[text]) * GLYPH_W, _F["BUTTON_H"])
           for x, text in (("UNDO_X", "UNDO_TEXT"), ("NEW_GAME_X", "NEW_GAME_TEXT"))]
