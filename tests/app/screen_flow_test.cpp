// The whole program in this process: start-up, title, play and shut-down,
// driven by a script of events.
#include "app/program.h"

#include "scores/highscores.h"
#include "tests/support/fixture.h"

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

SDL_Event mouse(Uint8 type, int x, int y)
{
    SDL_Event event = {};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
        event.motion.x = static_cast<Uint16>(x);
        event.motion.y = static_cast<Uint16>(y);
    } else {
        event.button.button = SDL_BUTTON_LEFT;
        event.button.x = static_cast<Uint16>(x);
        event.button.y = static_cast<Uint16>(y);
    }
    return event;
}

SDL_Event quit()
{
    SDL_Event event = {};
    event.type = SDL_QUIT;
    return event;
}

SDL_Event key(SDLKey sym)
{
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = sym;
    return event;
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
};

}  // namespace

TEST_F(ScreenFlow, AQuitRequestOnTheTitleStartsAGameInstead)
{
    script = {quit(), mouse(SDL_MOUSEBUTTONDOWN, 200, 5), mouse(SDL_MOUSEBUTTONUP, 200, 5),
              mouse(SDL_MOUSEMOTION, 100, 100)};
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(next, script.size()) << "the close box of the game ended the program";
    EXPECT_FALSE(std::filesystem::exists(HIGHSCORE_FILE)) << "nothing ranked, nothing written";
}

TEST_F(ScreenFlow, NewGameButtonStartsAnotherGame)
{
    script = {key(SDLK_SPACE),
              mouse(SDL_MOUSEBUTTONUP, 100, 100),  // the release of the title click
              mouse(SDL_MOUSEBUTTONDOWN, 140, 245),
              mouse(SDL_MOUSEBUTTONUP, 140, 245),
              mouse(SDL_MOUSEMOTION, 100, 100),  // taken when the loop ends
              quit(),
              mouse(SDL_MOUSEMOTION, 100, 100)};
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(next, script.size());
}

TEST_F(ScreenFlow, StartsAndEndsTwiceInOneProcess)
{
    for (int run = 0; run < 2; ++run) {
        script = {key(SDLK_a), quit(), mouse(SDL_MOUSEMOTION, 1, 1)};
        next = 0;
        EXPECT_EQ(runProgram(), 0);
        EXPECT_EQ(next, script.size());
    }
}
