#include "app/sheet_formats.h"

#include "game/game.h"

namespace {

// The font's pixels: the transparent background and the ink that drawText
// recolours before every stamp.
constexpr int FONT_COLORS = 2;

void replace(SDL_Surface*& sheet, SDL_Surface* better)
{
    if (better != nullptr) {
        SDL_FreeSurface(sheet);
        sheet = better;
    }
}

bool usesOnlyFirstColors(SDL_Surface* sheet, int colors)
{
    bool only = true;
    SDL_LockSurface(sheet);
    const Uint8* pixels = static_cast<const Uint8*>(sheet->pixels);
    for (int y = 0; y < sheet->h && only; ++y) {
        for (int x = 0; x < sheet->w; ++x) {
            if (pixels[y * sheet->pitch + x] >= colors) {
                only = false;
                break;
            }
        }
    }
    SDL_UnlockSurface(sheet);
    return only;
}

// The same sheet with a palette of just the colours its pixels use. After
// every change of a palette SDL rebuilds the colour map of the whole palette
// at the next blit; drawText changes the ink twice per character, so a
// 256-entry palette costs it more than drawing the glyph itself.
SDL_Surface* withFontColorsOnly(SDL_Surface* font)
{
    SDL_Palette* palette = font->format->palette;
    if (font->format->BytesPerPixel != 1 || palette == nullptr || palette->ncolors <= FONT_COLORS ||
        !usesOnlyFirstColors(font, FONT_COLORS)) {
        return nullptr;
    }
    // Conversion maps colours by nearest match; two distinct colours keep
    // every index as it is. The ink's colour is rewritten before each stamp
    // anyway.
    SDL_Color colors[FONT_COLORS] = {palette->colors[0], palette->colors[0]};
    colors[1].r = static_cast<Uint8>(~colors[0].r);
    SDL_SetColors(font, colors, 0, FONT_COLORS);
    SDL_Palette fewer = {FONT_COLORS, colors};
    SDL_PixelFormat format = *font->format;
    format.palette = &fewer;
    SDL_Surface* trimmed = SDL_ConvertSurface(font, &format, SDL_SWSURFACE);
    if (trimmed != nullptr && (font->flags & SDL_SRCCOLORKEY) != 0) {
        SDL_SetColorKey(trimmed, SDL_SRCCOLORKEY, font->format->colorkey);
    }
    return trimmed;
}

}  // namespace

void fitSheetsToScreen(Game& game)
{
    // Opaque and never recoloured: in the screen's own format every redraw
    // copies it instead of looking up each pixel's colour.
    replace(game.boardImage, SDL_DisplayFormat(game.boardImage));
    // The pieces sheet stays palettised: its marker tile is keyed by palette
    // index. The font stays palettised too; it is recoloured through it.
    replace(game.fontImage, withFontColorsOnly(game.fontImage));
}
