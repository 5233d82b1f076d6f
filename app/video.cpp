// The window and the three bitmaps.
#include "app/video.h"

#include "app/platform.h"
#include "game/game.h"

#include <cstdio>
#include <string>
#include <utility>

namespace {

constexpr Uint32 VIDEO_FLAGS = SDL_DOUBLEBUF | SDL_HWPALETTE | SDL_NOFRAME;

// In the pictures' folder (platform.h).
constexpr const char* BOARD_FILE = "board.bmp";
constexpr const char* PIECES_FILE = "pieces.bmp";
constexpr const char* FONT_FILE = "c18font.bmp";

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

// The player learns which picture is at fault and why, in one line; the
// first fault found is the one told.
bool refuse(const std::string& fault)
{
    tellStartFailure(("cannot " + fault).c_str());
    return false;
}

SDL_Surface* loadBitmap(const std::string& path, std::string& fault)
{
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    SDL_Surface* sheet = file != nullptr ? SDL_LoadBMP_RW(file, 1) : nullptr;
    if (sheet == nullptr && fault.empty()) {
        fault = std::string("use the picture ") + path + ": " + SDL_GetError();
    }
    return sheet;
}

// The font and the pieces are drawn by palette index (ink, colour keys).
bool palettised(const SDL_Surface* sheet, int minColors)
{
    const SDL_PixelFormat* format = sheet->format;
    return format->BytesPerPixel == 1 && format->palette != nullptr &&
           format->palette->ncolors >= minColors;
}

// Why a loaded sheet cannot serve its layout; empty when it can.
std::string unfit(const SDL_Surface* sheet, int width, int height, int minColors)
{
    char why[128] = "";
    if (sheet->w < width || sheet->h < height) {
        std::snprintf(why, sizeof why, "%d x %d pixels, smaller than the %d x %d it must hold",
                      sheet->w, sheet->h, width, height);
    } else if (minColors > 0 && !palettised(sheet, minColors)) {
        const int n = std::snprintf(why, sizeof why, "not an 8-bit bitmap with a palette");
        if (minColors > 1) {
            std::snprintf(why + n, sizeof why - n, " of %d colours or more", minColors);
        }
    }
    return why;
}

}  // namespace

// A bitmap that loads but cannot serve its layout counts as missing: the
// program then ends, saying why, instead of drawing garbage or invisible text.
bool Game::initVideo()
{
    videoInfo = SDL_GetVideoInfo();
    screen = SDL_SetVideoMode(SCREEN_W, SCREEN_H, videoInfo->vfmt->BitsPerPixel, VIDEO_FLAGS);
    std::string fault = screen == nullptr ? std::string("open the window: ") + SDL_GetError() : "";
    const std::string board = picturePath(BOARD_FILE);
    const std::string pieces = picturePath(PIECES_FILE);
    const std::string font = picturePath(FONT_FILE);
    boardImage = loadBitmap(board, fault);
    piecesImage = loadBitmap(pieces, fault);
    fontImage = loadBitmap(font, fault);
    if (fault.empty()) {
        const std::pair<std::string, std::string> fits[] = {
            {board, unfit(boardImage, BOARD_MIN_W, BOARD_MIN_H, 0)},
            {pieces, unfit(piecesImage, PIECES_MIN_W, PIECES_MIN_H, 1)},
            {font, unfit(fontImage, FONT_MIN_W, FONT_MIN_H, FONT_MIN_COLORS)}};
        for (const auto& [path, why] : fits) {
            if (fault.empty() && !why.empty()) {
                fault = std::string("use the picture ") + path + ": " + why;
            }
        }
    }
    if (!fault.empty()) {
        return refuse(fault);
    }
    SDL_SetColorKey(fontImage, SDL_SRCCOLORKEY, FONT_BACKGROUND);
    fitSheetsToScreen(*this);
    identifyWindow(*this);
    return true;
}
