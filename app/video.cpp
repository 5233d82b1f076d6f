// The window and the three bitmaps.
#include "app/sheet_formats.h"
#include "game/game.h"

namespace {

constexpr Uint32 VIDEO_FLAGS = SDL_DOUBLEBUF | SDL_HWPALETTE | SDL_NOFRAME;

// Palette index of the font sheet's background, drawn transparent.
constexpr Uint32 FONT_BACKGROUND = 0;

SDL_Surface* loadBitmap(const char* path)
{
    SDL_RWops* file = SDL_RWFromFile(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    return SDL_LoadBMP_RW(file, 1);
}

}  // namespace

bool Game::initVideo()
{
    videoInfo = SDL_GetVideoInfo();
    screen = SDL_SetVideoMode(SCREEN_W, SCREEN_H, videoInfo->vfmt->BitsPerPixel, VIDEO_FLAGS);
    boardImage = loadBitmap("gfx/board.bmp");
    piecesImage = loadBitmap("gfx/pieces.bmp");
    fontImage = loadBitmap("gfx/c18font.bmp");
    if (screen == nullptr || piecesImage == nullptr || boardImage == nullptr ||
        fontImage == nullptr) {
        return false;
    }
    SDL_SetColorKey(fontImage, SDL_SRCCOLORKEY, FONT_BACKGROUND);
    fitSheetsToScreen(*this);
    return true;
}
