// New pieces after every move, marked so the player sees what arrived.
#include "game/game.h"

#include <algorithm>

namespace {

// Kinds drawn before and from this level: the seventh kind joins then.
constexpr uint32_t SEVENTH_KIND_LEVEL = 3;
constexpr uint32_t LAST_EARLY_KIND = 5;
constexpr uint32_t LAST_KIND = 6;

}  // namespace

void Game::spawnPieces()
{
    const uint32_t pieces = std::min(emptyCount, MARKER_COUNT);
    for (uint32_t i = 0; i < pieces; ++i) {
        // Recount before every draw, so no two pieces land on one cell.
        const uint32_t free = countEmptyCells();
        const CellPos cell = empties[randomInRange(0, free - 1)];
        const uint32_t kind =
            randomInRange(0, level < SEVENTH_KIND_LEVEL ? LAST_EARLY_KIND : LAST_KIND);
        setCell(cell.x, cell.y, kind);
        markers[i] = cell;
    }
    drawBoard();
    countEmptyCells();
}
