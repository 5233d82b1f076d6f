// Outlined bitmap text: one font sheet, recoloured through its palette.
#include "game/game.h"
#include "render/colors.h"

#include <cstring>

const SDL_Color COLOR_MAGENTA = {255, 0, 255, 0};
const SDL_Color COLOR_GREEN = {136, 255, 119, 0};
const SDL_Color COLOR_BLUE = {0, 153, 255, 0};
const SDL_Color COLOR_YELLOW = {255, 238, 119, 0};
const SDL_Color COLOR_WHITE = {255, 255, 255, 0};
const SDL_Color COLOR_RANDOM = {1, 2, 3, 0};
const SDL_Color COLOR_OUTLINE = {0, 0, 0, 0};

namespace {

// Palette entry of the font sheet that holds the ink; 0 is the transparent
// background.
constexpr int INK_INDEX = 1;

const SDL_Color* const RANDOM_CHOICES[] = {&COLOR_MAGENTA, &COLOR_GREEN, &COLOR_BLUE,
                                           &COLOR_YELLOW};

// One row of the sheet: the characters it holds and how far below the pen its
// cells are placed, so that punctuation, capitals and lower case share a line.
struct GlyphRow {
    int first;
    int last;
    int drop;
};

constexpr GlyphRow GLYPH_ROWS[] = {
    {'!', '@', 2},  // punctuation and digits
    {'A', 'Z', 1},  // capitals
    {'a', 'z', 0},  // lower case
};

// The outline is the glyph stamped once at each of these offsets.
constexpr int OUTLINE_OFFSETS[][2] = {{-1, 0}, {1, 0}, {-1, -1}, {1, -1},
                                      {0, -1}, {0, 1}, {-1, 1},  {1, 1}};

void setInk(SDL_Surface* font, const SDL_Color* color)
{
    SDL_SetColors(font, const_cast<SDL_Color*>(color), INK_INDEX, 1);
}

void stamp(SDL_Surface* font, SDL_Rect* source, SDL_Surface* screen, int x, int y)
{
    SDL_Rect dest = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(font, source, screen, &dest);
}

}  // namespace

void Game::drawText(const char* text, int x, int y, const SDL_Color* color)
{
    if (text[0] == '\0') {
        return;
    }
    const SDL_Color* face = color;
    if (color == &COLOR_RANDOM) {
        face = RANDOM_CHOICES[randomInRange(0, 3)];
    }

    int pen = x;
    for (size_t i = 0; i < strlen(text); ++i) {
        setInk(fontImage, &COLOR_OUTLINE);
        const int c = static_cast<signed char>(text[i]);
        for (size_t row = 0; row < sizeof GLYPH_ROWS / sizeof GLYPH_ROWS[0]; ++row) {
            const GlyphRow& glyphs = GLYPH_ROWS[row];
            if (c < glyphs.first || c > glyphs.last) {
                continue;
            }
            SDL_Rect source = {static_cast<Sint16>((c - glyphs.first) * GLYPH_W),
                               static_cast<Sint16>(row * GLYPH_H), GLYPH_W, GLYPH_H};
            const int cy = y + glyphs.drop;
            for (const auto& offset : OUTLINE_OFFSETS) {
                stamp(fontImage, &source, screen, pen + offset[0], cy + offset[1]);
            }
            setInk(fontImage, face);
            stamp(fontImage, &source, screen, pen, cy);
            break;
        }
        pen += GLYPH_W;
    }
}
