// The whole program, from SDL start-up to shut-down; main only calls it.
#pragma once

class Game;

// Returns the process exit code: -1 when SDL cannot start, 0 otherwise.
int runProgram();

// The game runProgram() is running, null outside it. Only for looking at:
// tests and test drivers check the game's state between events; nothing in
// the program reads it.
const Game* runningGame();
