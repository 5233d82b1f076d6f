// The name entry screen, driven by key events as a player would type.
#include "render/colors.h"
#include "scores/highscores.h"
#include "tests/soak/event_storm.h"
#include "tests/support/fixture.h"

#include <cctype>
#include <string>
#include <vector>

namespace {

constexpr int TEXT_X = 21;
const std::string BLANK(NAME_MAX_LEN, ' ');

char typed(int sym, int mod = KMOD_NONE)
{
    return keyToChar(SDL_keysym{0, static_cast<SDLKey>(sym), static_cast<SDLMod>(mod), 0});
}

}  // namespace

TEST(KeyToChar, ExactlyTheMappedKeysType)
{
    const std::string others = "0123456789 !\"#$&'()*+-,./:;<>?@";
    for (int sym = 0; sym < SDLK_LAST; ++sym) {
        const bool letter = sym >= SDLK_a && sym <= SDLK_z;
        const bool other =
            sym > 0 && sym < 128 && others.find(static_cast<char>(sym)) != others.npos;
        const char upper = letter ? static_cast<char>(std::toupper(sym)) : 0;
        EXPECT_EQ(typed(sym), letter || other ? sym : 0) << sym;
        for (int mod : {+KMOD_LSHIFT, +KMOD_RSHIFT, +KMOD_CAPS, KMOD_LSHIFT | KMOD_CAPS}) {
            EXPECT_EQ(typed(sym, mod), letter ? upper : typed(sym)) << sym << " mod " << mod;
        }
        EXPECT_EQ(typed(sym, KMOD_CTRL | KMOD_ALT | KMOD_NUM), typed(sym)) << sym;
    }
}

using NameEntryTest = GameTest;

TEST_F(NameEntryTest, TypesEditsAndRedrawsOnlyOnChange)
{
    struct Script {
        const char* what;
        std::vector<SDL_Event> events;
        std::string name;
        std::vector<std::string> fields;  // the field after each redraw
    };
    const auto key = [](int sym, int mod = KMOD_NONE) {
        return storm::key(SDL_KEYDOWN, static_cast<SDLKey>(sym), static_cast<SDLMod>(mod));
    };
    const SDL_Event back = key(SDLK_BACKSPACE);
    const SDL_Event enter = key(SDLK_RETURN);
    const std::vector<Script> scripts = {
        {"Return at once", {enter, key('x')}, "", {}},
        {"Escape keeps the name", {key('o'), key('k'), key(SDLK_ESCAPE)}, "ok", {"o", "ok"}},
        {"input runs out", {key('q')}, "q", {"q"}},
        {"eight letters keep six, then room for one",
         {key('a'), key('b'), key('c'), key('d'), key('e'), key('f'), key('g'), key('h'), back,
          key('z', KMOD_RSHIFT), key(' '), enter},
         "abcdeZ",
         {"a", "ab", "abc", "abcd", "abcde", "abcdef", "abcde", "abcdeZ"}},
        {"erasing everything leaves it blank", {back, key('q'), back, back, enter}, "", {"q", ""}},
        {"keys without a character",
         {key('1', KMOD_LSHIFT), key('%'), key('='), key(SDLK_KP1), key(SDLK_KP_ENTER),
          key(SDLK_UP), key(SDLK_TAB), key(SDLK_DELETE), key(SDLK_F5), key(SDLK_LSHIFT), key(' '),
          key('?', KMOD_LSHIFT), enter},
         "1 ?",
         {"1", "1 ", "1 ?"}},
        {"mouse, quit and key releases ignored",
         {storm::quit(), storm::button(SDL_MOUSEBUTTONDOWN, 50, 50), storm::motion(60, 60),
          storm::key(SDL_KEYUP, SDLK_x), key('m', KMOD_CAPS), storm::quit(), enter},
         "M",
         {"M"}},
    };
    for (const Script& script : scripts) {
        std::vector<std::string> frames;
        harness::reset();
        harness::onFlip([&](SDL_Surface*) {
            frames.push_back(screen::textAt(*game, TEXT_X, 110, NAME_MAX_LEN, COLOR_WHITE));
        });
        for (const SDL_Event& event : script.events) {
            harness::push(event);
        }
        EXPECT_EQ(enterName(*game), script.name) << script.what;

        // drawBoard presents the bare board, then the three lines go on top.
        std::vector<std::string> expected = {BLANK, std::string(NAME_MAX_LEN, '.')};
        for (const std::string& field : script.fields) {
            expected.push_back(BLANK);
            expected.push_back((field + BLANK).substr(0, NAME_MAX_LEN));
        }
        EXPECT_EQ(frames, expected) << script.what;
        EXPECT_EQ(screen::textAt(*game, TEXT_X, 70, 15, COLOR_BLUE), "Enter your name");
        EXPECT_EQ(screen::textAt(*game, TEXT_X, 150, 15, COLOR_GREEN), "And press ENTER");
    }
}
