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

// Takes every queued event of the mask; the last one taken is left in
// `last`. False when there was none.
bool take(Uint32 mask, SDL_Event& last)
{
    SDL_Event taken[QUEUE_LOOK];
    bool any = false;
    for (int count; (count = SDL_PeepEvents(taken, QUEUE_LOOK, SDL_GETEVENT, mask)) > 0;) {
        last = taken[count - 1];
        any = true;
    }
    return any;
}

}  // namespace

bool pauseAnsweringDesktop(Uint32 ms)
{
    const Uint32 start = SDL_GetTicks();
    SDL_Event motion;
    bool moved = false;
    for (;;) {
        SDL_PumpEvents();
        moved = take(SDL_MOUSEMOTIONMASK, motion) || moved;
        if (closeQueued()) {
            // The program is ending: what was queued before the close no
            // longer matters, and a plain quit is understood by every screen.
            SDL_Event dropped;
            take(SDL_ALLEVENTS, dropped);
            SDL_Event quit = {};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
            return true;
        }
        const Uint32 elapsed = SDL_GetTicks() - start;
        if (elapsed >= ms) {
            // Where the mouse went is news to the screen after the pause
            // (the button under it lights up); the way there is not.
            if (moved) {
                SDL_PushEvent(&motion);
            }
            return false;
        }
        SDL_Delay(std::min(PAUSE_STEP_MS, ms - elapsed));
    }
}
