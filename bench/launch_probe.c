/* Starts a program on the X display and times, from just before the fork:
 *   map_ms    its first top-level window mapped (MapNotify on the root),
 *   damage_ms the first drawing into a mapped top-level window (DAMAGE),
 *   flip_ms   the first SDL_Flip returned, when first_flip_shim.so is
 *             preloaded into it (BENCH_FLIP_FD is set for it).
 * Prints one JSON line once all expected events came (or the time-out hit),
 * then keeps the program running until its own standard input closes, and
 * kills it with SIGKILL.
 *
 *   launch_probe [--no-flip] [--timeout SECONDS] -- program [args...]
 */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static uint64_t nowNs(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000000000u + (uint64_t)now.tv_nsec;
}

/* Windows of the program may vanish before a request about them arrives. */
static int ignoreErrors(Display *display, XErrorEvent *error)
{
    (void)display;
    (void)error;
    return 0;
}

static double sinceMs(uint64_t start, uint64_t then)
{
    return then == 0 ? -1.0 : (double)(then - start) / 1e6;
}

int main(int argc, char *argv[])
{
    int wantFlip = 1;
    double timeoutSeconds = 10.0;
    int first = 1;
    for (; first < argc; ++first) {
        if (strcmp(argv[first], "--no-flip") == 0) {
            wantFlip = 0;
        } else if (strcmp(argv[first], "--timeout") == 0 && first + 1 < argc) {
            timeoutSeconds = atof(argv[++first]);
        } else if (strcmp(argv[first], "--") == 0) {
            ++first;
            break;
        } else {
            break;
        }
    }
    if (first >= argc) {
        fprintf(stderr, "usage: %s [--no-flip] [--timeout S] -- program [args...]\n", argv[0]);
        return 2;
    }

    Display *display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "launch_probe: cannot open the X display\n");
        return 1;
    }
    int damageEvent = 0;
    int damageError = 0;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError)) {
        fprintf(stderr, "launch_probe: the X server has no DAMAGE extension\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    int flipPipe[2] = {-1, -1};
    if (wantFlip && pipe(flipPipe) != 0) {
        perror("pipe");
        return 1;
    }

    const uint64_t start = nowNs();
    const pid_t child = fork();
    if (child < 0) {
        perror("fork");
        return 1;
    }
    if (child == 0) {
        if (wantFlip) {
            char fd[16];
            snprintf(fd, sizeof fd, "%d", flipPipe[1]);
            setenv("BENCH_FLIP_FD", fd, 1);
            close(flipPipe[0]);
        }
        close(ConnectionNumber(display));
        execvp(argv[first], argv + first);
        perror("execvp");
        _exit(127);
    }
    if (wantFlip) {
        close(flipPipe[1]);
    }

    uint64_t mapped = 0;
    uint64_t damaged = 0;
    uint64_t flipped = 0;
    Window window = 0;
    /* A program may replace its first window (SDL does when it changes the
     * way it presents), so drawing into any of its mapped windows counts. */
    Window mappedWindows[16];
    int mappedCount = 0;
    uint64_t deadline = start + (uint64_t)(timeoutSeconds * 1e9);
    /* Some ways of presenting (GLX) report no damage: once the window and
     * the frame are there, damage gets a short grace period only. */
    const uint64_t damageGrace = 300000000u;
    int graceSet = 0;
    while ((mapped == 0 || damaged == 0 || (wantFlip && flipped == 0)) && nowNs() < deadline) {
        if (!graceSet && mapped != 0 && (!wantFlip || flipped != 0)) {
            graceSet = 1;
            if (nowNs() + damageGrace < deadline) {
                deadline = nowNs() + damageGrace;
            }
        }
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            const uint64_t at = nowNs();
            if (event.type == CreateNotify && !event.xcreatewindow.override_redirect) {
                /* Watch for drawing from the moment the window exists. */
                XDamageCreate(display, event.xcreatewindow.window, XDamageReportNonEmpty);
            } else if (event.type == MapNotify && !event.xmap.override_redirect) {
                if (mapped == 0) {
                    mapped = at;
                    window = event.xmap.window;
                }
                if (mappedCount < 16) {
                    mappedWindows[mappedCount++] = event.xmap.window;
                }
            } else if (event.type == damageEvent + XDamageNotify) {
                const XDamageNotifyEvent *notice = (const XDamageNotifyEvent *)&event;
                for (int i = 0; i < mappedCount && damaged == 0; ++i) {
                    if (notice->drawable == mappedWindows[i]) {
                        damaged = at;
                    }
                }
                XDamageSubtract(display, notice->damage, None, None);
            }
        }
        struct pollfd watched[2] = {{ConnectionNumber(display), POLLIN, 0},
                                    {wantFlip ? flipPipe[0] : -1, POLLIN, 0}};
        const int left = (int)((deadline - nowNs()) / 1000000u) + 1;
        if (poll(watched, 2, left) < 0 && errno != EINTR) {
            break;
        }
        if (wantFlip && (watched[1].revents & POLLIN)) {
            uint64_t ns = 0;
            if (read(flipPipe[0], &ns, sizeof ns) == (ssize_t)sizeof ns && flipped == 0) {
                flipped = ns;
            }
        }
        if (wantFlip && (watched[1].revents & POLLHUP) && flipped == 0) {
            break; /* the program ended without presenting anything */
        }
    }

    printf("{\"pid\": %d, \"window\": %lu, \"map_ms\": %.3f, \"damage_ms\": %.3f, "
           "\"flip_ms\": %.3f}\n",
           (int)child, (unsigned long)window, sinceMs(start, mapped), sinceMs(start, damaged),
           sinceMs(start, flipped));
    fflush(stdout);

    /* Hold the program until whoever reads the figures is done with it. */
    char buffer[64];
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    kill(child, SIGKILL);
    waitpid(child, NULL, 0);
    XCloseDisplay(display);
    return 0;
}
