// The title screen, and the whole program's screen flow.
#include "app/title.h"
#include "app/program.h"
#include "scores/highscores.h"
#include "tests/support/fixture.h"

#include <filesystem>

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
    EXPECT_TRUE(looksLike("title")) << "tiles of every sort under the centred texts";
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
