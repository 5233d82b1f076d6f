/* Preloaded into a program under measurement: the first SDL_Flip that
 * returns writes the CLOCK_MONOTONIC time, in nanoseconds, to the file
 * descriptor named by BENCH_FLIP_FD. The program itself is not changed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef int (*FlipFunction)(void *);

int SDL_Flip(void *screen)
{
    static FlipFunction real;
    static int reported;
    if (real == NULL) {
        real = (FlipFunction)dlsym(RTLD_NEXT, "SDL_Flip");
    }
    const int result = real(screen);
    if (!reported) {
        reported = 1;
        const char *fd = getenv("BENCH_FLIP_FD");
        if (fd != NULL) {
            struct timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            const uint64_t ns = (uint64_t)now.tv_sec * 1000000000u + (uint64_t)now.tv_nsec;
            if (write(atoi(fd), &ns, sizeof ns) != (ssize_t)sizeof ns) {
                /* The probe has gone; nothing to report to. */
            }
        }
    }
    return result;
}
