// Levels: the score that leaves each level, and the banner of a new one.
#include "game/game.h"
#include "game/pause.h"
#include "render/colors.h"
#include "render/layout.h"

#include <cstdio>
#include <cstring>

namespace {

struct LevelRow {
    uint32_t level;
    uint32_t threshold;  // the score at which this level is left
};

constexpr LevelRow LEVEL_TABLE[] = {
    {0, 0}, {1, 500}, {2, 1500}, {3, 2000}, {4, 3000}, {5, 5000}, {6, 10000},
};
constexpr uint32_t LEVEL_ROWS = sizeof LEVEL_TABLE / sizeof LEVEL_TABLE[0];

constexpr const char* BANNER_TITLE = "Welcome to";
constexpr int BANNER_TITLE_Y = 110;
constexpr int BANNER_LEVEL_Y = 130;
constexpr Uint32 BANNER_MS = 3000;

}  // namespace

void Game::advanceLevel()
{
    // The table ends with the threshold out of level 6: level 7 is the last.
    if (level >= LEVEL_ROWS || score < LEVEL_TABLE[level].threshold) {
        return;
    }
    ++level;

    char text[32];
    snprintf(text, sizeof text, "Level %1u", level);
    drawText(BANNER_TITLE, centredX(strlen(BANNER_TITLE)), BANNER_TITLE_Y, &COLOR_GREEN);
    drawText(text, centredX(strlen(text)), BANNER_LEVEL_Y, &COLOR_BLUE);
    SDL_Flip(screen);
    // A close asked for meanwhile is left for the play loop to end the game.
    pauseAnsweringDesktop(BANNER_MS);
    drawBoard();
}
