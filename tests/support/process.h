// Running the real game binary the way a player's shell would.
#pragma once

#include <initializer_list>
#include <string>

namespace process {

struct Result {
    int exitCode = -1;   // as the shell sees it (0-255), or -1 if killed
    std::string output;  // standard output
};

// A fresh empty directory under the test directory.
std::string freshDirectory(const std::string& name);
// Copies the named bitmaps ("board.bmp", ...) of the game into dir/gfx.
void copyArt(const std::string& dir, const std::initializer_list<const char*>& files);

// Runs the game in `dir` with extra environment assignments ("NAME=value"
// words), killing it after `seconds`.
Result runGame(const std::string& dir, const std::string& environment, int seconds = 20);

}  // namespace process
