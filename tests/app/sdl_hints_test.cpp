#include "app/sdl_hints.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>

namespace {

const char* const RENDER = "SDL_RENDER_DRIVER";
const char* const ACCELERATION = "SDL_FRAMEBUFFER_ACCELERATION";

std::string valueOf(const char* name)
{
    const char* value = SDL_getenv(name);
    return value != nullptr ? value : "(unset)";
}

}  // namespace

// Each hint is set to the light software path unless the player has set it,
// even to nothing.
TEST(SdlHints, EachUnsetHintGetsTheSoftwarePathAndThePlayersChoiceStands)
{
    struct Case {
        const char* render;  // null: unset
        const char* acceleration;
        std::string renderAfter, accelerationAfter;
    };
    const Case cases[] = {
        {nullptr, nullptr, "software", "0"},
        {"opengl", "", "opengl", ""},
        {nullptr, "1", "software", "1"},
    };
    for (const Case& c : cases) {
        for (const auto& [name, value] :
             {std::pair{RENDER, c.render}, {ACCELERATION, c.acceleration}}) {
            value != nullptr ? setenv(name, value, 1) : unsetenv(name);
        }
        applySdlHints();
        applySdlHints();  // a second start-up in the same process changes nothing
        EXPECT_EQ(valueOf(RENDER), c.renderAfter);
        EXPECT_EQ(valueOf(ACCELERATION), c.accelerationAfter);
    }
    unsetenv(RENDER);
    unsetenv(ACCELERATION);
}
