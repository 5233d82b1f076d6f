// Runs every test in a scratch directory that holds a link to the game's
// gfx/, so the game finds its bitmaps and writes hiscores.dat where it hurts
// no one.
#include "tests/support/fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

static std::string scratch;

std::string testDirectory()
{
    return scratch;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    char pattern[] = "/tmp/tessalorium-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        perror("mkdtemp");
        return 1;
    }
    scratch = pattern;
    fs::create_directory_symlink(fs::path(sourceDirectory()) / "gfx", fs::path(scratch) / "gfx");
    fs::current_path(scratch);

    const int result = RUN_ALL_TESTS();

    fs::current_path("/");
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return result;
}
