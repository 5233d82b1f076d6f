/* Preloaded into a program under measurement (LD_PRELOAD): when its first
 * SDL_Flip returns, writes the CLOCK_MONOTONIC time in nanoseconds to the
 * file descriptor BENCH_FLIP_FD names. The program itself is not changed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

int SDL_Flip(void *screen)
{
    static int (*real)(void *);
    if (real == NULL) {
        real = (int (*)(void *))dlsym(RTLD_NEXT, "SDL_Flip");
    }
    const int result = real(screen);
    const char *fd = getenv("BENCH_FLIP_FD");
    if (fd != NULL) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const uint64_t ns = (uint64_t)now.tv_sec * 1000000000u + (uint64_t)now.tv_nsec;
        (void)!write(atoi(fd), &ns, sizeof ns); /* nobody left to tell when it fails */
        close(atoi(fd));
        unsetenv("BENCH_FLIP_FD"); /* the first frame only */
    }
    return result;
}
