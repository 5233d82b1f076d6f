// The name entry screen, driven by key events as a player would type.
#include "render/colors.h"
#include "scores/highscores.h"
#include "tests/support/fixture.h"

#include <cctype>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

constexpr int TEXT_X = 21;
constexpr int FIELD_Y = 110;

SDLMod mods(int bits)
{
    return static_cast<SDLMod>(bits);
}

char typed(int sym, int mod = KMOD_NONE)
{
    SDL_keysym key{};
    key.sym = static_cast<SDLKey>(sym);
    key.mod = mods(mod);
    return keyToChar(key);
}

}  // namespace

class NameEntryTest : public GameTest {
protected:
    // What the name field shows on every presented frame.
    std::vector<std::string> fieldFrames;

    void SetUp() override
    {
        GameTest::SetUp();
        harness::onFlip([this](SDL_Surface*) {
            fieldFrames.push_back(
                screen::textAt(*game, TEXT_X, FIELD_Y, NAME_MAX_LEN, COLOR_WHITE));
        });
    }

    void type(const std::string& keys, int mod = KMOD_NONE)
    {
        for (char c : keys) {
            harness::pushKey(static_cast<SDLKey>(c), mods(mod));
        }
    }
};

TEST(KeyToChar, LettersAreCapitalWithEitherShiftOrCapsLock)
{
    const std::vector<std::pair<int, bool>> modifiers = {
        {KMOD_NONE, false},
        {KMOD_LSHIFT, true},
        {KMOD_RSHIFT, true},
        {KMOD_CAPS, true},
        {KMOD_LSHIFT | KMOD_CAPS, true},
        {KMOD_LCTRL | KMOD_LALT | KMOD_NUM, false},
    };
    for (const auto& [mod, capital] : modifiers) {
        for (int sym = SDLK_a; sym <= SDLK_z; ++sym) {
            const char letter = static_cast<char>('a' + (sym - SDLK_a));
            EXPECT_EQ(typed(sym, mod), capital ? letter - 'a' + 'A' : letter)
                << "sym " << sym << " mod " << mod;
        }
    }
}

TEST(KeyToChar, ExactlyTheMappedKeysTypeAndModifiersLeaveThemAlone)
{
    const std::string others = "0123456789 !\"#$&'()*+-,./@:;<>?";
    std::string typedPlain;
    for (int sym = 0; sym < SDLK_LAST; ++sym) {
        const char c = typed(sym);
        if (c != 0 && (sym < SDLK_a || sym > SDLK_z)) {
            EXPECT_EQ(c, sym) << "a key types the character of its own code";
            EXPECT_EQ(typed(sym, KMOD_LSHIFT | KMOD_CAPS), c) << "sym " << sym;
            typedPlain += c;
        }
    }
    EXPECT_EQ(typedPlain.size(), others.size());
    for (char c : others) {
        EXPECT_NE(typedPlain.find(c), std::string::npos) << c;
    }
    EXPECT_EQ(typed(SDLK_1, KMOD_LSHIFT), '1');
    for (int sym : std::initializer_list<int>{'%',
                                              '=',
                                              '[',
                                              '\\',
                                              ']',
                                              '^',
                                              '_',
                                              '`',
                                              '{',
                                              '~',
                                              int(SDLK_TAB),
                                              int(SDLK_DELETE),
                                              int(SDLK_KP1),
                                              int(SDLK_KP_PERIOD),
                                              int(SDLK_KP_MINUS),
                                              int(SDLK_UP),
                                              int(SDLK_LEFT),
                                              int(SDLK_F1),
                                              int(SDLK_WORLD_0),
                                              0}) {
        EXPECT_EQ(typed(sym), 0) << "sym " << sym;
    }
}

TEST_F(NameEntryTest, LettersTypeWithTheirModifiers)
{
    const std::vector<std::pair<int, std::string>> cases = {
        {KMOD_NONE, "abcdef"}, {KMOD_RSHIFT, "GHIJKL"},
        {KMOD_CAPS, "MNOPQR"}, {KMOD_LSHIFT | KMOD_CAPS, "STUVWX"},
        {KMOD_LSHIFT, "YZ"},
    };
    for (const auto& [mod, expected] : cases) {
        std::string lower;
        for (char c : expected) {
            lower += static_cast<char>(std::tolower(c));
        }
        type(lower, mod);
        harness::pushKey(SDLK_RETURN);
        EXPECT_EQ(enterName(*game), expected);
    }
}

TEST_F(NameEntryTest, ShowsTheFieldAsItChangesAndOnlyWhenItChanges)
{
    type("abcdefgh");  // the 7th and 8th do not fit
    harness::pushKey(SDLK_BACKSPACE);
    harness::pushKey(SDLK_z, KMOD_LSHIFT);
    harness::pushKey(SDLK_SPACE);  // full again
    harness::pushKey(SDLK_RETURN);
    EXPECT_EQ(enterName(*game), "abcdeZ");

    // drawBoard presents the bare board, then the lines go on top.
    const std::vector<std::string> expected = {
        "      ", "......", "      ", "a     ", "      ", "ab    ", "      ", "abc   ", "      ",
        "abcd  ", "      ", "abcde ", "      ", "abcdef", "      ", "abcde ", "      ", "abcdeZ",
    };
    EXPECT_EQ(fieldFrames, expected);
    EXPECT_EQ(screen::textAt(*game, TEXT_X, 70, 15, COLOR_BLUE), "Enter your name");
    EXPECT_EQ(screen::textAt(*game, TEXT_X, 150, 15, COLOR_GREEN), "And press ENTER");
}

TEST_F(NameEntryTest, ErasingEverythingLeavesTheFieldBlank)
{
    harness::pushKey(SDLK_BACKSPACE);  // nothing to erase: no frame
    type("q");
    harness::pushKey(SDLK_BACKSPACE);
    harness::pushKey(SDLK_BACKSPACE);
    harness::pushKey(SDLK_RETURN);
    EXPECT_EQ(enterName(*game), "");
    EXPECT_EQ(fieldFrames, (std::vector<std::string>{"      ", "......", "      ", "q     ",
                                                     "      ", "      "}));
}

TEST_F(NameEntryTest, KeysWithoutACharacterChangeNothing)
{
    harness::pushKey(SDLK_1, KMOD_LSHIFT);
    for (SDLKey sym : {static_cast<SDLKey>('%'), SDLK_EQUALS, SDLK_KP1, SDLK_KP_ENTER, SDLK_UP,
                       SDLK_TAB, SDLK_DELETE, SDLK_F5, SDLK_LEFTBRACKET, SDLK_LSHIFT}) {
        harness::pushKey(sym);
    }
    harness::pushKey(SDLK_SPACE);
    harness::pushKey(SDLK_QUESTION, KMOD_LSHIFT);
    harness::pushKey(SDLK_RETURN);
    EXPECT_EQ(enterName(*game), "1 ?");
    EXPECT_EQ(harness::flips(), 2u + 3 * 2);
}

TEST_F(NameEntryTest, OnlyTheKeyboardIsHeard)
{
    harness::pushQuit();
    harness::pushButtonDown(100, 100);
    harness::pushButtonUp(100, 100);
    harness::pushMotion(50, 50);
    harness::pushKeyUp(SDLK_RETURN);
    type("ok");
    harness::pushQuit();
    harness::pushKey(SDLK_RETURN);
    EXPECT_EQ(enterName(*game), "ok");
    EXPECT_EQ(harness::flips(), 2u + 2 * 2);
}

TEST_F(NameEntryTest, EndsOnReturnEscapeOrWhenInputRunsOut)
{
    harness::pushKey(SDLK_RETURN);
    EXPECT_EQ(enterName(*game), "");
    harness::pushKey(SDLK_ESCAPE);
    EXPECT_EQ(enterName(*game), "");
    type("al");
    harness::pushKey(SDLK_ESCAPE);  // keeps what was typed
    harness::pushKey(SDLK_x);       // not read: the entry is over
    EXPECT_EQ(enterName(*game), "al");
    harness::dropEvents();
    type("bo");
    EXPECT_EQ(enterName(*game), "bo");
}
