// Reading back what the player sees: pixels, tiles and our own font.
#pragma once

#include "game/game.h"

#include <SDL.h>

#include <cstdint>
#include <string>

namespace screen {

struct Rgb {
    uint8_t r;
    uint8_t g;
    uint8_t b;
    bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
    bool operator!=(const Rgb& other) const { return !(*this == other); }
};

Rgb rgb(const SDL_Color& color);
Rgb pixel(SDL_Surface* surface, int x, int y);
// The cell on the screen is exactly this tile of the pieces sheet.
bool cellShows(Game& game, uint32_t column, uint32_t row, uint32_t tile);
// The cell shows the marker over this tile: marker pixels where the marker
// has ink, the tile where it is transparent.
bool cellShowsMarked(Game& game, uint32_t column, uint32_t row, uint32_t tile);

// Reads `length` characters drawn in `color` by drawText at (x, y): the
// character whose glyph ink is exactly what the screen holds in that colour,
// ' ' where the cell holds none of it, '?' where it holds something else.
std::string textAt(Game& game, int x, int y, size_t length, const SDL_Color& color);

// Copies of the screen, for comparing before and after.
struct Shot {
    int w = 0;
    int h = 0;
    std::basic_string<uint32_t> pixels;  // 0x00RRGGBB
    Rgb at(int x, int y) const;
    bool operator==(const Shot& other) const { return pixels == other.pixels; }
};
Shot shoot(SDL_Surface* surface);

}  // namespace screen
