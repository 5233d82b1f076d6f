// Turning mouse events into moves, button presses and the end of the game.
#include "play/play_loop.h"

#include "game/pause.h"
#include "render/colors.h"
#include "render/layout.h"
#include "scores/highscores.h"

#include <cstdio>
#include <cstring>

namespace {

// The game-over screen, drawn over the final board.
constexpr const char* GAME_OVER_TEXT = "Game Over";
constexpr const char* TURN_BONUS_TEXT = "Turn Bonus";
constexpr int GAME_OVER_Y = 70;
constexpr int TURN_BONUS_Y = 90;
constexpr int BONUS_Y = 110;
constexpr Uint32 GAME_OVER_MS = 5000;

void drawCentred(Game& game, const char* text, int y, const SDL_Color* color)
{
    game.drawText(text, centredX(strlen(text)), y, color);
}

// Shows the final screen, and enters a ranking score in the table and saves
// it before anything else, with an empty name: a process killed or a
// display gone during the pause or the name entry must not lose a game. The
// name, once typed, replaces the empty one. Returns the state to go to.
ScreenState finishGame(Game& game)
{
    drawCentred(game, GAME_OVER_TEXT, GAME_OVER_Y, &COLOR_MAGENTA);
    drawCentred(game, TURN_BONUS_TEXT, TURN_BONUS_Y, &COLOR_GREEN);
    char bonus[16];
    snprintf(bonus, sizeof bonus, "%u", game.turns);
    drawCentred(game, bonus, BONUS_Y, &COLOR_BLUE);
    SDL_Flip(game.screen);

    HighscoreTable* table = HighscoreTable::instance();
    const HighscoreEntry entry = {"", game.score + game.turns};
    const uint32_t rank = table != nullptr ? table->rank(entry.score) : TABLE_SIZE;
    if (rank < TABLE_SIZE) {
        table->insert(entry, rank);
        table->save();
    }
    bool closing = pauseAnsweringDesktop(GAME_OVER_MS);
    if (rank < TABLE_SIZE && !closing) {
        const std::string name = enterName(game, closing);
        if (!name.empty()) {
            table->rename(entry, name);
            table->save();
        }
    }
    // The event that ends the game is taken and not handled, unless it
    // asks to close.
    SDL_Event event;
    if (!closing && SDL_WaitEvent(&event) == 1) {
        closing = asksToClose(event);
    }
    return closing ? STATE_QUIT : STATE_GAME_ENDED;
}

void onMotion(Game& game, const SDL_MouseMotionEvent& motion, bool dragging, CellPos source)
{
    if (dragging) {
        const CellPos target = cellAt(motion.x, motion.y);
        if (onBoard(source) && onBoard(target)) {
            const bool allowed = game.canMove(source.x, source.y, target.x, target.y);
            game.drawBoard();
            game.drawCellTile(target.x, target.y, allowed ? TILE_CURSOR_OK : TILE_CURSOR_BAD);
        }
    }
    game.drawNewGameLabel(overNewGame(motion.x, motion.y) ? &COLOR_WHITE : &COLOR_YELLOW);
    SDL_Flip(game.screen);
    if (game.undoAvailable && game.turns > 0) {
        game.drawUndoLabel(overUndo(motion.x, motion.y) ? &COLOR_WHITE : &COLOR_YELLOW);
        SDL_Flip(game.screen);
    }
}

}  // namespace

CellPos cellAt(Uint16 x, Uint16 y)
{
    // Unsigned on purpose: left of or above the board wraps to a huge value,
    // which lands far off the board.
    const uint32_t dx = x - BOARD_X;
    const uint32_t dy = y - BOARD_Y;
    return CellPos{static_cast<uint32_t>(static_cast<double>(dx) / BOARD_SPAN_W * BOARD_W),
                   static_cast<uint32_t>(static_cast<double>(dy) / BOARD_SPAN_H * BOARD_H)};
}

ScreenState playLoop(Game& game, ScreenState state)
{
    bool dragging = false;
    // Until a button goes down in this loop, a release (such as the one of
    // the click that left the title screen) must not move anything.
    CellPos source = {BOARD_W, BOARD_H};
    SDL_Event event;

    // Whatever ends the loop returns at once; the next event stays queued
    // for whoever reads next.
    while (SDL_WaitEvent(&event) != 0) {
        switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
            // A wheel step in passing must not pick up a piece, nor (on its
            // release) throw the game away or end the program.
            if (!isWheel(event.button)) {
                source = cellAt(event.button.x, event.button.y);
                dragging = true;
            }
            break;
        case SDL_MOUSEMOTION:
            onMotion(game, event.motion, dragging, source);
            break;
        case SDL_MOUSEBUTTONUP: {
            if (isWheel(event.button)) {
                break;
            }
            dragging = false;
            game.drawBoard();
            const CellPos target = cellAt(event.button.x, event.button.y);
            if (onBoard(source) && onBoard(target)) {
                if (game.emptyCount != 0 && game.tryMove(source.x, source.y, target.x, target.y)) {
                    game.clearGroups();
                    game.spawnPieces();
                    game.clearGroups();
                    game.advanceLevel();
                }
            } else if (overCloseBox(event.button.x, event.button.y)) {
                return STATE_QUIT;
            } else if (overNewGame(event.button.x, event.button.y)) {
                return STATE_NEW_GAME;
            } else if (game.undoAvailable && overUndo(event.button.x, event.button.y)) {
                game.undoMove();
            }
            break;
        }
        case SDL_QUIT:
            return STATE_QUIT;
        default:
            break;
        }

        if (game.emptyCount == 0) {
            return finishGame(game);
        }
    }
    return state;
}
