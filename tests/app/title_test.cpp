// The title screen, and the whole program's screen flow.
#include "app/program.h"
#include "scores/highscores.h"
#include "tests/support/fixture.h"

#include <filesystem>

using Title = GameTest;

TEST_F(Title, FramesDropTilesOnTheBoardPictureUnderCentredTexts)
{
    writeFile(HIGHSCORE_FILE, "5\nAnn\n123456\n\n900\nBo b\n50\nNobody\n0\nx\n7\n");
    setBoard({"0123WF6"});
    game->drawBoard();
    game->showAttract(5000);
    EXPECT_EQ(boardText(), boardOf({"0123WF6"})) << "only the picture changes";
    EXPECT_TRUE(looksLike("title")) << "tiles of every sort under the centred texts";
}

// The whole program several times in one process, as nothing of a run may
// linger. The title reads all input every 100 ms, however much came; a key
// or a button leaves it for a game, a quit request or a press in the close
// box ends the program from there as from a game; the wheel does nothing.
TEST(ScreenFlow, TheTitleLeadsToANewGameAndNewGameToAnother)
{
    const auto down = [](int x, int y) { return harness::mouse(SDL_MOUSEBUTTONDOWN, x, y); };
    const auto up = [](int x, int y) { return harness::mouse(SDL_MOUSEBUTTONUP, x, y); };
    const auto move = harness::mouse(SDL_MOUSEMOTION, 100, 100);
    const auto wheel = [](int x, int y, Uint8 type) {
        return harness::mouse(type, x, y, SDL_BUTTON_WHEELUP);
    };
    std::vector<SDL_Event> flood(300, move);  // more than SDL's queue holds
    flood.push_back(harness::QUIT);
    // The input; when the title was left for a game (0: never); how many
    // events fresh games took, after the title and after NEW GAME.
    const std::tuple<std::vector<SDL_Event>, uint32_t, size_t> runs[] = {
        {{move, harness::QUIT}, 0, 0},
        {{down(198, 6)}, 0, 0},
        {{down(5, 5), up(5, 5), down(200, 5), up(200, 5)}, 100, 3},
        {{move, harness::key(SDLK_a, KMOD_NONE, SDL_KEYUP), up(20, 20), harness::key(SDLK_SPACE),
          up(100, 100), down(140, 245), up(140, 245), harness::QUIT},
         100,
         4},
        {flood, 0, 0},
        {{wheel(198, 6, SDL_MOUSEBUTTONDOWN), wheel(198, 6, SDL_MOUSEBUTTONUP),
          wheel(50, 50, SDL_MOUSEBUTTONDOWN), harness::key(SDLK_SPACE), harness::QUIT},
         100,
         1},
    };
    for (const auto& [run, started, games] : runs) {
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
        EXPECT_EQ(runProgram(), 0);
        EXPECT_EQ(next, run.size()) << "every event taken, the last one ending the program";
        EXPECT_EQ(freshGames.empty() ? 0 : freshGames[0], started) << "when the title was left";
        EXPECT_EQ(freshGames.size(), games) << "a fresh game after NEW GAME too";
        EXPECT_TRUE(started != 0 || harness::now == 100) << "the program ends within one pass";
        EXPECT_FALSE(std::filesystem::exists(HIGHSCORE_FILE)) << "nothing ranked, nothing written";
    }
    harness::reset();
}
