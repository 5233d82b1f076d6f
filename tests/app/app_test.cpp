// Start-up: the bitmaps, what the game makes of them, and the SDL hints.
#include "app/program.h"
#include "app/sdl_hints.h"
#include "scores/highscores.h"
#include "tests/support/fixture.h"

#include <sys/wait.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// A bitmap of SDL's own making: 8 bits with `colors` palette entries
// (pixels alternating 0 and 1), or 24 bits for 0.
std::string bitmap(int w, int h, int colors)
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

}  // namespace

class App : public ::testing::Test {
protected:
    // Starts a Game as the program does, in a folder of the game's own art
    // with `file` holding `bytes` instead (none for "").
    bool start(const std::string& file = "", const std::string& bytes = "")
    {
        TearDown();
        fs::create_directories("art/gfx");
        for (const char* name : {"board.bmp", "pieces.bmp", "c18font.bmp"}) {
            fs::copy(std::string(TESSALORIUM_SOURCE_DIR "/gfx/") + name,
                     std::string("art/gfx/") + name);
        }
        if (!file.empty()) {
            writeFile("art/gfx/" + file, bytes);
        }
        fs::current_path("art");
        SDL_Init(SDL_INIT_VIDEO);
        game = new Game;
        return game->initVideo();
    }
    void TearDown() override
    {
        delete game;
        game = nullptr;
        SDL_Quit();
        fs::current_path(home);
        fs::remove_all("art");
    }
    const fs::path home = fs::current_path();
    Game* game = nullptr;
};

TEST_F(App, ABitmapThatCannotServeItsLayoutEndsTheGameQuietly)
{
    const std::tuple<std::string, int, int, bool> sheets[] = {{"board.bmp", 206, 274, false},
                                                              {"pieces.bmp", 176, 16, true},
                                                              {"c18font.bmp", 352, 54, true}};
    for (const auto& [file, w, h, palettised] : sheets) {
        const std::string real = readFile(TESSALORIUM_SOURCE_DIR "/gfx/" + file);
        const std::string broken[] = {"",
                                      "not a bitmap",
                                      real.substr(0, 54),
                                      real.substr(0, real.size() / 2),
                                      bitmap(w - 1, h, 256),
                                      bitmap(w, h - 1, 256),
                                      palettised ? bitmap(w, h, 0) : "BM" + std::string(200, 'x'),
                                      file == "c18font.bmp" ? bitmap(w, h, 1) : ""};  // one colour
        for (const std::string& bytes : broken) {
            EXPECT_FALSE(start(file, bytes)) << file << " of " << bytes.size() << " bytes";
        }
        EXPECT_TRUE(start(file, bitmap(w + 5, h, palettised ? 2 : 0))) << file << " that fits";
    }
    start();
    fs::remove("gfx/pieces.bmp");
    delete game;
    game = nullptr;
    SDL_Quit();
    testing::internal::CaptureStdout();
    EXPECT_EQ(runProgram(), 0) << "a missing bitmap ends the program quietly";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(fs::exists(HIGHSCORE_FILE));
    if (fork() == 0) {  // SDL that failed to start stays broken: try it in another process
        setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
        testing::internal::CaptureStdout();
        const int code = runProgram();
        _exit(code == -1 && testing::internal::GetCapturedStdout().rfind("Could not ", 0) == 0 ? 0
                                                                                               : 1);
    }
    int status = 1;
    wait(&status);
    EXPECT_EQ(status, 0) << "a video that cannot start is reported, with -1";
}

TEST_F(App, SheetsAreFittedToTheScreenOnlyWhereEveryPixelStaysTheSame)
{
    ASSERT_TRUE(start());
    EXPECT_EQ(game->boardImage->format->BitsPerPixel, game->screen->format->BitsPerPixel);
    EXPECT_EQ(game->piecesImage->format->BitsPerPixel, game->screen->format->BitsPerPixel);
    EXPECT_EQ(game->piecesImage->flags & SDL_SRCCOLORKEY, 0u) << "no key outside marker blits";
    EXPECT_EQ(game->fontImage->format->palette->ncolors, 2) << "the font keeps background and ink";
    EXPECT_NE(game->fontImage->flags & SDL_SRCCOLORKEY, 0u);

    // A drawn marker pixel in the see-through colour, and a font pixel that
    // is neither background nor ink: fitting would change the picture.
    SDL_Surface* pieces = SDL_LoadBMP("gfx/pieces.bmp");
    SDL_SetColors(pieces, &pieces->format->palette->colors[MARKER_KEY_INDEX], 3, 1);
    static_cast<Uint8*>(pieces->pixels)[7 * pieces->pitch + TILE_MARKER * TILE_W + 7] = 3;
    SDL_SaveBMP(pieces, "pieces.bmp");
    SDL_FreeSurface(pieces);
    SDL_Surface* font = SDL_LoadBMP("gfx/c18font.bmp");
    static_cast<Uint8*>(font->pixels)[0] = 5;
    SDL_SaveBMP(font, "c18font.bmp");
    SDL_FreeSurface(font);
    const std::string changedPieces = readFile("pieces.bmp"), changedFont = readFile("c18font.bmp");
    ASSERT_TRUE(start("pieces.bmp", changedPieces));
    EXPECT_EQ(game->markerKey, MARKER_KEY_INDEX);
    ASSERT_TRUE(start("c18font.bmp", changedFont));
    EXPECT_EQ(game->fontImage->format->palette->ncolors, 256);
}

TEST(SdlHints, EachUnsetHintGetsTheSoftwarePathAndThePlayersChoiceStands)
{
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {nullptr, nullptr, "software 0"}, {"opengl", "", "opengl "}, {nullptr, "1", "software 1"}};
    for (const auto& [render, acceleration, after] : cases) {
        render ? setenv("SDL_RENDER_DRIVER", render, 1) : unsetenv("SDL_RENDER_DRIVER");
        acceleration ? setenv("SDL_FRAMEBUFFER_ACCELERATION", acceleration, 1)
                     : unsetenv("SDL_FRAMEBUFFER_ACCELERATION");
        applySdlHints();
        applySdlHints();
        EXPECT_EQ(std::string(SDL_getenv("SDL_RENDER_DRIVER")) + " " +
                      SDL_getenv("SDL_FRAMEBUFFER_ACCELERATION"),
                  after);
    }
    unsetenv("SDL_RENDER_DRIVER");
    unsetenv("SDL_FRAMEBUFFER_ACCELERATION");
}
