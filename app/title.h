// The title screen with its attract animation and the high score list.
#pragma once

#include "app/screen_state.h"
#include "game/game.h"

// Animates over the last picture until a key, a mouse button or a quit
// request arrives. Returns STATE_QUIT for a quit request or a press in the
// close box, STATE_NEW_GAME for any other key or press; the mouse wheel
// does nothing.
ScreenState titleScreen(Game& game);
