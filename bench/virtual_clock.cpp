// Linked with --wrap=SDL_Delay,--wrap=SDL_GetTicks: the game's pauses move a
// virtual clock instead of sleeping, so a benchmark times the work alone.
#include <SDL.h>

namespace {
Uint32 virtualNow = 0;
}

extern "C" {

void __wrap_SDL_Delay(Uint32 ms)
{
    virtualNow += ms;
}

Uint32 __wrap_SDL_GetTicks(void)
{
    return virtualNow;
}

}  // extern "C"
