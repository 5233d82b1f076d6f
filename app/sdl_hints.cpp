#include "app/sdl_hints.h"

#include <SDL.h>

namespace {

// SDL 1.2 has no hint call; sdl12-compat hands the environment to SDL 2,
// which reads these variables as its hints. putenv keeps the very string,
// so each lives for the whole run.
char renderDriver[] = "SDL_RENDER_DRIVER=software";
char framebufferAcceleration[] = "SDL_FRAMEBUFFER_ACCELERATION=0";

void setUnlessChosen(const char* name, char* assignment)
{
    if (SDL_getenv(name) == nullptr) {
        SDL_putenv(assignment);
    }
}

}  // namespace

void applySdlHints()
{
    setUnlessChosen("SDL_RENDER_DRIVER", renderDriver);
    setUnlessChosen("SDL_FRAMEBUFFER_ACCELERATION", framebufferAcceleration);
}
