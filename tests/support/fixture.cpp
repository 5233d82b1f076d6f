// The test program's main, which runs every test in a scratch folder holding
// a link to the game's gfx/, and the GameTest fixture.
#include "tests/support/fixture.h"

#include "scores/highscores.h"

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
    return bpp == 1   ? *p
           : bpp == 2 ? *reinterpret_cast<const Uint16*>(p)
                      : *reinterpret_cast<const Uint32*>(p);
}

}  // namespace

uint32_t pixel(SDL_Surface* surface, int x, int y)
{
    if (x < 0 || y < 0 || x >= surface->w || y >= surface->h) {
        return 0x070707;
    }
    Uint8 r, g, b;
    SDL_GetRGB(raw(surface, x, y), surface->format, &r, &g, &b);
    return r << 16 | g << 8 | b;
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
    ASSERT_TRUE(game->initVideo());
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
        text += (game->board[n] <= CELL_EMPTY ? CELL_LETTERS[game->board[n]] : '?') +
                std::string(n % BOARD_W == BOARD_W - 1, '\n');
    }
    return text;
}

bool GameTest::cellShows(uint32_t column, uint32_t row, uint32_t tile, bool marked)
{
    bool same = true;
    for (int d = 0; d < int(TILE_W * TILE_H); ++d) {
        const int dx = d % TILE_W, dy = d / TILE_W, markerX = TILE_MARKER * TILE_W + dx;
        const bool ink = marked && raw(game->piecesImage, markerX, dy) != game->markerKey;
        same &=
            pixel(game->screen, cellX(column) - TILE_W / 2 + dx, cellY(row) - TILE_H / 2 + dy) ==
            pixel(game->piecesImage, ink ? markerX : int(tile * TILE_W) + dx, dy);
    }
    return same;
}

std::string GameTest::textAt(int x, int y, size_t length, uint32_t face)
{
    // The font sheet's rows, each dropped a pixel less below the pen.
    const std::string rows[] = {"!\"#$%&'()*+,-./0123456789:;<=>?@", "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                                "abcdefghijklmnopqrstuvwxyz"};
    std::string text;
    for (int pen = x; pen < x + int(length * GLYPH_W); pen += GLYPH_W) {
        int inFace = 0;
        for (int d = 0; d < int(GLYPH_W * (GLYPH_H + 2)); ++d) {
            inFace += pixel(game->screen, pen + d % GLYPH_W, y + d / GLYPH_W) == face;
        }
        char found = inFace == 0 ? ' ' : '?';
        for (int row = 0; row < 3 && found == '?'; ++row) {
            for (size_t c = 0; c < rows[row].size() && found == '?'; ++c) {
                int ink = 0, inked = 0;
                for (int d = 0; d < int(GLYPH_W * GLYPH_H); ++d) {
                    const int dx = d % GLYPH_W, dy = d / GLYPH_W;
                    if (raw(game->fontImage, int(c * GLYPH_W) + dx, row * GLYPH_H + dy) == 1) {
                        ++ink;
                        inked += pixel(game->screen, pen + dx, y + 2 - row + dy) == face;
                    }
                }
                found = ink == inFace && inked == ink ? rows[row][c] : '?';
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
    fs::current_path("/");
    fs::remove_all(scratch);
    return result;
}
