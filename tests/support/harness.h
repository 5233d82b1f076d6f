// Time and input under a test's control.
//
// Test programs wrap SDL_Delay, SDL_GetTicks, SDL_Flip, SDL_WaitEvent and
// SDL_PollEvent (see harness.cpp): sleeps advance a virtual clock, every
// presented frame can be looked at, and with no input left a wait fails,
// which every loop of the game takes for "stop here".
#pragma once

#include "game/game.h"

#include <functional>
#include <vector>

namespace harness {

extern uint32_t now;                               // the virtual clock, in ms
extern std::vector<uint32_t> delays;               // every SDL_Delay, in order
extern unsigned flips;                             // SDL_Flip calls
extern bool present;                               // whether a flip really presents
extern std::function<void()> onFlip;               // called before every flip
extern std::function<void()> onDelay;              // called after every sleep
extern std::function<bool(SDL_Event&)> nextEvent;  // asked when SDL's queue is empty
void reset();  // all of the above as at the start, and SDL's queue emptied

// Motion, or a button (the left one unless said) down or up.
SDL_Event mouse(Uint8 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT);
SDL_Event key(SDLKey sym, SDLMod mod = KMOD_NONE, Uint8 type = SDL_KEYDOWN);
const SDL_Event QUIT = {SDL_QUIT};  // a quit request
void push(const std::vector<SDL_Event>& events);
void drag(int fromX, int fromY, int toX, int toY);  // press, move and release

}  // namespace harness

// The window pixel in the middle of a board cell, as a player aims.
constexpr auto cellX = [](uint32_t column) { return int(BOARD_X + column * TILE_W + TILE_W / 2); };
constexpr auto cellY = [](uint32_t row) { return int(BOARD_Y + row * TILE_H + TILE_H / 2); };
