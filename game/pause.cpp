// The level banner and the Game Over screen stay up for seconds; a plain
// sleep there would leave the window deaf to the desktop (greyed out as not
// responding, a close waiting for the pause to end, a flood of motion
// pushing the close out of the queue).
#include "game/pause.h"

#include "render/layout.h"

#include <algorithm>

namespace {

// Short enough that a ping or a close is answered at once to a person.
constexpr Uint32 PAUSE_STEP_MS = 10;
// More than SDL 1.2's queue holds, so one look sees all of it.
constexpr int QUEUE_LOOK = 256;

bool closeQueued()
{
    SDL_Event waiting[QUEUE_LOOK];
    const int count = SDL_PeepEvents(waiting, QUEUE_LOOK, SDL_PEEKEVENT, SDL_ALLEVENTS);
    return std::any_of(waiting, waiting + std::max(count, 0), asksToClose);
}

void take(Uint32 mask)
{
    SDL_Event taken[QUEUE_LOOK];
    while (SDL_PeepEvents(taken, QUEUE_LOOK, SDL_GETEVENT, mask) > 0) {
    }
}

}  // namespace

bool pauseAnsweringDesktop(Uint32 ms)
{
    const Uint32 start = SDL_GetTicks();
    for (;;) {
        SDL_PumpEvents();
        take(SDL_MOUSEMOTIONMASK);
        if (closeQueued()) {
            // The program is ending: what was queued before the close no
            // longer matters, and a plain quit is understood by every screen.
            take(SDL_ALLEVENTS);
            SDL_Event quit = {};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
            return true;
        }
        const Uint32 elapsed = SDL_GetTicks() - start;
        if (elapsed >= ms) {
            return false;
        }
        SDL_Delay(std::min(PAUSE_STEP_MS, ms - elapsed));
    }
}
