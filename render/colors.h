// The fixed set of text colours.
#pragma once

#include <SDL.h>

extern const SDL_Color COLOR_MAGENTA;
extern const SDL_Color COLOR_GREEN;
extern const SDL_Color COLOR_BLUE;
extern const SDL_Color COLOR_YELLOW;
extern const SDL_Color COLOR_WHITE;
extern const SDL_Color COLOR_OUTLINE;

// Not a colour: passing the address of this object asks drawText for one of
// the first four colours at random. It is recognised by address only, so a
// caller's own (1, 2, 3) is drawn as the near-black it is.
extern const SDL_Color COLOR_RANDOM;
