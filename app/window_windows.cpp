// The game's window on Windows, where it runs on classic SDL 1.2: that
// shows the 206 x 274 picture pixel for pixel, a stamp on today's screens,
// and the manifest's DPI awareness keeps Windows from stretching it
// (blurred). So the window opens a whole number of times larger, each
// SDL_Flip enlarges the picture into it, every picture pixel a square
// block of one colour, and the mouse comes back in picture pixels. The
// game still draws its own picture and flips it as on Linux: the Windows
// program is linked with --wrap=SDL_SetVideoMode,--wrap=SDL_Flip,
// --wrap=SDL_WM_SetIcon (CMakeLists.txt), which send those calls here.
// The window also opens centred, and Alt+F4 closes it.
#include <SDL.h>

#include <cstdlib>
#include <cstring>

extern "C" {
SDL_Surface* __real_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags);
int __real_SDL_Flip(SDL_Surface* screen);
SDL_Surface* __wrap_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags);
int __wrap_SDL_Flip(SDL_Surface* screen);
void __wrap_SDL_WM_SetIcon(SDL_Surface* icon, Uint8* mask);
}

namespace {

// The window takes at most two thirds of the screen's width and height, as
// the Linux launcher's pick_scale has it: room for the taskbar and others.
constexpr int SCREEN_SHARE = 2;
constexpr int SCREEN_PARTS = 3;
// The variable Linux players set for sdl12-compat; here a whole number,
// taken up to the largest factor that could make sense.
constexpr const char* FACTOR_VARIABLE = "SDL12COMPAT_WINDOW_SCALING";
constexpr long MAX_FACTOR = 16;
constexpr int DECIMAL = 10;
// Classic SDL opens the window where Windows likes, often in a corner; a
// place the player names in SDL's own variables stands.
char centred[] = "SDL_VIDEO_CENTERED=1";

SDL_Surface* window = nullptr;   // what SDL shows
SDL_Surface* picture = nullptr;  // what the game draws, when enlarged
int factor = 0;                  // chosen at the first mode

// The player's factor, or 0 when none (or no whole number) is named.
int chosenFactor()
{
    const char* text = SDL_getenv(FACTOR_VARIABLE);
    if (text == nullptr || *text == '\0') {
        return 0;
    }
    char* end = nullptr;
    const long chosen = std::strtol(text, &end, DECIMAL);
    return *end == '\0' && chosen >= 1 && chosen <= MAX_FACTOR ? static_cast<int>(chosen) : 0;
}

// The largest whole factor at which a window of width x height takes at
// most two thirds of the screen; 1 when none fits or the size is unknown.
// Before the first mode SDL reports the desktop's mode, in real pixels
// whatever Windows' scale setting.
int fittingFactor(int width, int height)
{
    const SDL_VideoInfo* screen = SDL_GetVideoInfo();
    int fits = 1;
    while (screen != nullptr &&
           SCREEN_PARTS * (fits + 1) * width <= SCREEN_SHARE * screen->current_w &&
           SCREEN_PARTS * (fits + 1) * height <= SCREEN_SHARE * screen->current_h) {
        ++fits;
    }
    return fits;
}

// One row of the picture, each pixel repeated `factor` times.
template <int BYTES>
void widenRow(const Uint8* from, Uint8* to, int width, int times)
{
    for (int x = 0; x < width; ++x, from += BYTES) {
        for (int i = 0; i < times; ++i, to += BYTES) {
            std::memcpy(to, from, BYTES);
        }
    }
}

using WidenRow = void (*)(const Uint8*, Uint8*, int, int);
constexpr WidenRow WIDEN_ROW[] = {nullptr, widenRow<1>, widenRow<2>, widenRow<3>, widenRow<4>};

// Nearest neighbour: each row widened once, then copied below itself.
void enlarge()
{
    if (SDL_MUSTLOCK(window) && SDL_LockSurface(window) != 0) {
        return;
    }
    const WidenRow widen = WIDEN_ROW[picture->format->BytesPerPixel];
    const size_t rowBytes = static_cast<size_t>(window->w) * window->format->BytesPerPixel;
    for (int y = 0; y < picture->h; ++y) {
        const Uint8* from = static_cast<const Uint8*>(picture->pixels) + y * picture->pitch;
        Uint8* row = static_cast<Uint8*>(window->pixels) + y * factor * window->pitch;
        widen(from, row, picture->w, factor);
        for (int i = 1; i < factor; ++i) {
            std::memcpy(row + i * window->pitch, row, rowBytes);
        }
    }
    if (SDL_MUSTLOCK(window)) {
        SDL_UnlockSurface(window);
    }
}

// Input on its way into SDL's queue. The event handed in is the poster's
// own; a changed copy goes in instead, once, as events the game pushes
// back itself (game/pause.cpp) pass no filter.
int SDLCALL onInput(const SDL_Event* event)
{
    SDL_Event copy = *event;
    switch (event->type) {
    case SDL_KEYDOWN:
        // Classic SDL keeps every key from Windows, Alt+F4 too, which would
        // otherwise close the window.
        if (event->key.keysym.sym != SDLK_F4 || (event->key.keysym.mod & KMOD_ALT) == 0) {
            return 1;
        }
        copy = SDL_Event{};
        copy.type = SDL_QUIT;
        break;
    case SDL_MOUSEMOTION:
        if (factor == 1) {
            return 1;
        }
        copy.motion.x = static_cast<Uint16>(copy.motion.x / factor);
        copy.motion.y = static_cast<Uint16>(copy.motion.y / factor);
        copy.motion.xrel = static_cast<Sint16>(copy.motion.xrel / factor);
        copy.motion.yrel = static_cast<Sint16>(copy.motion.yrel / factor);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (factor == 1) {
            return 1;
        }
        copy.button.x = static_cast<Uint16>(copy.button.x / factor);
        copy.button.y = static_cast<Uint16>(copy.button.y / factor);
        break;
    default:
        return 1;
    }
    SDL_PushEvent(&copy);
    return 0;
}

}  // namespace

SDL_Surface* __wrap_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    if (SDL_getenv("SDL_VIDEO_CENTERED") == nullptr &&
        SDL_getenv("SDL_VIDEO_WINDOW_POS") == nullptr) {
        SDL_putenv(centred);
    }
    if (factor == 0) {
        const int chosen = chosenFactor();
        factor = chosen != 0 ? chosen : fittingFactor(width, height);
        // Setting a filter empties the queue, through the filter; once.
        SDL_SetEventFilter(onInput);
    }
    SDL_FreeSurface(picture);
    picture = nullptr;
    window = __real_SDL_SetVideoMode(width * factor, height * factor, bpp, flags);
    if (window == nullptr || factor == 1) {
        return window;
    }
    // The picture in the window's very format, so enlarging copies bytes.
    const SDL_PixelFormat* format = window->format;
    if (format->palette == nullptr) {
        picture = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, format->BitsPerPixel,
                                       format->Rmask, format->Gmask, format->Bmask, format->Amask);
    }
    if (picture != nullptr) {
        return picture;
    }
    // A palettised screen (no Windows since 8 offers one) or no memory for
    // the picture: the game is played unenlarged.
    factor = 1;
    return window = __real_SDL_SetVideoMode(width, height, bpp, flags);
}

int __wrap_SDL_Flip(SDL_Surface* screen)
{
    if (screen == nullptr || screen != picture) {
        return __real_SDL_Flip(screen);
    }
    enlarge();
    return __real_SDL_Flip(window);
}

// The window's icon is the program's SDL_app resource, 16 to 256 px, which
// classic SDL gives its window class; SDL_WM_SetIcon would put a copy cut
// down to 256 colours in its place.
void __wrap_SDL_WM_SetIcon(SDL_Surface*, Uint8*) {}
