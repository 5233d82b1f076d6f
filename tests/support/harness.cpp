// Virtual clock, flip counter and scripted input; see harness.h.
#include "tests/support/harness.h"

#include <cstdio>
#include <cstdlib>

extern "C" {
int __real_SDL_Flip(SDL_Surface* screen);
int __real_SDL_PollEvent(SDL_Event* event);
}

namespace {

uint32_t clockNow = 0;
std::vector<uint32_t> delayLog;
unsigned flipCount = 0;
std::function<void(SDL_Surface*)> flipHook;
std::function<bool(SDL_Event&)> eventSource;
bool presenting = true;

// A screen that polls for input forever without ever getting any would hang
// the test; after this many empty polls in a row the test is stuck for good.
constexpr unsigned STARVED_POLLS = 20000;
unsigned emptyPolls = 0;

bool nextEvent(SDL_Event* event)
{
    if (__real_SDL_PollEvent(event) == 1 || (eventSource && eventSource(*event))) {
        emptyPolls = 0;
        return true;
    }
    if (++emptyPolls > STARVED_POLLS) {
        fprintf(stderr, "harness: the game keeps polling but the test gives no more input\n");
        std::abort();
    }
    return false;
}

// Drains SDL's queue without handling anything.
void dropEvents()
{
    SDL_Event event;
    while (__real_SDL_PollEvent(&event) == 1) {
    }
}

}  // namespace

extern "C" {

void __wrap_SDL_Delay(Uint32 ms)
{
    delayLog.push_back(ms);
    clockNow += ms;
}

Uint32 __wrap_SDL_GetTicks(void)
{
    return clockNow;
}

int __wrap_SDL_Flip(SDL_Surface* screen)
{
    ++flipCount;
    if (flipHook) {
        flipHook(screen);
    }
    return presenting ? __real_SDL_Flip(screen) : 0;
}

int __wrap_SDL_PollEvent(SDL_Event* event)
{
    SDL_Event ignored;
    return nextEvent(event != nullptr ? event : &ignored) ? 1 : 0;
}

// Never blocks: with no event left a wait fails, which every loop of the
// game takes for "stop here".
int __wrap_SDL_WaitEvent(SDL_Event* event)
{
    return __wrap_SDL_PollEvent(event);
}

}  // extern "C"

namespace harness {

void reset()
{
    clockNow = 0;
    delayLog.clear();
    flipCount = 0;
    flipHook = nullptr;
    eventSource = nullptr;
    emptyPolls = 0;
    presenting = true;
    dropEvents();
}

uint32_t now()
{
    return clockNow;
}

const std::vector<uint32_t>& delays()
{
    return delayLog;
}

unsigned flips()
{
    return flipCount;
}

void presentFrames(bool present)
{
    presenting = present;
}

void onFlip(std::function<void(SDL_Surface*)> hook)
{
    flipHook = std::move(hook);
}

void setEventSource(std::function<bool(SDL_Event&)> source)
{
    eventSource = std::move(source);
}

void push(const SDL_Event& event)
{
    SDL_Event copy = event;
    if (SDL_PushEvent(&copy) != 0) {
        fprintf(stderr, "harness: SDL's event queue is full\n");
        std::abort();
    }
}

void pushMotion(int x, int y, Uint8 buttons)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.state = buttons;
    event.motion.x = static_cast<Uint16>(x);
    event.motion.y = static_cast<Uint16>(y);
    push(event);
}

static void pushButton(Uint8 type, int x, int y, Uint8 button)
{
    SDL_Event event = {};
    event.type = type;
    event.button.button = button;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = static_cast<Uint16>(x);
    event.button.y = static_cast<Uint16>(y);
    push(event);
}

void pushButtonDown(int x, int y, Uint8 button)
{
    pushButton(SDL_MOUSEBUTTONDOWN, x, y, button);
}

void pushButtonUp(int x, int y, Uint8 button)
{
    pushButton(SDL_MOUSEBUTTONUP, x, y, button);
}

void pushKey(SDLKey sym, SDLMod mod)
{
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    push(event);
}

void pushQuit()
{
    SDL_Event event = {};
    event.type = SDL_QUIT;
    push(event);
}

void pushDrag(int fromX, int fromY, int toX, int toY)
{
    pushButtonDown(fromX, fromY);
    pushMotion(toX, toY, SDL_BUTTON(SDL_BUTTON_LEFT));
    pushButtonUp(toX, toY);
}

}  // namespace harness
