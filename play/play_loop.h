// The event loop of one game.
#pragma once

#include "app/screen_state.h"
#include "game/game.h"

// Runs the game until NEW GAME, quit or game over, and returns the state to
// go to as soon as the event that ends it is handled; `state` is returned
// when waiting for an event fails.
ScreenState playLoop(Game& game, ScreenState state);

// The board cell under a window pixel; column or row BOARD_W / BOARD_H or
// more means the pixel is off the board.
struct BoardCell {
    uint32_t column;
    uint32_t row;
    bool onBoard() const { return column < BOARD_W && row < BOARD_H; }
};
BoardCell cellAt(Uint16 x, Uint16 y);
