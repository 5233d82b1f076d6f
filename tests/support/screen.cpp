#include "tests/support/screen.h"

namespace screen {

namespace {

constexpr uint8_t FONT_INK = 1;

struct Lock {
    explicit Lock(SDL_Surface* s) : surface(s) { SDL_LockSurface(surface); }
    ~Lock() { SDL_UnlockSurface(surface); }
    SDL_Surface* surface;
};

Uint32 raw(SDL_Surface* surface, int x, int y)
{
    const int bpp = surface->format->BytesPerPixel;
    const uint8_t* p = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch + x * bpp;
    switch (bpp) {
    case 1:
        return *p;
    case 2:
        return *reinterpret_cast<const Uint16*>(p);
    case 3:
        return SDL_BYTEORDER == SDL_BIG_ENDIAN ? (p[0] << 16 | p[1] << 8 | p[2])
                                               : (p[0] | p[1] << 8 | p[2] << 16);
    default:
        return *reinterpret_cast<const Uint32*>(p);
    }
}

struct GlyphCell {
    int sheetX;
    int sheetY;
    int drop;
};

bool glyphCell(char c, GlyphCell& cell)
{
    const int code = static_cast<signed char>(c);
    if (code >= '!' && code <= '@') {
        cell = {(code - '!') * static_cast<int>(GLYPH_W), 0, 2};
    } else if (code >= 'A' && code <= 'Z') {
        cell = {(code - 'A') * static_cast<int>(GLYPH_W), static_cast<int>(GLYPH_H), 1};
    } else if (code >= 'a' && code <= 'z') {
        cell = {(code - 'a') * static_cast<int>(GLYPH_W), 2 * static_cast<int>(GLYPH_H), 0};
    } else {
        return false;
    }
    return true;
}

bool onScreen(const Game& game, int x, int y)
{
    return x >= 0 && y >= 0 && x < game.screen->w && y < game.screen->h;
}

}  // namespace

Rgb rgb(const SDL_Color& color)
{
    return Rgb{color.r, color.g, color.b};
}

Rgb pixel(SDL_Surface* surface, int x, int y)
{
    Lock lock(surface);
    Rgb out{};
    SDL_GetRGB(raw(surface, x, y), surface->format, &out.r, &out.g, &out.b);
    return out;
}

// The block at (x, y) shows the tile, or with `marker` the marker tile
// over it: the tile where the marker's pixels have the see-through key.
static bool blockShows(Game& game, int x, int y, uint32_t tile, bool marker)
{
    const int markerX = static_cast<int>(TILE_MARKER * TILE_W);
    for (int dy = 0; dy < static_cast<int>(TILE_H); ++dy) {
        for (int dx = 0; dx < static_cast<int>(TILE_W); ++dx) {
            int sheetX = static_cast<int>(tile * TILE_W) + dx;
            if (marker && raw(game.piecesImage, markerX + dx, dy) != game.markerKey) {
                sheetX = markerX + dx;
            }
            if (pixel(game.screen, x + dx, y + dy) != pixel(game.piecesImage, sheetX, dy)) {
                return false;
            }
        }
    }
    return true;
}

bool cellShows(Game& game, uint32_t column, uint32_t row, uint32_t tile)
{
    return blockShows(game, static_cast<int>(BOARD_X + column * TILE_W),
                      static_cast<int>(BOARD_Y + row * TILE_H), tile, false);
}

bool cellShowsMarked(Game& game, uint32_t column, uint32_t row, uint32_t tile)
{
    return blockShows(game, static_cast<int>(BOARD_X + column * TILE_W),
                      static_cast<int>(BOARD_Y + row * TILE_H), tile, true);
}

std::string textAt(Game& game, int x, int y, size_t length, const SDL_Color& color)
{
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        const int pen = x + static_cast<int>(i * GLYPH_W);
        // The three rows drop a glyph by 0 to 2 pixels: look at all of it.
        int inColor = 0;
        for (int sy = y; sy < y + static_cast<int>(GLYPH_H) + 2; ++sy) {
            for (int sx = pen; sx < pen + static_cast<int>(GLYPH_W); ++sx) {
                inColor += onScreen(game, sx, sy) && pixel(game.screen, sx, sy) == rgb(color);
            }
        }
        char found = inColor == 0 ? ' ' : '?';
        for (char c = '!'; c <= 'z'; ++c) {
            GlyphCell cell{};
            if (!glyphCell(c, cell)) {
                continue;
            }
            int ink = 0;
            bool all = true;
            Lock lock(game.fontImage);
            for (int dy = 0; dy < static_cast<int>(GLYPH_H) && all; ++dy) {
                for (int dx = 0; dx < static_cast<int>(GLYPH_W) && all; ++dx) {
                    if (raw(game.fontImage, cell.sheetX + dx, cell.sheetY + dy) != FONT_INK) {
                        continue;
                    }
                    ++ink;
                    const int sx = pen + dx;
                    const int sy = y + cell.drop + dy;
                    all = onScreen(game, sx, sy) && pixel(game.screen, sx, sy) == rgb(color);
                }
            }
            if (all && ink == inColor && ink > 0) {
                found = c;
                break;
            }
        }
        text += found;
    }
    return text;
}

Rgb Shot::at(int x, int y) const
{
    const uint32_t v = pixels[static_cast<size_t>(y * w + x)];
    return Rgb{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
               static_cast<uint8_t>(v)};
}

Shot shoot(SDL_Surface* surface)
{
    Shot shot;
    shot.w = surface->w;
    shot.h = surface->h;
    shot.pixels.resize(static_cast<size_t>(shot.w * shot.h));
    Lock lock(surface);
    for (int y = 0; y < shot.h; ++y) {
        for (int x = 0; x < shot.w; ++x) {
            Uint8 r, g, b;
            SDL_GetRGB(raw(surface, x, y), surface->format, &r, &g, &b);
            shot.pixels[static_cast<size_t>(y * shot.w + x)] =
                static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | b;
        }
    }
    return shot;
}

}  // namespace screen
