// Virtual clock, flip counter and scripted input; see harness.h.
#include "tests/support/harness.h"

#include <cstdio>
#include <cstdlib>

extern "C" {
int __real_SDL_Flip(SDL_Surface* screen);
int __real_SDL_PollEvent(SDL_Event* event);
}

namespace harness {

uint32_t now;
std::vector<uint32_t> delays;
unsigned flips;
bool present = true;
std::function<void()> onFlip;
std::function<bool(SDL_Event&)> nextEvent;
// A screen that polls forever and never gets input would hang the test.
static unsigned emptyPolls;

void reset()
{
    now = flips = emptyPolls = 0;
    delays.clear();
    present = true;
    onFlip = nullptr;
    nextEvent = nullptr;
    for (SDL_Event dropped; __real_SDL_PollEvent(&dropped) == 1;) {
    }
}

SDL_Event mouse(Uint8 type, int x, int y)
{
    SDL_Event event = {};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
        event.motion = {type, 0, 0, static_cast<Uint16>(x), static_cast<Uint16>(y), 0, 0};
    } else {
        event.button = {type, 0, SDL_BUTTON_LEFT, type == SDL_MOUSEBUTTONDOWN, static_cast<Uint16>(x),
                        static_cast<Uint16>(y)};
    }
    return event;
}

SDL_Event key(SDLKey sym, SDLMod mod, Uint8 type)
{
    SDL_Event event = {};
    event.key = {type, 0, type == SDL_KEYDOWN, {0, sym, mod, 0}};
    return event;
}

SDL_Event quit()
{
    SDL_Event event = {};
    event.type = SDL_QUIT;
    return event;
}

void push(std::initializer_list<SDL_Event> events)
{
    for (SDL_Event event : events) {
        if (SDL_PushEvent(&event) != 0) {
            std::abort();  // SDL's queue is full: the test pushes too much at once
        }
    }
}

void click(int x, int y)
{
    push({mouse(SDL_MOUSEBUTTONDOWN, x, y), mouse(SDL_MOUSEBUTTONUP, x, y)});
}

void drag(int fromX, int fromY, int toX, int toY)
{
    push({mouse(SDL_MOUSEBUTTONDOWN, fromX, fromY), mouse(SDL_MOUSEMOTION, toX, toY),
          mouse(SDL_MOUSEBUTTONUP, toX, toY)});
}

}  // namespace harness

extern "C" {

void __wrap_SDL_Delay(Uint32 ms)
{
    harness::delays.push_back(ms);
    harness::now += ms;
}

Uint32 __wrap_SDL_GetTicks(void)
{
    return harness::now;
}

int __wrap_SDL_Flip(SDL_Surface* screen)
{
    ++harness::flips;
    if (harness::onFlip) {
        harness::onFlip();
    }
    return harness::present ? __real_SDL_Flip(screen) : 0;
}

int __wrap_SDL_PollEvent(SDL_Event* event)
{
    SDL_Event ignored;
    SDL_Event& out = event != nullptr ? *event : ignored;
    if (__real_SDL_PollEvent(&out) == 1 || (harness::nextEvent && harness::nextEvent(out))) {
        harness::emptyPolls = 0;
        return 1;
    }
    if (++harness::emptyPolls > 20000) {
        std::fprintf(stderr, "harness: the game keeps polling but gets no more input\n");
        std::abort();
    }
    return 0;
}

int __wrap_SDL_WaitEvent(SDL_Event* event)
{
    return __wrap_SDL_PollEvent(event);
}

}  // extern "C"
