#include "render/colors.h"
#include "tests/support/fixture.h"

#include <cstdlib>
#include <string>

using screen::rgb;

class TextTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        // A plain grey canvas, so ink and outline stand out from anything.
        SDL_FillRect(game->screen, nullptr, SDL_MapRGB(game->screen->format, 90, 90, 90));
    }

    // Every ink pixel of the glyph's sheet cell is `color` on the screen when
    // the cell's top-left corner is put at (x, y).
    bool glyphInkAt(char c, int sheetRow, int x, int y, const SDL_Color& color)
    {
        const int first = sheetRow == 0 ? '!' : sheetRow == 1 ? 'A' : 'a';
        const int sheetX = (c - first) * static_cast<int>(GLYPH_W);
        const int sheetY = sheetRow * static_cast<int>(GLYPH_H);
        int ink = 0;
        for (int dy = 0; dy < static_cast<int>(GLYPH_H); ++dy) {
            for (int dx = 0; dx < static_cast<int>(GLYPH_W); ++dx) {
                if (screen::index(game->fontImage, sheetX + dx, sheetY + dy) != 1) {
                    continue;
                }
                ++ink;
                if (screen::pixel(game->screen, x + dx, y + dy) != rgb(color)) {
                    return false;
                }
            }
        }
        return ink > 0;
    }
};

TEST_F(TextTest, RowsOfTheSheetAreDroppedOntoOneLine)
{
    game->drawText("Score", 132, 10, &COLOR_BLUE);
    EXPECT_TRUE(glyphInkAt('S', 1, 132, 11, COLOR_BLUE)) << "capitals sit one pixel lower";
    EXPECT_TRUE(glyphInkAt('c', 2, 143, 10, COLOR_BLUE));
    EXPECT_TRUE(glyphInkAt('o', 2, 154, 10, COLOR_BLUE));
    EXPECT_TRUE(glyphInkAt('r', 2, 165, 10, COLOR_BLUE));
    EXPECT_TRUE(glyphInkAt('e', 2, 176, 10, COLOR_BLUE));

    game->drawText("s:9@", 20, 100, &COLOR_GREEN);
    EXPECT_TRUE(glyphInkAt(':', 0, 31, 102, COLOR_GREEN)) << "punctuation sits two lower";
    EXPECT_TRUE(glyphInkAt('9', 0, 42, 102, COLOR_GREEN));
    EXPECT_TRUE(glyphInkAt('@', 0, 53, 102, COLOR_GREEN));
}

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
    const screen::Rgb face = rgb(COLOR_MAGENTA);
    const screen::Rgb black = rgb(COLOR_OUTLINE);
    int outlined = 0;
    for (int y = 70; y < 110; ++y) {
        for (int x = 30; x < 120; ++x) {
            if (screen::pixel(game->screen, x, y) == face) {
                continue;
            }
            bool touchesInk = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    touchesInk |= screen::pixel(game->screen, x + dx, y + dy) == face;
                }
            }
            if (touchesInk) {
                EXPECT_EQ(screen::pixel(game->screen, x, y), black) << x << "," << y;
                ++outlined;
            }
        }
    }
    EXPECT_GT(outlined, 50);
}

TEST_F(TextTest, BytesWithoutAGlyphDrawNothingButTakeTheirPlace)
{
    game->drawText("  A", 30, 40, &COLOR_WHITE);
    EXPECT_TRUE(glyphInkAt('A', 1, 52, 41, COLOR_WHITE));

    SDL_FillRect(game->screen, nullptr, 0);
    const std::string noGlyphs = "[\\]^_`{|}~\x7f\x80\xff\x01";
    game->drawText((noGlyphs + "z").c_str(), 0, 150, &COLOR_WHITE);
    EXPECT_TRUE(glyphInkAt('z', 2, static_cast<int>(noGlyphs.size() * GLYPH_W), 150, COLOR_WHITE));
    const SDL_Rect before = {0, 140, static_cast<Uint16>(noGlyphs.size() * GLYPH_W - 1), 30};
    EXPECT_EQ(screen::countColor(game->screen, before, COLOR_OUTLINE), before.w * before.h)
        << "nothing but the cleared black canvas left of the z";
}

TEST_F(TextTest, RandomColourIsPickedOncePerCall)
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
}

TEST_F(TextTest, EmptyTextTakesNoRandomNumberButASpaceDoes)
{
    srand(7);
    const int first = rand();
    srand(7);
    game->drawText("", 0, 0, &COLOR_RANDOM);
    EXPECT_EQ(rand(), first);

    srand(7);
    game->drawText(" ", 0, 0, &COLOR_RANDOM);
    EXPECT_NE(rand(), first);
}

TEST_F(TextTest, AColourThatMerelyEqualsTheRandomSentinelIsDrawnAsIs)
{
    const SDL_Color lookalike = {1, 2, 3, 0};
    srand(3);
    const int first = rand();
    srand(3);
    game->drawText("Hi", 50, 50, &lookalike);
    EXPECT_EQ(screen::textAt(*game, 50, 50, 2, lookalike), "Hi");
    EXPECT_EQ(rand(), first);
}

TEST_F(TextTest, InkEntryEndsAsTheColourOfTheLastStamp)
{
    game->drawText("A", 0, 0, &COLOR_GREEN);
    EXPECT_EQ(rgb(game->fontImage->format->palette->colors[1]), rgb(COLOR_GREEN));
    game->drawText("A ", 0, 0, &COLOR_GREEN);
    EXPECT_EQ(rgb(game->fontImage->format->palette->colors[1]), rgb(COLOR_OUTLINE))
        << "the outline colour is set before every character, glyph or not";
}
