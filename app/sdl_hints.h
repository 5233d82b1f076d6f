// Settings for the SDL underneath, chosen by the game unless the player has.
#pragma once

// Before SDL_Init: asks sdl12-compat's SDL 2 for its plain software
// renderer and window framebuffer, each only where the environment does not
// name a choice already. Without them SDL 2 loads an OpenGL stack for a
// 206 x 274 window: about 85 MB and five helper threads instead of about
// 10 MB in one thread, with no visible difference and scaling still working.
// Also names the window's class after the menu entry, so that docks and
// taskbars match the window to it (rather than to the program's file name).
void applySdlHints();
