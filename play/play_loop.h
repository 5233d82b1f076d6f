// The event loop of one game.
#pragma once

#include "app/program.h"
#include "game/game.h"

// Runs the game until NEW GAME, quit or game over, and returns the state to
// go to as soon as the event that ends it is handled; `state` is returned
// when waiting for an event fails.
ScreenState playLoop(Game& game, ScreenState state);

// The board cell under a window pixel, which may lie off the board.
CellPos cellAt(Uint16 x, Uint16 y);
