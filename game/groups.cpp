// Finding groups of four or more, removing them with their animation, and
// scoring them: the n-th cell removed from a group earns n points.
#include "game/game.h"
#include "render/colors.h"

#include <cstdio>
#include <vector>

namespace {

// The smallest group that is removed.
constexpr uint32_t GROUP_MIN = 4;

// The removal animation: a white square grows over the cell one pixel per
// frame until it covers the tile.
constexpr uint32_t REMOVAL_FRAMES = TILE_W;
constexpr Uint32 REMOVAL_FRAME_MS = 5;
constexpr Uint32 REMOVAL_FILL = 0xFFFFFFFF;
// The cell's number sits a little left of the cell, over the square.
constexpr int COUNTER_OFFSET_X = -3;

// State of the walk in progress, shared by every floodGroup call of it.
uint32_t walkDepth = 0;
uint32_t walkKind = 0;
std::vector<CellPos> walkCells;

}  // namespace

void Game::clearGroups()
{
    for (uint32_t y = 0; y < BOARD_H; ++y) {
        for (uint32_t x = 0; x < BOARD_W; ++x) {
            // Read as the scan arrives: an earlier walk may have emptied it.
            const uint32_t code = getCell(x, y);
            if (code != CELL_EMPTY && code != CELL_WILD) {
                floodGroup(x, y);
            }
        }
    }
    countEmptyCells();
    drawBoard();
}

uint32_t Game::floodGroup(uint32_t x, uint32_t y)
{
    uint32_t kind = getCell(x, y);
    if (kind == CELL_WILD) {
        kind = walkKind;
    } else {
        walkKind = kind;
    }

    if (walkDepth == 0) {
        visited.fill(0);
        // A walk enters each cell at most once: room for the whole board.
        walkCells.reserve(BOARD_CELLS);
    }
    visited[y * BOARD_W + x] = 1;
    walkCells.push_back(CellPos{x, y});
    ++walkDepth;
    uint32_t count = 1;

    auto visit = [&](uint32_t nx, uint32_t ny) {
        const uint32_t code = getCell(nx, ny);
        if ((code == kind || code == CELL_WILD) && visited[ny * BOARD_W + nx] == 0) {
            count += floodGroup(nx, ny);
        }
    };
    // Right, up, left, down: this order decides the order of removal.
    if (x + 1 < BOARD_W) {
        visit(x + 1, y);
    }
    if (y > 0) {
        visit(x, y - 1);
    }
    if (x > 0) {
        visit(x - 1, y);
    }
    if (y + 1 < BOARD_H) {
        visit(x, y + 1);
    }

    --walkDepth;
    if (walkDepth != 0) {
        return count;
    }

    if (count >= GROUP_MIN) {
        uint32_t n = 0;
        for (const CellPos& cell : walkCells) {
            // A marker is cleared when its cell goes, and also when the cell
            // left of, above, or left-above it goes.
            for (CellPos& marker : markers) {
                if ((marker.x == cell.x || marker.x == cell.x + 1) &&
                    (marker.y == cell.y || marker.y == cell.y + 1)) {
                    marker.x = NO_MARKER;
                }
            }
            ++n;
            char number[16];
            snprintf(number, sizeof number, "%2u", n);
            const int left = static_cast<int>(BOARD_X + cell.x * TILE_W);
            const int top = static_cast<int>(BOARD_Y + cell.y * TILE_H);
            for (uint32_t side = 1; side <= REMOVAL_FRAMES; ++side) {
                const uint32_t offset = (REMOVAL_FRAMES - side) / 2;
                SDL_Rect square = {static_cast<Sint16>(left + offset),
                                   static_cast<Sint16>(top + offset), static_cast<Uint16>(side),
                                   static_cast<Uint16>(side)};
                SDL_FillRect(screen, &square, REMOVAL_FILL);
                drawText(number, left + COUNTER_OFFSET_X, top, &COLOR_RANDOM);
                SDL_Flip(screen);
                SDL_Delay(REMOVAL_FRAME_MS);
                drawBoard();
            }
            setCell(cell.x, cell.y, CELL_EMPTY);
            score += n;
        }
    }
    walkCells.clear();
    return count;
}
