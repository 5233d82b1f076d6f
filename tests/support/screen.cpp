#include "tests/support/screen.h"

#include <vector>

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

uint8_t index(SDL_Surface* sheet, int x, int y)
{
    Lock lock(sheet);
    return static_cast<uint8_t>(raw(sheet, x, y));
}

static bool blockMatches(Game& game, uint32_t tile, int x, int y, bool withMarker, uint32_t under)
{
    for (int dy = 0; dy < static_cast<int>(TILE_H); ++dy) {
        for (int dx = 0; dx < static_cast<int>(TILE_W); ++dx) {
            int sheetX = static_cast<int>(tile * TILE_W) + dx;
            if (withMarker && raw(game.piecesImage, static_cast<int>(TILE_MARKER * TILE_W) + dx,
                                  dy) != game.markerKey) {
                sheetX = static_cast<int>(TILE_MARKER * TILE_W) + dx;
            } else if (withMarker) {
                sheetX = static_cast<int>(under * TILE_W) + dx;
            }
            if (pixel(game.screen, x + dx, y + dy) != pixel(game.piecesImage, sheetX, dy)) {
                return false;
            }
        }
    }
    return true;
}

bool tileAt(Game& game, uint32_t tile, int x, int y)
{
    return blockMatches(game, tile, x, y, false, 0);
}

bool cellShows(Game& game, uint32_t column, uint32_t row, uint32_t tile)
{
    return tileAt(game, tile, static_cast<int>(BOARD_X + column * TILE_W),
                  static_cast<int>(BOARD_Y + row * TILE_H));
}

bool cellShowsMarked(Game& game, uint32_t column, uint32_t row, uint32_t tile)
{
    return blockMatches(game, TILE_MARKER, static_cast<int>(BOARD_X + column * TILE_W),
                        static_cast<int>(BOARD_Y + row * TILE_H), true, tile);
}

int countColor(SDL_Surface* surface, const SDL_Rect& area, const SDL_Color& color)
{
    int count = 0;
    for (int y = area.y; y < area.y + area.h; ++y) {
        for (int x = area.x; x < area.x + area.w; ++x) {
            if (x >= 0 && y >= 0 && x < surface->w && y < surface->h &&
                pixel(surface, x, y) == rgb(color)) {
                ++count;
            }
        }
    }
    return count;
}

std::string textAt(Game& game, int x, int y, size_t length, const SDL_Color& color)
{
    static const std::string candidates = [] {
        std::string all;
        for (int c = '!'; c <= 'z'; ++c) {
            GlyphCell cell{};
            if (glyphCell(static_cast<char>(c), cell)) {
                all += static_cast<char>(c);
            }
        }
        return all;
    }();

    std::string text;
    for (size_t i = 0; i < length; ++i) {
        const int pen = x + static_cast<int>(i * GLYPH_W);
        // The three rows drop a glyph by 0 to 2 pixels: look at all of it.
        const SDL_Rect span = {static_cast<Sint16>(pen), static_cast<Sint16>(y),
                               static_cast<Uint16>(GLYPH_W), static_cast<Uint16>(GLYPH_H + 2)};
        const int inColor = countColor(game.screen, span, color);
        char found = inColor == 0 ? ' ' : '?';
        for (char c : candidates) {
            GlyphCell cell{};
            glyphCell(c, cell);
            int ink = 0;
            bool all = true;
            for (int dy = 0; dy < static_cast<int>(GLYPH_H) && all; ++dy) {
                for (int dx = 0; dx < static_cast<int>(GLYPH_W); ++dx) {
                    if (index(game.fontImage, cell.sheetX + dx, cell.sheetY + dy) != FONT_INK) {
                        continue;
                    }
                    ++ink;
                    const int sx = pen + dx;
                    const int sy = y + cell.drop + dy;
                    if (sx < 0 || sy < 0 || sx >= game.screen->w || sy >= game.screen->h ||
                        pixel(game.screen, sx, sy) != rgb(color)) {
                        all = false;
                        break;
                    }
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
