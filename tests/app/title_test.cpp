// The title screen, and the whole program's screen flow.
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
    harness::onFlip = [] {
        EXPECT_EQ(harness::now, 50 * harness::flips) << "a frame after its pause";
    };
    harness::flips = 0;
    game->showAttract(5000);
    EXPECT_EQ(harness::flips, 100u) << "a frame every 50 ms";
    EXPECT_EQ(boardText(), boardOf({"0123WF6"})) << "only the picture changes";
    EXPECT_TRUE(looksLike("title")) << "tiles of every sort under the centred texts";
}

// The whole program three times in one process, as nothing of a run may
// linger. The title looks at the input every 100 ms, and only a key, a
// button or a quit request (which starts a game all the same) leave it.
TEST(ScreenFlow, TheTitleLeadsToANewGameAndNewGameToAnother)
{
    const auto down = [](int x, int y) { return harness::mouse(SDL_MOUSEBUTTONDOWN, x, y); };
    const auto up = [](int x, int y) { return harness::mouse(SDL_MOUSEBUTTONUP, x, y); };
    const auto move = harness::mouse(SDL_MOUSEMOTION, 100, 100);
    const std::tuple<std::vector<SDL_Event>, uint32_t> runs[] = {
        {{harness::QUIT, down(200, 5), up(200, 5), move}, 100},
        {{down(5, 5), up(5, 5), down(200, 5), up(200, 5), move}, 100},
        {{move, harness::key(SDLK_a, KMOD_NONE, SDL_KEYUP), up(20, 20), harness::key(SDLK_SPACE),
          up(100, 100), down(140, 245), up(140, 245), move, harness::QUIT, move},
         400},
    };
    for (const auto& [run, started] : runs) {
        size_t next = 0;
        std::vector<uint32_t> freshGames;  // when the events found a new game: 8 pieces, an undo
        harness::reset();
        harness::nextEvent = [&, run = run](SDL_Event& event) {
            const Game* game = runningGame();
            if (game->emptyCount == 92 && game->undoAvailable && game->turns == 0) {
                freshGames.push_back(harness::now);
            }
            event = run[std::min(next++, run.size() - 1)];
            return next <= run.size();
        };
        unsetenv("SDL_RENDER_DRIVER");
        EXPECT_EQ(runProgram(), 0);
        EXPECT_STREQ(SDL_getenv("SDL_RENDER_DRIVER"), "software") << "the program's SDL hints";
        EXPECT_EQ(next, run.size()) << "every event taken, the last one ending the program";
        EXPECT_EQ(freshGames.empty() ? 0 : freshGames[0], started) << "when the title was left";
        EXPECT_EQ(freshGames.size(), run.size() - started / 100)
            << "and a fresh game after NEW GAME";
        EXPECT_FALSE(std::filesystem::exists(HIGHSCORE_FILE)) << "nothing ranked, nothing written";
    }
    harness::reset();
}
