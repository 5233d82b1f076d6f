// What differs between the systems the game runs on: where the player's
// folder and the pictures are, and how a failed start is told. One
// implementation each: platform_posix.cpp, platform_windows.cpp.
#pragma once

#include <string>

// Before SDL starts: makes the player's folder, which keeps hiscores.dat,
// the working folder. On POSIX systems the launcher has started the game
// there already; on Windows it is %APPDATA%\Tessalorium, made when missing
// (when it cannot be, the game stays where it was started).
void enterPlayerFolder();

// The path, in UTF-8, that SDL opens the picture gfx/NAME by: relative to
// the working folder on POSIX systems (the launcher links gfx there),
// beside the program on Windows, wherever it was started from.
std::string picturePath(const char* name);

// Tells the player why the game cannot start, as "tessalorium: LINE": on
// standard error, or on Windows, which gives a windowed program none, in a
// message box titled Tessalorium that waits for the player.
void tellStartFailure(const char* line);
