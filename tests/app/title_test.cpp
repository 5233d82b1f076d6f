// The title screen, and the whole program's screen flow.
#include "app/title.h"
#include "app/program.h"
#include "scores/highscores.h"
#include "tests/support/fixture.h"

#include <filesystem>
#include <set>

using Title = GameTest;

TEST_F(Title, EachFrameDropsATileOnACellAfterItsPauseUnderCentredTexts)
{
    writeFile(HIGHSCORE_FILE, "5\nAnn\n123456\n\n900\nBo b\n50\nNobody\n0\nx\n7\n");
    setBoard({"0123WF6"});
    game->drawBoard();
    std::vector<uint32_t> shownAt, expected;
    harness::onFlip = [&] { shownAt.push_back(harness::now); };
    game->showAttract(5000);
    for (uint32_t ms = 50; ms <= 5000; ms += 50) {
        expected.push_back(ms);
    }
    EXPECT_EQ(shownAt, expected) << "each frame shown after its 50 ms pause";
    EXPECT_EQ(boardText(), boardOf({"0123WF6"})) << "only the picture changes";
    // Below the texts, every cell of the last row shows the lower half of a tile.
    const auto lowerHalfOf = [this](uint32_t x) {
        for (int tile = 0; tile <= int(CELL_EMPTY); ++tile) {
            bool same = true;
            for (int d = 128; d < 256; ++d) {
                same &= pixel(game->screen, cellX(x) - 8 + d % 16, cellY(9) - 8 + d / 16) ==
                        pixel(game->piecesImage, tile * 16 + d % 16, d / 16);
            }
            if (same) {
                return tile;
            }
        }
        return -1;
    };
    std::set<int> tiles;
    for (uint32_t x = 0; x < BOARD_W; ++x) {
        tiles.insert(lowerHalfOf(x));
    }
    EXPECT_EQ(tiles.count(-1), 0u);
    EXPECT_GE(tiles.size(), 4u);
    EXPECT_EQ(textAt(21, 57, 15, MAGENTA), "< Tessalorium >");
    EXPECT_EQ(textAt(43, 93, 11, BLUE), "Highscores:");
    EXPECT_EQ(textAt(32, 111, 13, GREEN), "123456    Ann");
    EXPECT_EQ(textAt(37, 129, 12, GREEN) + textAt(37, 147, 12, GREEN) + textAt(37, 165, 12, GREEN) +
                  textAt(37, 183, 12, GREEN),
              "  900          50   Bo b    0 Nobody    7      x");
}

TEST_F(Title, OnlyAKeyAButtonOrAQuitLeavesItLookingEvery100Ms)
{
    harness::push({harness::mouse(SDL_MOUSEMOTION, 10, 10),
                   harness::key(SDLK_a, KMOD_NONE, SDL_KEYUP),
                   harness::mouse(SDL_MOUSEBUTTONUP, 20, 20), harness::key(SDLK_SPACE)});
    titleScreen(*game);
    EXPECT_EQ(harness::now, 400u);
    EXPECT_EQ(harness::flips, 1u + 8u) << "the board, then two frames a look";
    for (SDL_Event event : {harness::quit(), harness::mouse(SDL_MOUSEBUTTONDOWN, 5, 5)}) {
        harness::reset();
        harness::push({event});
        titleScreen(*game);
        EXPECT_EQ(harness::now, 100u);
    }
}

// The whole program twice in one process, as nothing of a run may linger.
TEST(ScreenFlow, AQuitOnTheTitleStartsAGameAndNewGameAnother)
{
    const auto down = [](int x, int y) { return harness::mouse(SDL_MOUSEBUTTONDOWN, x, y); };
    const auto up = [](int x, int y) { return harness::mouse(SDL_MOUSEBUTTONUP, x, y); };
    const auto move = harness::mouse(SDL_MOUSEMOTION, 100, 100);
    const std::vector<std::vector<SDL_Event>> runs = {
        {harness::quit(), down(200, 5), up(200, 5), move},
        {harness::key(SDLK_SPACE), up(100, 100), down(140, 245), up(140, 245), move,
         harness::quit(), move},
    };
    for (const auto& run : runs) {
        size_t next = 0;
        unsigned freshGames = 0;
        harness::reset();
        harness::nextEvent = [&](SDL_Event& event) {
            // Every event after the first finds a new game: eight pieces, an undo.
            const Game* game = runningGame();
            freshGames +=
                next > 0 && game->emptyCount == 92 && game->undoAvailable && game->turns == 0;
            event = run[std::min(next++, run.size() - 1)];
            return next <= run.size();
        };
        unsetenv("SDL_RENDER_DRIVER");
        EXPECT_EQ(runProgram(), 0);
        EXPECT_STREQ(SDL_getenv("SDL_RENDER_DRIVER"), "software") << "the program's SDL hints";
        EXPECT_EQ(freshGames, run.size() - 1);
        EXPECT_EQ(next, run.size()) << "every event taken, the last one ending the program";
        EXPECT_FALSE(std::filesystem::exists(HIGHSCORE_FILE)) << "nothing ranked, nothing written";
    }
    harness::reset();
}
