/* The floor for an SDL 1.2 program that waits for input: the game's window
 * (size, depth, flags), one presented frame, then nothing but SDL_WaitEvent
 * until a quit request. Idle cost, memory and start-up of the game are
 * compared with this. */
#include <SDL.h>

int main(int argc, char *argv[])
{
    (void)argc;
    (void)argv;
    if (SDL_Init(SDL_INIT_VIDEO) == -1) {
        return 1;
    }
    const SDL_VideoInfo *info = SDL_GetVideoInfo();
    SDL_Surface *screen = SDL_SetVideoMode(206, 274, info->vfmt->BitsPerPixel,
                                           SDL_DOUBLEBUF | SDL_HWPALETTE | SDL_NOFRAME);
    if (screen == NULL) {
        SDL_Quit();
        return 1;
    }
    SDL_Flip(screen);
    SDL_Event event;
    while (SDL_WaitEvent(&event) == 1 && event.type != SDL_QUIT) {
    }
    SDL_Quit();
    return 0;
}
