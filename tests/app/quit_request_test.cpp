// Quit requests where the game ignores or defers them on purpose (the
// game-over pause, the name entry, the title): a score ranked before the
// request must be in the file whatever follows.
#include "app/program.h"
#include "render/colors.h"
#include "scores/highscores.h"
#include "tests/scores/score_dir.h"
#include "tests/soak/event_storm.h"
#include "tests/support/fixture.h"

#include <sys/wait.h>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr unsigned SEED = 5;
// Where the game-over screen puts "Game Over".
constexpr int GAME_OVER_X = (SCREEN_W - 9 * GLYPH_W) / 2;
constexpr int GAME_OVER_Y = 70;

// Plays legal moves until the game is over, then follows `after`; a quit
// request is queued the moment the game-over screen is shown, so that it
// waits through the pause. Records what the file held at each step of
// `after`.
class QuitScript {
public:
    explicit QuitScript(std::vector<SDL_Event> after) : after(after.begin(), after.end()) {}

    void install()
    {
        harness::reset();
        harness::presentFrames(false);
        harness::setEventSource([this](SDL_Event& event) { return next(event); });
        harness::onFlip([this](SDL_Surface*) {
            // A full board alone is not the end: a group may still go.
            Game* game = const_cast<Game*>(runningGame());
            if (game != nullptr && game->emptyCount == 0 && !quitQueued &&
                screen::textAt(*game, GAME_OVER_X, GAME_OVER_Y, 9, COLOR_MAGENTA) == "Game Over") {
                quitQueued = true;
                finalScore = game->score + game->turns;
                harness::pushQuit();
            }
        });
    }

    bool next(SDL_Event& event)
    {
        const Game* game = runningGame();
        if (!seeded) {
            srand(SEED);
            seeded = true;
        }
        if (queue.empty() && game->emptyCount != 0 && !quitQueued) {
            const std::vector<storm::Move> moves = storm::legalMoves(*game);
            if (moves.empty()) {
                // Stuck with empty cells: NEW GAME, and play that one.
                queue.push_back(storm::button(SDL_MOUSEBUTTONDOWN, 140, 245));
                queue.push_back(storm::button(SDL_MOUSEBUTTONUP, 140, 245));
                queue.push_back(storm::motion(1, 1));
            } else {
                storm::pushDrag(queue, moves[static_cast<size_t>(rand()) % moves.size()]);
            }
        }
        if (queue.empty() && quitQueued) {
            fileSeen.push_back(fs::exists(HIGHSCORE_FILE) ? readFile(HIGHSCORE_FILE) : "");
            freshGameSeen.push_back(game->turns == 0 && game->emptyCount != 0);
            if (after.empty()) {
                return false;
            }
            queue.push_back(after.front());
            after.pop_front();
        }
        event = queue.front();
        queue.pop_front();
        return true;
    }

    std::deque<SDL_Event> after;
    std::deque<SDL_Event> queue;
    bool seeded = false;
    bool quitQueued = false;
    uint32_t finalScore = 0;
    std::vector<std::string> fileSeen;
    std::vector<bool> freshGameSeen;
};

SDL_Event keyDown(SDLKey sym, SDLMod mod = KMOD_NONE)
{
    return storm::key(SDL_KEYDOWN, sym, mod);
}

}  // namespace

using QuitRequest = ScoreDirTest;

TEST_F(QuitRequest, AScoreRankedBeforeAQuitIsKeptThroughPauseNameEntryAndTitle)
{
    fs::create_directory_symlink(fs::path(sourceDirectory()) / "gfx", "gfx");
    QuitScript script({
        keyDown(SDLK_q, KMOD_LSHIFT),  // 0: the name entry, after the pause's quit
        storm::quit(),                 // 1: ignored by the name entry
        keyDown(SDLK_z),               // 2
        keyDown(SDLK_RETURN),          // 3: the name is in, and saved
        storm::quit(),                 // 4: taken by the play loop's last wait
        storm::quit(),                 // 5: leaves the title for a new game
        storm::motion(1, 1),           // 6: a new game is running
        storm::button(SDL_MOUSEBUTTONDOWN, 198, 8),
        storm::button(SDL_MOUSEBUTTONUP, 198, 8),
        storm::motion(1, 1),
    });
    script.install();
    // The press of the first drag leaves the title screen.
    ASSERT_EQ(runProgram(), 0);
    harness::reset();

    ASSERT_TRUE(script.quitQueued) << "the game never ended";
    ASSERT_GT(script.finalScore, 0u);
    const std::string saved = fileFor(
        {{"Qz", script.finalScore}, {"Nobody", 0}, {"Nobody", 0}, {"Nobody", 0}, {"Nobody", 0}});
    ASSERT_GE(script.fileSeen.size(), 7u);
    // Before Return the score is not in the file: the name is not known yet.
    EXPECT_EQ(script.fileSeen[3], "");
    // From Return on it is, through the quit requests that follow.
    for (size_t step = 4; step < script.fileSeen.size(); ++step) {
        EXPECT_EQ(script.fileSeen[step], saved) << "step " << step;
    }
    // The quit on the title started a new game rather than ending the run.
    EXPECT_FALSE(script.freshGameSeen[5]);
    EXPECT_TRUE(script.freshGameSeen[6]);
    EXPECT_EQ(readFile(HIGHSCORE_FILE), saved);
}

// Ctrl+C in the terminal: SDL turns SIGINT into a quit request. The real
// program, driven by a script, gets it in the middle of the name entry and
// again on the title; the score is saved all the same.
TEST_F(QuitRequest, AnInterruptDuringTheNameEntryLosesNothing)
{
    fs::create_directory_symlink(fs::path(sourceDirectory()) / "gfx", "gfx");
    writeFile("interrupt.script",
              "seed 5\nkey space\nplay\ntype Ki\ninterrupt\ntype m\nkey return\ninterrupt\n"
              "moves 2\nend\n");
    const std::string command = std::string("SDL_VIDEODRIVER=dummy '") +
                                TESSALORIUM_SCRIPTED_BINARY + "' interrupt.script 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string file = readFile(HIGHSCORE_FILE);
    EXPECT_EQ(file.substr(0, file.find('\n', 2) + 1), "5\nKim\n") << file;
}
