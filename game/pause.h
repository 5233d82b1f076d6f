// Pauses that hold a picture on the screen and still answer the desktop.
#pragma once

#include <SDL.h>

// Holds the picture for `ms` while reading the window's events, so that the
// desktop's pings are answered and SDL's small queue never fills: mouse
// motion is dropped as it comes (the last one comes back when the pause
// ends), every other event waits for the screen after the pause. A request to close ends the pause
// at once and is left alone in the queue, as one SDL_QUIT for whatever reads next; the result says
// whether that happened.
bool pauseAnsweringDesktop(Uint32 ms);
