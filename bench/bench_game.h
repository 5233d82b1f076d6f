// A real Game for the benchmarks, set up the way the program sets it up.
#pragma once

#include "game/game.h"

namespace bench {

// Depth 0 opens the window at the desktop's depth, as the game does; any
// other depth pretends the desktop has that depth.
Game* openGame(int depth);
void closeGame(Game* game);

// Makes SDL_GetVideoInfo report this depth for the desktop (0: the real one).
void pretendDesktopDepth(int depth);

// A fixed position in mid-game: 54 pieces, four markers, an unspent undo
// and numbers in the heads-up display.
void setMidGame(Game& game);

// Ten rows of ten cells: '0'-'6' kinds, 'W' wildcard, 'F' fixed, '.' empty.
void setBoard(Game& game, const char* const rows[BOARD_H]);

// The characters drawText draws in the text benchmarks.
constexpr const char* SAMPLE_TEXT = "Tessalorium Highscores: 12345";

}  // namespace bench
