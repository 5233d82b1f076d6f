// The whole program, from SDL start-up to shut-down; main only calls it.
#pragma once

// Returns the process exit code: -1 when SDL cannot start, 0 otherwise.
int runProgram();
