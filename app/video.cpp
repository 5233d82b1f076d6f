// The window and the three bitmaps.
#include "app/sheet_formats.h"
#include "game/game.h"

namespace {

constexpr Uint32 VIDEO_FLAGS = SDL_DOUBLEBUF | SDL_HWPALETTE | SDL_NOFRAME;

// Palette index of the font sheet's background, drawn transparent.
constexpr Uint32 FONT_BACKGROUND = 0;
// The font is recoloured through the palette entry after the background:
// with fewer entries every glyph would be drawn transparent.
constexpr int FONT_MIN_COLORS = 2;

// What each sheet must hold at least. The background covers the window; the
// pieces sheet holds one row of tiles up to the last cursor; the font sheet
// three rows of glyphs, the widest being the 32 of '!' to '@'.
constexpr int BOARD_MIN_W = SCREEN_W;
constexpr int BOARD_MIN_H = SCREEN_H;
constexpr int PIECES_MIN_W = (TILE_CURSOR_OK + 1) * TILE_W;
constexpr int PIECES_MIN_H = TILE_H;
constexpr int FONT_GLYPHS_PER_ROW = '@' - '!' + 1;
constexpr int FONT_GLYPH_ROWS = 3;
constexpr int FONT_MIN_W = FONT_GLYPHS_PER_ROW * GLYPH_W;
constexpr int FONT_MIN_H = FONT_GLYPH_ROWS * GLYPH_H;

SDL_Surface* loadBitmap(const char* path)
{
    SDL_RWops* file = SDL_RWFromFile(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    return SDL_LoadBMP_RW(file, 1);
}

bool covers(const SDL_Surface* sheet, int width, int height)
{
    return sheet->w >= width && sheet->h >= height;
}

// The font and the pieces are drawn by palette index (ink, colour keys).
bool palettised(const SDL_Surface* sheet, int minColors)
{
    const SDL_PixelFormat* format = sheet->format;
    return format->BytesPerPixel == 1 && format->palette != nullptr &&
           format->palette->ncolors >= minColors;
}

}  // namespace

// A bitmap that loads but cannot serve its layout counts as missing: the
// program then ends quietly instead of drawing garbage or invisible text.
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
    if (!covers(boardImage, BOARD_MIN_W, BOARD_MIN_H) ||
        !covers(piecesImage, PIECES_MIN_W, PIECES_MIN_H) || !palettised(piecesImage, 1) ||
        !covers(fontImage, FONT_MIN_W, FONT_MIN_H) || !palettised(fontImage, FONT_MIN_COLORS)) {
        return false;
    }
    SDL_SetColorKey(fontImage, SDL_SRCCOLORKEY, FONT_BACKGROUND);
    fitSheetsToScreen(*this);
    return true;
}
