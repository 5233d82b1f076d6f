#include "tests/support/fixture.h"
#include "tests/support/process.h"

#include <filesystem>

namespace fs = std::filesystem;

TEST(Program, QuietlyEndsWithZeroWhenABitmapIsMissing)
{
    const char* all[] = {"board.bmp", "pieces.bmp", "c18font.bmp"};
    for (const char* missing : all) {
        const std::string dir = process::freshDirectory(std::string("missing-") + missing);
        for (const char* file : all) {
            if (file != missing) {
                process::copyArt(dir, {file});
            }
        }
        const process::Result run = process::runGame(dir, "");
        EXPECT_EQ(run.exitCode, 0) << missing;
        EXPECT_EQ(run.output, "") << missing;
        EXPECT_FALSE(fs::exists(fs::path(dir) / "hiscores.dat")) << missing;
    }
}

TEST(Program, ReportsWhySdlCouldNotStart)
{
    const std::string dir = process::freshDirectory("no-sdl");
    process::copyArt(dir, {"board.bmp", "pieces.bmp", "c18font.bmp"});
    const process::Result run = process::runGame(dir, "SDL_VIDEODRIVER=no-such-driver");
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_EQ(run.output.rfind("Could not initialize SDL: ", 0), 0u) << run.output;
    EXPECT_NE(run.output.find("no-such-driver"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.substr(run.output.size() - 2), ".\n");
    EXPECT_FALSE(fs::exists(fs::path(dir) / "hiscores.dat"));
}
