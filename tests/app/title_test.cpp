#include "app/title.h"

#include "render/colors.h"
#include "scores/highscores.h"
#include "tests/support/fixture.h"

#include <fstream>

namespace {

bool isTextPixel(const screen::Rgb& pixel)
{
    return pixel == screen::rgb(COLOR_MAGENTA) || pixel == screen::rgb(COLOR_BLUE) ||
           pixel == screen::rgb(COLOR_GREEN) || pixel == screen::rgb(COLOR_OUTLINE);
}

}  // namespace

class TitleTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        game->drawBoard();
        before = screen::shoot(game->screen);
        harness::reset();
    }

    // The cells whose picture changed, apart from text drawn over them;
    // requires that each changed cell shows `tile` wherever text left it.
    std::vector<std::pair<uint32_t, uint32_t>> changedCells()
    {
        const screen::Shot now = screen::shoot(game->screen);
        std::vector<std::pair<uint32_t, uint32_t>> cells;
        for (uint32_t row = 0; row < BOARD_H; ++row) {
            for (uint32_t column = 0; column < BOARD_W; ++column) {
                bool changed = false;
                for (uint32_t dy = 0; dy < TILE_H; ++dy) {
                    for (uint32_t dx = 0; dx < TILE_W; ++dx) {
                        const int x = static_cast<int>(BOARD_X + column * TILE_W + dx);
                        const int y = static_cast<int>(BOARD_Y + row * TILE_H + dy);
                        changed |= !isTextPixel(now.at(x, y)) && now.at(x, y) != before.at(x, y);
                    }
                }
                if (changed) {
                    cells.emplace_back(column, row);
                }
            }
        }
        return cells;
    }

    // The cell shows the tile wherever no text covers it.
    bool showsTile(uint32_t column, uint32_t row, uint32_t tile)
    {
        int seen = 0;
        for (uint32_t dy = 0; dy < TILE_H; ++dy) {
            for (uint32_t dx = 0; dx < TILE_W; ++dx) {
                const int x = static_cast<int>(BOARD_X + column * TILE_W + dx);
                const int y = static_cast<int>(BOARD_Y + row * TILE_H + dy);
                const screen::Rgb pixel = screen::pixel(game->screen, x, y);
                if (isTextPixel(pixel)) {
                    continue;
                }
                ++seen;
                if (pixel != screen::pixel(game->piecesImage, static_cast<int>(tile * TILE_W + dx),
                                           static_cast<int>(dy))) {
                    return false;
                }
            }
        }
        return seen > 0;
    }

    screen::Shot before;
};

TEST_F(TitleTest, ZeroDurationDrawsNothing)
{
    srand(5);
    const int next = rand();
    srand(5);
    game->showAttract(0);
    EXPECT_EQ(screen::shoot(game->screen), before);
    EXPECT_EQ(harness::flips(), 0u);
    EXPECT_EQ(rand(), next);
}

TEST_F(TitleTest, EachFrameDropsOneTileOnACellAfterItsPause)
{
    unsigned seed = 1;
    uint32_t tile = 0, column = 0, row = 0;
    // Find a seed whose tile differs from the empty cell, so that it shows.
    for (;; ++seed) {
        srand(seed);
        tile = static_cast<uint32_t>(rand()) % 8;
        column = static_cast<uint32_t>(rand()) % 10;
        row = static_cast<uint32_t>(rand()) % 10;
        if (tile != CELL_EMPTY) {
            break;
        }
    }
    const int next = [&] {
        srand(seed);
        rand(), rand(), rand();
        return rand();
    }();
    srand(seed);
    harness::onFlip([](SDL_Surface*) { EXPECT_EQ(harness::now(), 50u) << "pause, then show"; });

    game->showAttract(50);

    EXPECT_EQ(harness::flips(), 1u);
    EXPECT_EQ(rand(), next) << "three numbers per frame: tile, column, row";
    EXPECT_EQ(changedCells(), (std::vector<std::pair<uint32_t, uint32_t>>{{column, row}}));
    EXPECT_TRUE(showsTile(column, row, tile));
    EXPECT_EQ(game->getCell(column, row), CELL_EMPTY) << "only the picture changes";
}

TEST_F(TitleTest, TilesPileUpFrameAfterFrame)
{
    srand(3);
    game->showAttract(1000);
    EXPECT_EQ(harness::flips(), 20u);
    const auto cells = changedCells();
    EXPECT_GE(cells.size(), 10u);
    EXPECT_LE(cells.size(), 20u);
}

TEST_F(TitleTest, TitleHeadingAndRowsAreCentredOverTheBoard)
{
    std::ofstream(HIGHSCORE_FILE) << "5\nAnn\n123456\n\n900\nBo b\n50\nNobody\n0\nx\n7\n";
    HighscoreTable::shutdown();
    game->showAttract(50);
    EXPECT_EQ(screen::textAt(*game, 21, 57, 15, COLOR_MAGENTA), "< Tessalorium >");
    EXPECT_EQ(screen::textAt(*game, 43, 93, 11, COLOR_BLUE), "Highscores:");
    EXPECT_EQ(screen::textAt(*game, 32, 111, 13, COLOR_GREEN), "123456    Ann");
    EXPECT_EQ(screen::textAt(*game, 37, 129, 12, COLOR_GREEN), "  900       ");
    EXPECT_EQ(screen::textAt(*game, 37, 147, 12, COLOR_GREEN), "   50   Bo b");
    EXPECT_EQ(screen::textAt(*game, 37, 165, 12, COLOR_GREEN), "    0 Nobody");
    EXPECT_EQ(screen::textAt(*game, 37, 183, 12, COLOR_GREEN), "    7      x");
}

TEST_F(TitleTest, OnlyAKeyAButtonOrAQuitRequestLeavesIt)
{
    const Uint8 buttons[] = {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_WHEELDOWN};
    for (Uint8 button : buttons) {
        harness::pushButtonDown(5, 5, button);
        titleScreen(*game);
        EXPECT_EQ(harness::flips(), 1u + 2u) << "one redraw, one attract pass of two frames";
        harness::reset();
    }
    harness::pushQuit();
    titleScreen(*game);

    harness::reset();
    harness::pushMotion(10, 10);
    harness::pushKeyUp(SDLK_a);
    harness::pushButtonUp(20, 20);
    harness::pushKey(SDLK_SPACE);
    harness::pushKey(SDLK_b);
    titleScreen(*game);
    EXPECT_EQ(harness::now(), 400u) << "one event looked at every 100 ms";
    SDL_Event rest;
    EXPECT_EQ(SDL_PollEvent(&rest), 1);
    EXPECT_EQ(rest.key.keysym.sym, SDLK_b);
}

TEST_F(TitleTest, TheBoardOfTheLastGameStaysUntouched)
{
    setBoard({"0123456...", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", ".........F"});
    game->score = 321;
    const std::string board = boardText();
    harness::pushKey(SDLK_RETURN);
    titleScreen(*game);
    EXPECT_EQ(boardText(), board);
    EXPECT_EQ(game->score, 321u);
}
