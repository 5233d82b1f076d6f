// The whole program, from SDL start-up to shut-down, and its screen flow;
// main only calls runProgram().
#pragma once

#include <cstdint>

class Game;

// The states of the screen flow.
using ScreenState = uint32_t;

constexpr ScreenState STATE_PLAY = 0;        // run the play loop of the current game
constexpr ScreenState STATE_NEW_GAME = 1;    // set up a new game
constexpr ScreenState STATE_GAME_ENDED = 2;  // game over and any name entry are done
constexpr ScreenState STATE_QUIT = 3;        // leave the program
constexpr ScreenState STATE_TITLE = 4;       // show the title screen

// Returns the process exit code: 1, with one line told (on standard error,
// or in a message box on Windows: platform.h), when SDL cannot start, there
// is no display, or the window or a picture cannot be had; 0 otherwise.
int runProgram();

// The screen flow of runProgram(), from `state` until the quit state, on a
// game whose video is up. Test drivers that keep one game across many short
// runs enter here.
void runScreens(Game& game, ScreenState state);

// The game runProgram() is running, null outside it. Only for looking at:
// tests and test drivers check the game's state between events; nothing in
// the program reads it.
const Game* runningGame();

// The title screen: animates over the last picture until a key, a mouse
// button or a quit request arrives. Returns STATE_QUIT for a quit request or
// a press in the close box, STATE_NEW_GAME for any other key or press; the
// mouse wheel does nothing.
ScreenState titleScreen(Game& game);
