// Random input for the whole program, biased so that games are really
// played: legal drags, button clicks and name keys among the noise.
#pragma once

#include "game/game.h"

#include <SDL.h>

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace storm {

struct Move {
    uint32_t fromColumn, fromRow, toColumn, toRow;
};

// Every move the rules would accept on the game's board right now.
std::vector<Move> legalMoves(const Game& game);

// Window pixel at the middle of a board cell, and of the buttons.
int cellX(uint32_t column);
int cellY(uint32_t row);

SDL_Event motion(int x, int y, Uint8 buttons = 0);
SDL_Event button(Uint8 type, int x, int y, Uint8 which = SDL_BUTTON_LEFT);
SDL_Event key(Uint8 type, SDLKey sym, SDLMod mod = KMOD_NONE);
SDL_Event quit();

// A press on one cell, a motion and a release on another.
void pushDrag(std::deque<SDL_Event>& out, const Move& move, Uint8 which = SDL_BUTTON_LEFT);

// Ends whatever screen is showing: Return (name entry, title), a click on
// the close box (play) and a motion to let the play loop return. Repeated,
// it ends the program from any state within two rounds.
void pushEnding(std::deque<SDL_Event>& out);

// What must hold between any two events: cell codes 0-7, emptyCount true
// to the board, markers on the board or absent, a level of 1 to 7, the high
// score table best first with names of at most NAME_MAX_LEN. Empty when all
// hold, else what broke.
std::string brokenInvariant(const Game& game);

class Generator {
public:
    explicit Generator(uint32_t seed) : random(seed) {}

    // Appends the next burst of events (one or a few) to `out`; `game` is
    // the running game, or null outside a run.
    void next(std::deque<SDL_Event>& out, const Game* game);

private:
    uint32_t below(uint32_t bound)
    {
        return std::uniform_int_distribution<uint32_t>(0, bound - 1)(random);
    }
    int anyX();
    int anyY();
    void pushNoise(std::deque<SDL_Event>& out);

    std::mt19937 random;
};

}  // namespace storm
