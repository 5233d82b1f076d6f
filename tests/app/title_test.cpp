#include "app/title.h"

#include "render/colors.h"
#include "scores/highscores.h"
#include "tests/soak/event_storm.h"
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
    // The cells whose picture changed since `before`, apart from text drawn
    // over them.
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

TEST_F(TitleTest, EachFrameDropsOneTileOnACellAfterItsPause)
{
    setBoard({"0123WF6", "", "", "", "", "", "", "", "", ".........F"});
    const std::string board = boardText();
    game->drawBoard();
    before = screen::shoot(game->screen);
    harness::reset();
    std::vector<uint32_t> shownAt;
    harness::onFlip([&](SDL_Surface*) { shownAt.push_back(harness::now()); });

    srand(3);
    game->showAttract(1000);

    std::vector<uint32_t> expected;
    for (uint32_t ms = 50; ms <= 1000; ms += 50) {
        expected.push_back(ms);
    }
    EXPECT_EQ(shownAt, expected) << "each frame shown after its 50 ms pause";
    const auto cells = changedCells();
    EXPECT_GE(cells.size(), 10u);
    EXPECT_LE(cells.size(), 20u);
    for (const auto& [column, row] : cells) {
        bool tile = false;
        for (uint32_t t = 0; t <= CELL_EMPTY; ++t) {
            tile |= showsTile(column, row, t);
        }
        EXPECT_TRUE(tile) << column << "," << row;
    }
    EXPECT_EQ(boardText(), board) << "only the picture changes";
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
    harness::pushButtonDown(5, 5, SDL_BUTTON_RIGHT);
    titleScreen(*game);
    EXPECT_EQ(harness::flips(), 1u + 2u) << "one redraw, one attract pass of two frames";
    harness::pushQuit();
    titleScreen(*game);

    harness::reset();
    harness::pushMotion(10, 10);
    harness::push(storm::key(SDL_KEYUP, SDLK_a));
    harness::pushButtonUp(20, 20);
    harness::pushKey(SDLK_SPACE);
    harness::pushKey(SDLK_b);
    titleScreen(*game);
    EXPECT_EQ(harness::now(), 400u) << "one event looked at every 100 ms";
    SDL_Event rest;
    EXPECT_EQ(SDL_PollEvent(&rest), 1);
    EXPECT_EQ(rest.key.keysym.sym, SDLK_b);
}
