// Virtual clock, flip counter and scripted input; see harness.h.
#include "tests/support/harness.h"

#include <cstdio>
#include <cstdlib>

extern "C" int __real_SDL_Flip(SDL_Surface* screen);
extern "C" int __real_SDL_PollEvent(SDL_Event* event);

namespace harness {

uint32_t now;
std::vector<uint32_t> delays;
unsigned flips;
bool present = true;
std::function<void()> onFlip;
std::function<void()> onDelay;
std::function<bool(SDL_Event&)> nextEvent;
static unsigned emptyPolls;  // a screen polling forever for input hangs the test

void reset()
{
    now = flips = emptyPolls = 0;
    delays.clear();
    present = true;
    onFlip = onDelay = nullptr;
    nextEvent = nullptr;
    for (SDL_Event dropped; __real_SDL_PollEvent(&dropped) == 1;) {
    }
}

SDL_Event mouse(Uint8 type, int x, int y, Uint8 button)
{
    SDL_Event event = {};
    event.button = {type, 0, button, type == SDL_MOUSEBUTTONDOWN, Uint16(x), Uint16(y)};
    if (type == SDL_MOUSEMOTION) {
        event.motion = {type, 0, 0, Uint16(x), Uint16(y), 0, 0};
    }
    return event;
}

SDL_Event key(SDLKey sym, SDLMod mod, Uint8 type)
{
    SDL_Event event = {};
    event.key = {type, 0, type == SDL_KEYDOWN, {0, sym, mod, 0}};
    return event;
}

void push(const std::vector<SDL_Event>& events)
{
    for (SDL_Event event : events) {
        if (SDL_PushEvent(&event) != 0) {
            std::abort();  // SDL's queue is full: too much input at once
        }
    }
}

void drag(int fromX, int fromY, int toX, int toY)
{
    push({mouse(SDL_MOUSEBUTTONDOWN, fromX, fromY), mouse(SDL_MOUSEMOTION, toX, toY),
          mouse(SDL_MOUSEBUTTONUP, toX, toY)});
}

}  // namespace harness

extern "C" void __wrap_SDL_Delay(Uint32 ms)
{
    harness::delays.push_back(ms);
    harness::now += ms;
    if (harness::onDelay) {
        harness::onDelay();
    }
}

extern "C" Uint32 __wrap_SDL_GetTicks(void)
{
    return harness::now;
}

extern "C" int __wrap_SDL_Flip(SDL_Surface* screen)
{
    ++harness::flips;
    if (harness::onFlip) {
        harness::onFlip();
    }
    return harness::present ? __real_SDL_Flip(screen) : 0;
}

extern "C" int __wrap_SDL_PollEvent(SDL_Event* event)  // the game always passes an event
{
    if (__real_SDL_PollEvent(event) == 1 || (harness::nextEvent && harness::nextEvent(*event))) {
        harness::emptyPolls = 0;
        return 1;
    }
    if (++harness::emptyPolls > 20000) {
        std::fprintf(stderr, "harness: the game keeps polling but gets no more input\n");
        std::abort();
    }
    return 0;
}

extern "C" int __wrap_SDL_WaitEvent(SDL_Event* event)
{
    return __wrap_SDL_PollEvent(event);
}
