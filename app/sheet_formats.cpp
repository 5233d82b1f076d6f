// Bitmaps reshaped once after loading, for the blits they serve.
#include "app/video.h"

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

Uint32 pixelValue(const SDL_Surface* sheet, int x, int y)
{
    const Uint8* p = static_cast<const Uint8*>(sheet->pixels) + y * sheet->pitch +
                     x * sheet->format->BytesPerPixel;
    switch (sheet->format->BytesPerPixel) {
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

bool usesOnlyFirstColors(SDL_Surface* sheet, int colors)
{
    bool only = true;
    SDL_LockSurface(sheet);
    for (int y = 0; y < sheet->h && only; ++y) {
        for (int x = 0; x < sheet->w && only; ++x) {
            only = pixelValue(sheet, x, y) < static_cast<Uint32>(colors);
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

// The value the marker's see-through pixels have in `converted`, provided
// that within the marker tile exactly those pixels have it: then keying on
// it shows the same marker as keying on the palette index did.
bool findMarkerKey(SDL_Surface* original, Uint32 keyIndex, SDL_Surface* converted, Uint32& key)
{
    bool found = false;
    bool exact = true;
    SDL_LockSurface(original);
    SDL_LockSurface(converted);
    const int left = static_cast<int>(TILE_MARKER * TILE_W);
    for (int pass = 0; pass < 2 && exact; ++pass) {
        // First the see-through pixels name the key, then no other may match.
        for (int y = 0; y < static_cast<int>(TILE_H) && exact; ++y) {
            for (int x = left; x < left + static_cast<int>(TILE_W) && exact; ++x) {
                const bool seeThrough = pixelValue(original, x, y) == keyIndex;
                const Uint32 value = pixelValue(converted, x, y);
                if (pass == 0 && seeThrough && !found) {
                    key = value;
                    found = true;
                } else if (found) {
                    exact = seeThrough == (value == key);
                }
            }
        }
    }
    SDL_UnlockSurface(converted);
    SDL_UnlockSurface(original);
    return found && exact;
}

}  // namespace

void fitSheetsToScreen(Game& game)
{
    // Opaque and never recoloured: in the screen's own format every redraw
    // copies it instead of looking up each pixel's colour.
    replace(game.boardImage, SDL_DisplayFormat(game.boardImage));

    // The tiles likewise. Switching the marker's colour key on and off also
    // makes SDL rebuild a palettised sheet's colour map, and on a palettised
    // screen that map is a nearest-colour search over both palettes.
    if (game.piecesImage->format->BytesPerPixel == 1) {
        SDL_Surface* tiles = SDL_DisplayFormat(game.piecesImage);
        Uint32 key = 0;
        if (tiles != nullptr && findMarkerKey(game.piecesImage, game.markerKey, tiles, key)) {
            replace(game.piecesImage, tiles);
            game.markerKey = key;
        } else if (tiles != nullptr) {
            SDL_FreeSurface(tiles);
        }
    }

    // The font stays palettised: it is recoloured through its palette.
    replace(game.fontImage, withFontColorsOnly(game.fontImage));
}
