// The test program's main, which runs every test in a scratch folder holding
// a link to the game's gfx/, and the GameTest fixture.
#include "tests/support/fixture.h"

#include "scores/highscores.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

const std::string CELL_LETTERS = "0123WF6.";  // each code's letter, at its code

Uint32 raw(SDL_Surface* surface, int x, int y)
{
    const int bpp = surface->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * bpp;
    return bpp == 1 ? *p : bpp == 2 ? *reinterpret_cast<const Uint16*>(p)
                                    : *reinterpret_cast<const Uint32*>(p);
}

}  // namespace

Rgb pixel(SDL_Surface* surface, int x, int y)
{
    if (x < 0 || y < 0 || x >= surface->w || y >= surface->h) {
        return Rgb{7, 7, 7};  // off the surface: no colour of the game's
    }
    Rgb out{};
    SDL_GetRGB(raw(surface, x, y), surface->format, &out.r, &out.g, &out.b);
    return out;
}

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
    HighscoreTable::shutdown();
    std::remove(HIGHSCORE_FILE);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    game = new Game;
    ASSERT_TRUE(game->initVideo()) << SDL_GetError();
    game->resetBoard();
    srand(12345);
    harness::reset();
}

void GameTest::TearDown()
{
    harness::reset();
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
        text += game->board[n] <= CELL_EMPTY ? CELL_LETTERS[game->board[n]] : '?';
        text += n % BOARD_W == BOARD_W - 1 ? "\n" : "";
    }
    return text;
}

bool GameTest::cellShows(uint32_t column, uint32_t row, uint32_t tile, bool marked)
{
    const int markerX = static_cast<int>(TILE_MARKER * TILE_W);
    for (int dy = 0; dy < static_cast<int>(TILE_H); ++dy) {
        for (int dx = 0; dx < static_cast<int>(TILE_W); ++dx) {
            const bool ink = marked && raw(game->piecesImage, markerX + dx, dy) != game->markerKey;
            const int sheetX = ink ? markerX + dx : static_cast<int>(tile * TILE_W) + dx;
            if (pixel(game->screen, cellX(column) - TILE_W / 2 + dx, cellY(row) - TILE_H / 2 + dy) !=
                pixel(game->piecesImage, sheetX, dy)) {
                return false;
            }
        }
    }
    return true;
}

std::string GameTest::textAt(int x, int y, size_t length, Rgb face)
{
    // The font sheet's rows: '!' to '@', capitals, lower case, each dropped
    // a little less below the pen.
    const std::string rows[] = {"!\"#$%&'()*+,-./0123456789:;<=>?@", "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                                "abcdefghijklmnopqrstuvwxyz"};
    const int glyphW = GLYPH_W;
    const int glyphH = GLYPH_H;
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        const int pen = x + static_cast<int>(i) * glyphW;
        int inFace = 0;
        for (int sy = y; sy < y + glyphH + 2; ++sy) {
            for (int sx = pen; sx < pen + glyphW; ++sx) {
                inFace += pixel(game->screen, sx, sy) == face;
            }
        }
        char found = inFace == 0 ? ' ' : '?';
        for (int row = 0; row < 3 && found == '?'; ++row) {
            for (size_t c = 0; c < rows[row].size() && found == '?'; ++c) {
                int ink = 0;
                bool all = true;
                for (int dy = 0; dy < glyphH && all; ++dy) {
                    for (int dx = 0; dx < glyphW && all; ++dx) {
                        if (raw(game->fontImage, static_cast<int>(c) * glyphW + dx,
                                row * glyphH + dy) == 1) {
                            ++ink;
                            all = pixel(game->screen, pen + dx, y + 2 - row + dy) == face;
                        }
                    }
                }
                found = all && ink == inFace ? rows[row][c] : '?';
            }
        }
        text += found;
    }
    return text;
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

std::string sourceDirectory()
{
    return TESSALORIUM_SOURCE_DIR;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    char scratch[] = "/tmp/tessalorium-test-XXXXXX";
    if (mkdtemp(scratch) == nullptr) {
        return 1;
    }
    fs::create_directory_symlink(fs::path(sourceDirectory()) / "gfx", fs::path(scratch) / "gfx");
    fs::current_path(scratch);
    const int result = RUN_ALL_TESTS();
    fs::current_path("/");
    fs::remove_all(scratch);
    return result;
}
