// What goes with opening the window besides SDL_SetVideoMode: the settings
// SDL is started with, the sheets reshaped for the screen, and what the
// desktop shows of the window besides its pixels.
#pragma once

class Game;

// Before SDL_Init: asks sdl12-compat's SDL 2 for its plain software
// renderer and window framebuffer, each only where the environment does not
// name a choice already. Without them SDL 2 loads an OpenGL stack for a
// 206 x 274 window: about 95 MB in six threads instead of about 11 MB in
// one (bench/run.sh), with no visible difference and scaling still working.
// Also names the window's class after the menu entry, so that docks and
// taskbars match the window to it (rather than to the program's file name).
void applySdlHints();

// Bitmaps reshaped, once the screen and all three sheets exist, for the
// blits they serve; what they put on the screen stays the same to the pixel.
void fitSheetsToScreen(Game& game);

// Names the window and gives it an icon made from the pieces sheet, for
// taskbars, docks and window switchers; the frameless window draws neither.
// Needs the screen and the sheets loaded.
void identifyWindow(Game& game);
