// Bitmaps that are damaged or cannot serve their layout: the real game,
// run headless, must end at once and quietly, as with a missing file.
#include "tests/support/fixture.h"
#include "tests/support/process.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A game that starts for real waits for input forever under the dummy
// driver; this is how long the control case is given to show it.
constexpr int RUNNING_GAME_SECONDS = 2;
// What the shell reports for a game that `timeout -s KILL` had to end.
constexpr int KILLED_BY_TIMEOUT = 128 + 9;

void putLe(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// An uncompressed bottom-up BMP: 8 bits with a palette of `colors` entries,
// or 24 bits (colors 0). Pixels alternate between index 0 and 1 where the
// palette has both.
std::string bitmap(int width, int height, int bits, int colors)
{
    const uint32_t stride = ((width * bits + 31) / 32) * 4;
    const uint32_t offset = 14 + 40 + 4 * colors;
    std::string out = "BM";
    putLe(out, offset + stride * height, 4);
    putLe(out, 0, 4);
    putLe(out, offset, 4);
    putLe(out, 40, 4);
    putLe(out, width, 4);
    putLe(out, height, 4);
    putLe(out, 1, 2);
    putLe(out, bits, 2);
    putLe(out, 0, 4);
    putLe(out, stride * height, 4);
    putLe(out, 2835, 4);
    putLe(out, 2835, 4);
    putLe(out, colors, 4);
    putLe(out, 0, 4);
    for (int i = 0; i < colors; ++i) {
        putLe(out, i == 0 ? 0 : 0xFFFFFF, 4);
    }
    for (int y = 0; y < height; ++y) {
        std::string row(stride, '\0');
        for (uint32_t x = 0; colors != 1 && x < stride; x += 2) {
            row[x] = '\1';
        }
        out += row;
    }
    return out;
}

std::string realArt(const std::string& file)
{
    std::ifstream in(fs::path(sourceDirectory()) / "gfx" / file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct BrokenArt {
    std::string file;
    std::string what;
    std::string bytes;
};

std::vector<BrokenArt> brokenCases()
{
    std::vector<BrokenArt> cases;
    const struct {
        const char* file;
        int width, height;
        bool needsPalette;
    } sheets[] = {{"board.bmp", 206, 274, false},
                  {"pieces.bmp", 176, 16, true},
                  {"c18font.bmp", 352, 54, true}};
    for (const auto& sheet : sheets) {
        const std::string real = realArt(sheet.file);
        const auto add = [&](const std::string& what, const std::string& bytes) {
            cases.push_back({sheet.file, what, bytes});
        };
        add("empty", "");
        add("headers only", real.substr(0, 54));
        add("cut in half", real.substr(0, real.size() / 2));
        add("one byte short", real.substr(0, real.size() - 1));
        add("text", "this is not a bitmap\n");
        add("a PNG signature", std::string("\x89PNG\r\n\x1a\n", 8) + real.substr(8));
        add("BM and garbage", "BM" + std::string(200, '\x7f'));
        add("one pixel too narrow", bitmap(sheet.width - 1, sheet.height, 8, 256));
        add("one pixel too low", bitmap(sheet.width, sheet.height - 1, 8, 256));
        add("a single pixel", bitmap(1, 1, 8, 256));
        if (sheet.needsPalette) {
            add("24 bits, no palette", bitmap(sheet.width, sheet.height, 24, 0));
        }
    }
    // Ink goes to palette entry 1: with only entry 0 every text is invisible.
    cases.push_back({"c18font.bmp", "a one-colour palette", bitmap(352, 54, 8, 1)});
    return cases;
}

std::string gameFolder(const std::string& name)
{
    const std::string dir = process::freshDirectory(name);
    process::copyArt(dir, {"board.bmp", "pieces.bmp", "c18font.bmp"});
    return dir;
}

void replaceArt(const std::string& dir, const std::string& file, const std::string& bytes)
{
    std::ofstream(fs::path(dir) / "gfx" / file, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace

TEST(BrokenArt, EveryDamagedOrUnfitBitmapEndsTheGameQuietly)
{
    int index = 0;
    for (const BrokenArt& broken : brokenCases()) {
        const std::string dir = gameFolder("broken-art-" + std::to_string(index++));
        replaceArt(dir, broken.file, broken.bytes);
        const process::Result run = process::runGame(dir, "");
        EXPECT_EQ(run.exitCode, 0) << broken.file << ": " << broken.what;
        EXPECT_EQ(run.output, "") << broken.file << ": " << broken.what;
        EXPECT_FALSE(fs::exists(fs::path(dir) / "hiscores.dat"))
            << broken.file << ": " << broken.what;
    }
}

// The control: sheets that are different from ours but fit their layout
// start the game, which then keeps waiting for input until it is killed.
TEST(BrokenArt, SheetsThatFitTheirLayoutStartTheGame)
{
    const struct {
        const char* file;
        std::string bytes;
    } fitting[] = {
        {"board.bmp", bitmap(206, 274, 24, 0)},  // the background needs no palette
        {"pieces.bmp", bitmap(200, 20, 8, 16)},
        {"c18font.bmp", bitmap(352, 54, 8, 2)},
    };
    for (const auto& sheet : fitting) {
        const std::string dir = gameFolder(std::string("fitting-") + sheet.file);
        replaceArt(dir, sheet.file, sheet.bytes);
        const process::Result run = process::runGame(dir, "", RUNNING_GAME_SECONDS);
        EXPECT_EQ(run.exitCode, KILLED_BY_TIMEOUT) << sheet.file << ": the game did not start";
    }
}
