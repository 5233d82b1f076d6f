// Where the HUD texts and the on-screen buttons sit, in window pixels. The
// button labels' extents are also the buttons' click regions.
#pragma once

#include "game/game.h"

#include <cstddef>
#include <string>

constexpr int HUD_LABEL_Y = 10;
constexpr int HUD_NUMBER_Y = 26;
constexpr int TURN_X = 16;
constexpr int SCORE_X = 132;

constexpr const char* UNDO_TEXT = "UNDO";
constexpr const char* NEW_GAME_TEXT = "NEW GAME";
constexpr int BUTTON_Y = 237;
constexpr int BUTTON_H = 17;
constexpr int UNDO_X = 16;
constexpr int NEW_GAME_X = 100;
constexpr int UNDO_RIGHT =
    UNDO_X + static_cast<int>(std::char_traits<char>::length(UNDO_TEXT) * GLYPH_W);
constexpr int NEW_GAME_RIGHT =
    NEW_GAME_X + static_cast<int>(std::char_traits<char>::length(NEW_GAME_TEXT) * GLYPH_W);

// The buttons' click regions: their labels' extents.
inline bool overButton(Uint16 x, Uint16 y, int left, int right)
{
    return x >= left && x < right && y >= BUTTON_Y && y < BUTTON_Y + BUTTON_H;
}

inline bool overNewGame(Uint16 x, Uint16 y)
{
    return overButton(x, y, NEW_GAME_X, NEW_GAME_RIGHT);
}

inline bool overUndo(Uint16 x, Uint16 y)
{
    return overButton(x, y, UNDO_X, UNDO_RIGHT);
}

// The close box drawn into the background's top-right corner.
constexpr int CLOSE_BOX_SIZE = 16;

inline bool overCloseBox(Uint16 x, Uint16 y)
{
    return x > SCREEN_W - CLOSE_BOX_SIZE && y < CLOSE_BOX_SIZE;
}

// SDL 1.2 reports a wheel step (or a touchpad's scroll) as a press and a
// release of button 4 or 5. Nobody scrolls to click, so these never act.
inline bool isWheel(const SDL_MouseButtonEvent& button)
{
    return button.button == SDL_BUTTON_WHEELUP || button.button == SDL_BUTTON_WHEELDOWN;
}

// A press of a real button, not a wheel step.
inline bool isPress(const SDL_Event& event)
{
    return event.type == SDL_MOUSEBUTTONDOWN && !isWheel(event.button);
}

// The desktop's close (or SIGTERM, which SDL turns into the same request),
// or a press in the close box: outside play, where the box answers its
// release, either ends the program at once.
inline bool asksToClose(const SDL_Event& event)
{
    return event.type == SDL_QUIT ||
           (isPress(event) && overCloseBox(event.button.x, event.button.y));
}

// Left edge that centres a text of the given length on the window, rounding
// the way every centred text of the game does but the title screen's.
inline int centredX(size_t length)
{
    return static_cast<int>((SCREEN_W - length * GLYPH_W) / 2);
}

// The title screen's: it halves the window and the text separately, which
// puts odd-width texts half a pixel right of centre.
inline int titleCentredX(size_t length)
{
    return static_cast<int>(SCREEN_W / 2 - length * GLYPH_W / 2);
}
