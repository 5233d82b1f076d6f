// The whole program in this process: start-up, title, play and shut-down,
// driven by a script of events.
#include "app/program.h"

#include "scores/highscores.h"
#include "tests/soak/event_storm.h"
#include "tests/support/fixture.h"

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

using storm::button;
using storm::motion;
using storm::quit;

SDL_Event key(SDLKey sym)
{
    return storm::key(SDL_KEYDOWN, sym);
}

class ScreenFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::remove(HIGHSCORE_FILE);
        harness::reset();
        harness::setEventSource([this](SDL_Event& event) {
            if (next >= script.size()) {
                return false;
            }
            if (next == 1) {  // every script's second event finds a new game in play
                const Game* game = runningGame();
                freshGame = game != nullptr && game->undoAvailable && game->emptyCount == 92;
            }
            event = script[next++];
            return true;
        });
    }
    void TearDown() override
    {
        harness::reset();
        std::remove(HIGHSCORE_FILE);
    }

    std::vector<SDL_Event> script;
    size_t next = 0;
    bool freshGame = false;
};

}  // namespace

// Twice in one process, as nothing of a run may linger into the next.
TEST_F(ScreenFlow, QuitOnTheTitleStartsAGameAndNewGameAnother)
{
    const std::vector<std::vector<SDL_Event>> runs = {
        // A quit request leaves the title for a game, whose close box ends it.
        {quit(), button(SDL_MOUSEBUTTONDOWN, 200, 5), button(SDL_MOUSEBUTTONUP, 200, 5),
         motion(100, 100)},
        {key(SDLK_SPACE), button(SDL_MOUSEBUTTONUP, 100, 100),  // the release of the title click
         button(SDL_MOUSEBUTTONDOWN, 140, 245), button(SDL_MOUSEBUTTONUP, 140, 245),
         motion(100, 100),  // taken when the loop ends
         quit(), motion(100, 100)},
    };
    for (const auto& run : runs) {
        script = run;
        next = 0;
        freshGame = false;
        EXPECT_EQ(runProgram(), 0);
        EXPECT_TRUE(freshGame) << "a new game: two spawns of four, no clearing, one undo";
        EXPECT_EQ(next, script.size()) << "every event taken, the last one ending the program";
        EXPECT_FALSE(std::filesystem::exists(HIGHSCORE_FILE)) << "nothing ranked, nothing written";
    }
}
