// The test program's main, which runs every test in a scratch folder holding
// a link to the game's gfx/, and the GameTest fixture.
#include "tests/support/fixture.h"

#include "scores/highscores.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

static const std::string CELL_LETTERS = "0123WF6.";  // each code's letter, at its code

std::string boardOf(const std::vector<std::string>& rows)
{
    std::string text;
    for (uint32_t y = 0; y < BOARD_H; ++y) {
        const std::string row = y < rows.size() ? rows[y] : "";
        text += row + std::string(BOARD_W - row.size(), '.') + "\n";
    }
    return text;
}

void GameTest::SetUp()
{
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    harness::reset();  // after the last test, before anything it left can be called
    game = new Game;
    ASSERT_TRUE(game->initVideo());
    game->resetBoard();
    srand(12345);
}

void GameTest::TearDown()
{
    HighscoreTable::shutdown();
    std::remove(HIGHSCORE_FILE);
    delete game;
    SDL_Quit();
}

void GameTest::setBoard(const std::vector<std::string>& rows)
{
    const std::string text = boardOf(rows);
    for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
        game->board[n] = static_cast<uint32_t>(CELL_LETTERS.find(text[n + n / BOARD_W]));
    }
    game->countEmptyCells();
}

std::string GameTest::boardText() const
{
    std::string text;
    for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
        text += (game->board[n] <= CELL_EMPTY ? CELL_LETTERS[game->board[n]] : '?') +
                std::string(n % BOARD_W == BOARD_W - 1, '\n');
    }
    return text;
}

// Golden pictures were made by the game and looked at by a person; they are
// kept in tests/golden/. TESSALORIUM_GOLDEN=write makes them afresh, and a
// picture that differs is left in the build folder to compare.
::testing::AssertionResult GameTest::looksLike(const std::string& name, SDL_Rect area)
{
    SDL_Surface* shot = SDL_CreateRGBSurface(0, area.w, area.h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_BlitSurface(game->screen, &area, shot, nullptr);
    const std::string golden = TESSALORIUM_SOURCE_DIR "/tests/golden/" + name + ".bmp",
                      actual = TESSALORIUM_BUILD_DIR "/" + name + ".bmp";
    SDL_SaveBMP(shot, actual.c_str());
    SDL_FreeSurface(shot);
    if (getenv("TESSALORIUM_GOLDEN") != nullptr) {
        writeFile(golden, readFile(actual));
    }
    if (readFile(actual) != readFile(golden)) {
        return ::testing::AssertionFailure() << "the screen is not " << golden << " but " << actual;
    }
    std::remove(actual.c_str());
    return ::testing::AssertionSuccess();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    char scratch[] = "/tmp/tessalorium-test-XXXXXX";
    if (mkdtemp(scratch) == nullptr) {
        return 1;
    }
    fs::create_directory_symlink(TESSALORIUM_SOURCE_DIR "/gfx", fs::path(scratch) / "gfx");
    fs::current_path(scratch);
    const int result = RUN_ALL_TESTS();
    fs::remove_all(scratch);
    return result;
}

// Damaged bitmaps make SDL ask for absurd amounts of memory, which it copes
// with when malloc fails; in a sanitizer build malloc should fail, not stop.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1";
}
