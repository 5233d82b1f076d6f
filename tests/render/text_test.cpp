#include "render/colors.h"
#include "tests/support/fixture.h"

#include <cstdlib>
#include <string>

class TextTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        // A plain grey canvas, so ink and outline stand out from anything.
        SDL_FillRect(game->screen, nullptr, SDL_MapRGB(game->screen->format, 90, 90, 90));
    }
};

// textAt knows where each row of the sheet is dropped to: a glyph drawn a
// pixel off reads back as '?'.
TEST_F(TextTest, EveryGlyphReadsBackAsItself)
{
    std::string all;
    for (int c = 33; c <= 122; ++c) {
        if (c < 91 || c > 96) {
            all += static_cast<char>(c);
        }
    }
    for (size_t start = 0; start < all.size(); start += 16) {
        const std::string chunk = all.substr(start, 16);
        SDL_FillRect(game->screen, nullptr, 0);
        game->drawText(chunk.c_str(), 10, 100, &COLOR_YELLOW);
        EXPECT_EQ(screen::textAt(*game, 10, 100, chunk.size(), COLOR_YELLOW), chunk);
    }
}

TEST_F(TextTest, InkIsOutlinedInBlackAllRound)
{
    game->drawText("Wq@8,j", 40, 80, &COLOR_MAGENTA);
    const screen::Rgb face = screen::rgb(COLOR_MAGENTA);
    int outlined = 0;
    for (int y = 70; y < 110; ++y) {
        for (int x = 30; x < 120; ++x) {
            bool touchesInk = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    touchesInk |= screen::pixel(game->screen, x + dx, y + dy) == face;
                }
            }
            if (touchesInk && screen::pixel(game->screen, x, y) != face) {
                EXPECT_EQ(screen::pixel(game->screen, x, y), screen::rgb(COLOR_OUTLINE))
                    << x << "," << y;
                ++outlined;
            }
        }
    }
    EXPECT_GT(outlined, 50);
}

TEST_F(TextTest, BytesWithoutAGlyphDrawNothingButTakeTheirPlace)
{
    const std::string noGlyphs = " [\\]^_`{|}~\x7f\x80\xff\x01";
    game->drawText((noGlyphs + "z").c_str(), 0, 150, &COLOR_WHITE);
    EXPECT_EQ(screen::textAt(*game, 0, 150, noGlyphs.size() + 1, COLOR_WHITE),
              std::string(noGlyphs.size(), ' ') + "z");
}

TEST_F(TextTest, RandomColourIsPickedOncePerCallAndOnlyForTheSentinel)
{
    const SDL_Color* const expected[] = {&COLOR_MAGENTA, &COLOR_GREEN, &COLOR_BLUE, &COLOR_YELLOW};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        srand(seed);
        const int pick = rand() % 4;
        const int next = rand();
        srand(seed);
        SDL_FillRect(game->screen, nullptr, 0);
        game->drawText("Mmm8", 30, 60, &COLOR_RANDOM);
        EXPECT_EQ(screen::textAt(*game, 30, 60, 4, *expected[pick]), "Mmm8") << "seed " << seed;
        EXPECT_EQ(rand(), next) << "one number per call, not per glyph";
    }

    srand(7);
    const int first = rand();
    srand(7);
    game->drawText("", 0, 0, &COLOR_RANDOM);
    const SDL_Color lookalike = COLOR_RANDOM;
    game->drawText("Hi", 50, 50, &lookalike);
    EXPECT_EQ(screen::textAt(*game, 50, 50, 2, lookalike), "Hi") << "drawn in the colour it is";
    EXPECT_EQ(rand(), first) << "no number for an empty text or a mere lookalike";
    srand(7);
    game->drawText(" ", 0, 0, &COLOR_RANDOM);
    EXPECT_NE(rand(), first) << "but one for a space";
}
