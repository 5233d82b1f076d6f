// The title screen: random tiles rain onto the board while the title and the
// high score list stay readable on top.
#include "app/program.h"

#include "render/colors.h"
#include "render/layout.h"
#include "scores/highscores.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* TITLE_TEXT = "< Tessalorium >";
constexpr const char* HEADING_TEXT = "Highscores:";
constexpr uint32_t HEADING_LINE = 2;  // lines of GLYPH_H below the title
constexpr uint32_t FIRST_ROW_LINE = 3;

constexpr Uint32 ATTRACT_PASS_MS = 100;  // attract time between two looks at the input
constexpr Uint32 ATTRACT_FRAME_MS = 50;
constexpr uint32_t LAST_ATTRACT_TILE = CELL_EMPTY;  // pieces and the empty cell

const HighscoreEntry* shownRows()
{
    static const HighscoreEntry defaults[TABLE_SIZE];
    const HighscoreTable* table = HighscoreTable::instance();
    return table != nullptr ? table->rows : defaults;
}

}  // namespace

void Game::showAttract(uint32_t duration)
{
    const Uint32 start = SDL_GetTicks();
    while (SDL_GetTicks() - start < duration) {
        const uint32_t tile = randomInRange(0, LAST_ATTRACT_TILE);
        const uint32_t column = randomInRange(0, BOARD_W - 1);
        const uint32_t row = randomInRange(0, BOARD_H - 1);
        SDL_Rect source = {static_cast<Sint16>(tile * TILE_W), 0, static_cast<Uint16>(TILE_W),
                           static_cast<Uint16>(TILE_H)};
        SDL_Rect dest = {static_cast<Sint16>(BOARD_X + column * TILE_W),
                         static_cast<Sint16>(BOARD_Y + row * TILE_H), 0, 0};
        SDL_BlitSurface(piecesImage, &source, screen, &dest);

        drawText(TITLE_TEXT, titleCentredX(strlen(TITLE_TEXT)), BOARD_Y, &COLOR_MAGENTA);
        drawText(HEADING_TEXT, titleCentredX(strlen(HEADING_TEXT)),
                 BOARD_Y + HEADING_LINE * GLYPH_H, &COLOR_BLUE);
        const HighscoreEntry* rows = shownRows();
        for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
            char line[32];  // any 32-bit score and a six-character name
            snprintf(line, sizeof line, "%5u %6s", rows[i].score, rows[i].name.c_str());
            drawText(line, titleCentredX(strlen(line)), BOARD_Y + (FIRST_ROW_LINE + i) * GLYPH_H,
                     &COLOR_GREEN);
        }
        // The pause comes before the frame is shown, not after.
        SDL_Delay(ATTRACT_FRAME_MS);
        SDL_Flip(screen);
    }
}

ScreenState titleScreen(Game& game)
{
    game.drawBoard();
    for (;;) {
        game.showAttract(ATTRACT_PASS_MS);
        // Everything that came in meanwhile is read, the rest dropped: one
        // event a pass would leave a close behind a second of mouse motion,
        // or lose it when the queue overflows. A wheel step is no click.
        SDL_Event event;
        while (SDL_PollEvent(&event) == 1) {
            if (asksToClose(event)) {
                return STATE_QUIT;
            }
            if (event.type == SDL_KEYDOWN || isPress(event)) {
                return STATE_NEW_GAME;
            }
        }
    }
}
