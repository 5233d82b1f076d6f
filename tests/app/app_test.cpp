// Start-up (the bitmaps, a failure said in one line), the title screen and
// the whole program's screen flow.
#include "app/program.h"
#include "scores/highscores.h"
#include "tests/support/fixture.h"

#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;
using namespace std::string_literals;

// A bitmap of SDL's own making: 8 bits with `colors` palette entries
// (pixels alternating 0 and 1), or 24 bits for 0.
static std::string bitmap(int w, int h, int colors)
{
    SDL_Surface* s = SDL_CreateRGBSurface(0, w, h, colors ? 8 : 24, 0, 0, 0, 0);
    for (int i = 0; colors && i < s->pitch * h; ++i) {
        static_cast<Uint8*>(s->pixels)[i] = colors > 1 ? i % 2 : 0;
    }
    SDL_SaveBMP(s, "made.bmp");
    SDL_FreeSurface(s);
    std::string bytes = readFile("made.bmp");
    bytes[46] = static_cast<char>(colors % 256);  // the palette's length
    bytes[47] = static_cast<char>(colors / 256);
    return bytes;
}

// A bitmap that loads but cannot serve its layout counts as missing; the
// program names it in one line and ends with 1.
TEST(Start, ABitmapThatCannotServeItsLayoutEndsTheGameSayingWhich)
{
    const fs::path home = fs::current_path();
    fs::create_directory("art");
    fs::copy(TESSALORIUM_SOURCE_DIR "/gfx", "art/gfx");
    fs::current_path("art");
    // Starts a Game as the program does, in a folder of the game's own art
    // with `file` holding `bytes` instead.
    const auto starts = [&](const std::string& file, const std::string& bytes) {
        writeFile("gfx/" + file, bytes);
        SDL_Init(SDL_INIT_VIDEO);
        testing::internal::CaptureStderr();
        const bool started = Game().initVideo();
        const std::string said = testing::internal::GetCapturedStderr();
        SDL_Quit();
        const size_t line = said.find("tessalorium: cannot use the picture gfx/" + file + ": ");
        EXPECT_EQ(line != npos && said.find('\n', line) == said.size() - 1, !started) << said;
        writeFile("gfx/" + file, readFile(TESSALORIUM_SOURCE_DIR "/gfx/" + file));
        return started;
    };
    const std::tuple<std::string, int, int, bool> sheets[] = {{"board.bmp", 206, 274, false},
                                                              {"pieces.bmp", 176, 16, true},
                                                              {"c18font.bmp", 352, 54, true}};
    for (const auto& [file, w, h, palettised] : sheets) {
        const std::string real = readFile(TESSALORIUM_SOURCE_DIR "/gfx/" + file);
        // clang-format off
        const std::string broken[] = {"", "not a bitmap", real.substr(0, 54),
            real.substr(0, real.size() / 2), bitmap(w - 1, h, 256), bitmap(w, h - 1, 256),
            palettised ? bitmap(w, h, 0) : "BM" + real,
            file == "c18font.bmp" ? bitmap(w, h, 1) : ""};  // the last: ink without a colour
        // clang-format on
        for (const std::string& bytes : broken) {
            EXPECT_FALSE(starts(file, bytes)) << file << " of " << bytes.size() << " bytes";
        }
        EXPECT_TRUE(starts(file, bitmap(w + 5, h, palettised ? 2 : 0))) << file << " that fits";
    }
    fs::remove("gfx/pieces.bmp");
    testing::internal::CaptureStderr();
    EXPECT_EQ(runProgram(), 1) << "a missing bitmap ends the program";
    EXPECT_NE(testing::internal::GetCapturedStderr().find("gfx/pieces.bmp: Couldn't open"), npos);
    EXPECT_FALSE(fs::exists(HIGHSCORE_FILE));
    fs::current_path(home);
    fs::remove_all("art");
    // Every start-up failure is one line on standard error and status 1:
    // no display, a dead Wayland display (the launcher names the drivers
    // there), with no X display to fall back on. SDL that failed to start
    // stays broken: each try in a process of its own.
    for (const auto& [driver, said] :
         {std::pair{"", "no display to open the window on \\("},
          {"wayland", "could not initialize SDL \\(wayland not available\\)"},
          {"wayland,x11", "could not initialize SDL \\("}}) {
        const auto start = [&home, driver = driver] {
            setenv("SDL_VIDEODRIVER", driver, 1);
            unsetenv("DISPLAY");
            setenv("WAYLAND_DISPLAY", "no-such-compositor", 1);
            setenv("XDG_RUNTIME_DIR", home.c_str(), 1);  // no compositor's socket there
            dup2(STDERR_FILENO, STDOUT_FILENO);          // and nothing on standard output
            std::exit(runProgram());
        };
        EXPECT_EXIT(start(), testing::ExitedWithCode(1), "^tessalorium: "s + said + "[^\n]*\n$");
    }
}

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
        EXPECT_FALSE(fs::exists(HIGHSCORE_FILE)) << "nothing ranked, nothing written";
    }
    harness::reset();
}
