#include "app/sdl_hints.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const HINTS[] = {"SDL_RENDER_DRIVER", "SDL_FRAMEBUFFER_ACCELERATION"};

// Restores the process environment the other tests run with.
class SdlHints : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : HINTS) {
            const char* value = getenv(name);
            saved_.push_back(value != nullptr ? std::string(value) : std::string());
            hadValue_.push_back(value != nullptr);
            unsetenv(name);
        }
    }
    void TearDown() override
    {
        for (size_t i = 0; i < saved_.size(); ++i) {
            if (hadValue_[i]) {
                setenv(HINTS[i], saved_[i].c_str(), 1);
            } else {
                unsetenv(HINTS[i]);
            }
        }
    }

private:
    std::vector<std::string> saved_;
    std::vector<bool> hadValue_;
};

std::string valueOf(const char* name)
{
    const char* value = SDL_getenv(name);
    return value != nullptr ? value : "(unset)";
}

}  // namespace

TEST_F(SdlHints, UnsetHintsGetTheLightSoftwarePath)
{
    applySdlHints();
    EXPECT_EQ(valueOf("SDL_RENDER_DRIVER"), "software");
    EXPECT_EQ(valueOf("SDL_FRAMEBUFFER_ACCELERATION"), "0");
    // A second start-up in the same process changes nothing.
    applySdlHints();
    EXPECT_EQ(valueOf("SDL_RENDER_DRIVER"), "software");
}

TEST_F(SdlHints, ThePlayersOwnChoiceStands)
{
    setenv("SDL_RENDER_DRIVER", "opengl", 1);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "", 1);  // set, even if empty
    applySdlHints();
    EXPECT_EQ(valueOf("SDL_RENDER_DRIVER"), "opengl");
    EXPECT_EQ(valueOf("SDL_FRAMEBUFFER_ACCELERATION"), "");
}

TEST_F(SdlHints, EachHintIsDecidedOnItsOwn)
{
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "1", 1);
    applySdlHints();
    EXPECT_EQ(valueOf("SDL_RENDER_DRIVER"), "software");
    EXPECT_EQ(valueOf("SDL_FRAMEBUFFER_ACCELERATION"), "1");
}
