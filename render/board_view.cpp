// The play screen: background, cells, new-piece markers and the HUD.
#include "game/game.h"
#include "render/colors.h"
#include "render/layout.h"

#include <cstdio>

namespace {

// Large enough for any 32-bit value however it is padded.
constexpr size_t NUMBER_BUFFER = 16;

SDL_Rect tileRect(uint32_t tile)
{
    return SDL_Rect{static_cast<Sint16>(tile * TILE_W), 0, static_cast<Uint16>(TILE_W),
                    static_cast<Uint16>(TILE_H)};
}

SDL_Rect cellRect(uint32_t x, uint32_t y)
{
    // Absent markers (x = NO_MARKER) land far right of the window and are
    // clipped away entirely.
    return SDL_Rect{static_cast<Sint16>(BOARD_X + x * TILE_W),
                    static_cast<Sint16>(BOARD_Y + y * TILE_H), 0, 0};
}

}  // namespace

void Game::drawBoard()
{
    SDL_Rect whole = {0, 0, static_cast<Uint16>(SCREEN_W), static_cast<Uint16>(SCREEN_H)};
    SDL_Rect wholeDest = whole;
    SDL_BlitSurface(boardImage, &whole, screen, &wholeDest);

    for (uint32_t y = 0; y < BOARD_H; ++y) {
        for (uint32_t x = 0; x < BOARD_W; ++x) {
            SDL_Rect source = tileRect(getCell(x, y));
            SDL_Rect dest = cellRect(x, y);
            SDL_BlitSurface(piecesImage, &source, screen, &dest);
        }
    }

    for (const CellPos& marker : markers) {
        SDL_SetColorKey(piecesImage, SDL_SRCCOLORKEY, markerKey);
        SDL_Rect source = tileRect(TILE_MARKER);
        SDL_Rect dest = cellRect(marker.x, marker.y);
        SDL_BlitSurface(piecesImage, &source, screen, &dest);
        SDL_SetColorKey(piecesImage, 0, 0);
    }

    char number[NUMBER_BUFFER];
    drawText("Score", SCORE_X, HUD_LABEL_Y, &COLOR_BLUE);
    snprintf(number, sizeof number, "%5u", score);
    drawText(number, SCORE_X, HUD_NUMBER_Y, &COLOR_MAGENTA);
    drawText("Turn", TURN_X, HUD_LABEL_Y, &COLOR_GREEN);
    snprintf(number, sizeof number, "%4u", turns);
    drawText(number, TURN_X, HUD_NUMBER_Y, &COLOR_MAGENTA);

    if (undoAvailable && turns > 0) {
        drawUndoLabel(&COLOR_YELLOW);
    }
    drawNewGameLabel(&COLOR_YELLOW);
    SDL_Flip(screen);
}

void Game::drawCellTile(uint32_t x, uint32_t y, uint32_t tile)
{
    SDL_Rect source = tileRect(tile);
    SDL_Rect dest = cellRect(x, y);
    SDL_BlitSurface(piecesImage, &source, screen, &dest);
    SDL_Flip(screen);
}

void Game::drawUndoLabel(const SDL_Color* color)
{
    drawText(UNDO_TEXT, UNDO_X, BUTTON_Y, color);
}

void Game::drawNewGameLabel(const SDL_Color* color)
{
    drawText(NEW_GAME_TEXT, NEW_GAME_X, BUTTON_Y, color);
}
