// The board model: cells, the empty-cell list, reset and the random source.
#include "game/game.h"

#include <cstdint>
#include <cstdlib>

Game::Game()
    : board{},
      snapshot{},
      empties{},
      markers{},
      visited{},
      score(0),
      savedScore(0),
      emptyCount(BOARD_CELLS),
      turns(0),
      undoAvailable(false),
      videoInfo(nullptr),
      screen(nullptr),
      boardImage(nullptr),
      piecesImage(nullptr),
      markerKey(MARKER_KEY_INDEX),
      fontImage(nullptr),
      level(1)
{
    // Seeded once, from where this object happens to live: every run plays
    // a different sequence of boards without any clock or configuration.
    srand(static_cast<unsigned>(reinterpret_cast<uintptr_t>(this)));
}

Game::~Game()
{
    // The screen belongs to SDL; the bitmaps are ours to give back.
    SDL_FreeSurface(boardImage);
    SDL_FreeSurface(piecesImage);
    SDL_FreeSurface(fontImage);
}

uint32_t Game::getCell(uint32_t x, uint32_t y) const
{
    return board[y * BOARD_W + x];
}

void Game::setCell(uint32_t x, uint32_t y, uint32_t code)
{
    board[y * BOARD_W + x] = code;
}

void Game::resetBoard()
{
    for (uint32_t y = 0; y < BOARD_H; ++y) {
        for (uint32_t x = 0; x < BOARD_W; ++x) {
            setCell(x, y, CELL_EMPTY);
            empties[y * BOARD_W + x] = CellPos{x, y};
        }
    }
    countEmptyCells();
    for (CellPos& marker : markers) {
        marker.x = NO_MARKER;
    }
    turns = 0;
    score = 0;
    level = 1;
}

uint32_t Game::countEmptyCells()
{
    emptyCount = 0;
    for (uint32_t y = 0; y < BOARD_H; ++y) {
        for (uint32_t x = 0; x < BOARD_W; ++x) {
            if (getCell(x, y) == CELL_EMPTY) {
                empties[emptyCount] = CellPos{x, y};
                ++emptyCount;
            }
        }
    }
    return emptyCount;
}

uint32_t randomInRange(uint32_t lo, uint32_t hi)
{
    return static_cast<uint32_t>(rand()) % (hi - lo + 1) + lo;
}
