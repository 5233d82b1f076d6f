/* The floor for an SDL 1.2 program that waits for input: the game's window
 * (size, depth, flags), one presented frame, then nothing but SDL_WaitEvent
 * until a quit request. Idle cost, memory and start-up of the game are
 * compared with this. Given a count, it flips that many times instead and
 * prints each flip's wall time in µs: bench/run.sh --windows links it with
 * the game's own SDL_Flip, which enlarges the picture on Windows. */
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

int main(int argc, char *argv[])
{
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
    for (long flips = argc > 1 ? strtol(argv[1], NULL, 10) : 0; flips > 0; --flips) {
        SDL_FillRect(screen, NULL, SDL_MapRGB(screen->format, (Uint8)flips, 0, 0)); /* a new frame */
        struct timespec before, after;
        clock_gettime(CLOCK_MONOTONIC, &before);
        SDL_Flip(screen);
        clock_gettime(CLOCK_MONOTONIC, &after);
        printf("%.1f\n", (after.tv_sec - before.tv_sec) * 1e6 + (after.tv_nsec - before.tv_nsec) / 1e3);
        /* The game waits between frames, when Wine hands a window's new pixels on to X. */
        SDL_PumpEvents();
    }
    SDL_Event event;
    while (argc == 1 && SDL_WaitEvent(&event) == 1 && event.type != SDL_QUIT) {
    }
    SDL_Quit();
    return 0;
}
