// The whole program, from SDL start-up to shut-down; main only calls it.
#pragma once

#include "app/screen_state.h"

class Game;

// Returns the process exit code: 1, with one line on standard error, when
// SDL cannot start, there is no display, or the window or a picture cannot
// be had; 0 otherwise.
int runProgram();

// The screen flow of runProgram(), from `state` until the quit state, on a
// game whose video is up. Test drivers that keep one game across many short
// runs enter here.
void runScreens(Game& game, ScreenState state);

// The game runProgram() is running, null outside it. Only for looking at:
// tests and test drivers check the game's state between events; nothing in
// the program reads it.
const Game* runningGame();
