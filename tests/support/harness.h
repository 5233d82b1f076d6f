// Test control over time, presented frames and input.
//
// The test binary is linked with --wrap for SDL_Delay, SDL_GetTicks,
// SDL_Flip, SDL_WaitEvent and SDL_PollEvent, so the game's sleeps advance a
// virtual clock at no cost, every presented frame can be inspected, and
// waiting for input never blocks: when nothing is queued and no event source
// is set, a wait fails, which every loop of the game treats as "stop here".
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace harness {

// Back to time 0, no delays or flips recorded, no hooks, empty event queue.
void reset();

uint32_t now();
const std::vector<uint32_t>& delays();  // every SDL_Delay argument, in order
unsigned flips();

// Whether SDL_Flip really presents; tests that only need the picture in the
// screen surface, not on the (dummy) display, may skip the cost.
void presentFrames(bool present);

// Called with the screen on every SDL_Flip, before the flip itself.
void onFlip(std::function<void(SDL_Surface*)> hook);

// Asked for one more event whenever SDL's queue is empty. Returning false
// means "nothing more": a wait then fails and a poll finds nothing.
void setEventSource(std::function<bool(SDL_Event&)> source);

void push(const SDL_Event& event);
void pushMotion(int x, int y, Uint8 buttons = 0);
void pushButtonDown(int x, int y, Uint8 button = SDL_BUTTON_LEFT);
void pushButtonUp(int x, int y, Uint8 button = SDL_BUTTON_LEFT);
void pushKey(SDLKey sym, SDLMod mod = KMOD_NONE);
void pushQuit();
// Press at one window pixel and release at another.
void pushDrag(int fromX, int fromY, int toX, int toY);

}  // namespace harness
