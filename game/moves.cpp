// Moving a piece one step, and the one undo per game.
#include "game/game.h"

#include <cstdlib>

namespace {

// Signed, so that a step to the left is as short as a step to the right.
int distance(uint32_t a, uint32_t b)
{
    return std::abs(static_cast<int>(a) - static_cast<int>(b));
}

}  // namespace

// One step in any of the eight directions, a piece that may be dragged, and
// an empty cell to land on.
bool Game::canMove(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2) const
{
    const uint32_t source = getCell(x1, y1);
    const uint32_t target = getCell(x2, y2);
    return distance(x1, x2) <= 1 && distance(y1, y2) <= 1 && source != CELL_FIXED &&
           source != CELL_EMPTY && target == CELL_EMPTY;
}

bool Game::tryMove(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2)
{
    if (!canMove(x1, y1, x2, y2)) {
        return false;
    }
    // Only a move the rules allow is something to take back: a refused
    // attempt, such as a plain click on a piece, leaves the snapshot alone.
    snapshot = board;
    savedScore = score;

    const uint32_t source = getCell(x1, y1);

    setCell(x1, y1, CELL_EMPTY);
    setCell(x2, y2, source);
    // The marker says "this arrived last turn"; it stays behind, not with the piece.
    for (CellPos& marker : markers) {
        if (marker.x == x1 && marker.y == y1) {
            marker.x = NO_MARKER;
        }
    }
    ++turns;
    drawBoard();
    return true;
}

void Game::undoMove()
{
    if (turns == 0 || !undoAvailable) {
        return;
    }
    board = snapshot;
    for (CellPos& marker : markers) {
        marker.x = NO_MARKER;
    }
    undoAvailable = false;
    --turns;
    score = savedScore;
    drawBoard();
    countEmptyCells();
}
