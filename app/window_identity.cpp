// The window as taskbars, docks and window switchers show it.
#include "app/video.h"

#include "game/game.h"

namespace {

constexpr const char* WINDOW_NAME = "Tessalorium";

// The menu icon's picture at 64 px, as tools/art/icons.py draws it (the
// end-to-end test compares the two):
// a patch of tiles, each pixel doubled. Docks want 32 px and more; made
// from the sheet already loaded, no icon file has to be found at run time.
constexpr int ICON_PATCH = 2;
constexpr Uint32 ICON_TILES[ICON_PATCH][ICON_PATCH] = {{0, CELL_WILD}, {2, 1}};
constexpr int ICON_ENLARGEMENT = 2;
constexpr int PATCH_SIZE = ICON_PATCH * TILE_W;
constexpr int ICON_SIZE = PATCH_SIZE * ICON_ENLARGEMENT;

// 32 bits without alpha: the tiles are opaque. Both surfaces share this
// format, as SDL_SoftStretch wants.
SDL_Surface* opaqueSurface(int size)
{
    return SDL_CreateRGBSurface(SDL_SWSURFACE, size, size, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
}

// Blits take the sheet in whatever format fitSheetsToScreen left it.
bool drawPatch(SDL_Surface* pieces, SDL_Surface* patch)
{
    for (int row = 0; row < ICON_PATCH; ++row) {
        for (int col = 0; col < ICON_PATCH; ++col) {
            SDL_Rect from = {static_cast<Sint16>(ICON_TILES[row][col] * TILE_W), 0, TILE_W, TILE_H};
            SDL_Rect to = {static_cast<Sint16>(col * TILE_W), static_cast<Sint16>(row * TILE_H), 0,
                           0};
            if (SDL_BlitSurface(pieces, &from, patch, &to) != 0) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

void identifyWindow(Game& game)
{
    SDL_WM_SetCaption(WINDOW_NAME, WINDOW_NAME);
    SDL_Surface* patch = opaqueSurface(PATCH_SIZE);
    SDL_Surface* icon = opaqueSurface(ICON_SIZE);
    // Without an icon the window is still named; a generic icon is no fault.
    if (patch != nullptr && icon != nullptr && drawPatch(game.piecesImage, patch)) {
        // Nearest neighbour: every tile pixel a square block, as in the menu icon.
        SDL_SoftStretch(patch, nullptr, icon, nullptr);
        // sdl12-compat hands the pixels on at once (to the window's
        // property, or a copy kept for the window to come).
        SDL_WM_SetIcon(icon, nullptr);
    }
    SDL_FreeSurface(icon);
    SDL_FreeSurface(patch);
}
