// The states of the program's screen flow.
#pragma once

#include <cstdint>

using ScreenState = uint32_t;

constexpr ScreenState STATE_PLAY = 0;        // run the play loop of the current game
constexpr ScreenState STATE_NEW_GAME = 1;    // set up a new game
constexpr ScreenState STATE_GAME_ENDED = 2;  // game over and any name entry are done
constexpr ScreenState STATE_QUIT = 3;        // leave the program
constexpr ScreenState STATE_TITLE = 4;       // show the title screen
