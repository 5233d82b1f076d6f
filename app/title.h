// The title screen with its attract animation and the high score list.
#pragma once

#include "game/game.h"

// Animates over the last picture until a key, a mouse button or a quit
// request arrives.
void titleScreen(Game& game);
