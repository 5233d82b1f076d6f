// The SDL settings the game picks unless the player has.
#include "app/video.h"

#include <SDL.h>

namespace {

// SDL 1.2 has no hint call; sdl12-compat hands the environment to SDL 2,
// which reads these variables as its hints. putenv keeps the very string,
// so each lives for the whole run.
char renderDriver[] = "SDL_RENDER_DRIVER=software";
char framebufferAcceleration[] = "SDL_FRAMEBUFFER_ACCELERATION=0";
// The menu entry's id (org.tessalorium.Tessalorium.desktop) as both parts of
// the X11 WM_CLASS; SDL 2 takes it as the Wayland app id too, unless
// SDL_VIDEO_WAYLAND_WMCLASS is set. Desktops tie windows to entries by it.
char windowClass[] = "SDL_VIDEO_X11_WMCLASS=org.tessalorium.Tessalorium";

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
    setUnlessChosen("SDL_VIDEO_X11_WMCLASS", windowClass);
}
