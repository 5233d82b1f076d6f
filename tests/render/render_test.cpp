// Outlined text and the play screen, read back from the screen's pixels.
#include "render/colors.h"
#include "tests/support/fixture.h"

#include <tuple>

using Render = GameTest;

TEST_F(Render, EveryGlyphReadsBackInItsFaceOutlinedInBlack)
{
    std::string all;
    for (char c = '!'; c <= 'z'; ++c) {
        all += c < '[' || c > '`' ? std::string(1, c) : "";
    }
    const std::pair<const SDL_Color*, uint32_t> faces[] = {{&COLOR_MAGENTA, MAGENTA}, {&COLOR_GREEN, GREEN},
                                                      {&COLOR_BLUE, BLUE},       {&COLOR_YELLOW, YELLOW},
                                                      {&COLOR_WHITE, WHITE}};
    for (size_t start = 0; start < all.size(); start += 16) {
        const auto& [color, face] = faces[start / 16 % 5];
        const std::string chunk = all.substr(start, 16);
        SDL_FillRect(game->screen, nullptr, SDL_MapRGB(game->screen->format, 90, 90, 90));
        game->drawText(chunk.c_str(), 10, 100, color);
        EXPECT_EQ(textAt(10, 100, chunk.size(), face), chunk);
        // Every pixel next to the ink is ink or outline.
        int outline = 0;
        for (int y = 95; y < 125; ++y) {
            for (int x = 5; x < 190; ++x) {
                bool nearInk = false;
                for (int d = 0; d < 9; ++d) {
                    nearInk |= pixel(game->screen, x + d % 3 - 1, y + d / 3 - 1) == face;
                }
                const uint32_t here = pixel(game->screen, x, y);
                ASSERT_TRUE(!nearInk || here == face || here == BLACK) << x << "," << y;
                outline += nearInk && here == BLACK;
            }
        }
        EXPECT_GT(outline, 100);
    }
    const std::string noGlyphs = " [\\]^_`{|}~\x7f\x80\xff\x01";
    game->drawText((noGlyphs + "z").c_str(), 0, 150, &COLOR_WHITE);
    EXPECT_EQ(textAt(0, 150, noGlyphs.size() + 1, WHITE), std::string(noGlyphs.size(), ' ') + "z")
        << "a byte without a glyph still takes its place";
}

TEST_F(Render, TheRandomFaceIsOneOfFourDrawnOncePerCall)
{
    const uint32_t faces[] = {MAGENTA, GREEN, BLUE, YELLOW};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        srand(seed);
        const uint32_t face = faces[rand() % 4];
        const int next = rand();
        srand(seed);
        game->drawText("Mm8", 30, 60 + 20 * (seed % 4), &COLOR_RANDOM);
        EXPECT_EQ(textAt(30, 60 + 20 * (seed % 4), 3, face), "Mm8") << seed;
        EXPECT_EQ(rand(), next) << "one number per call, not per glyph";
    }
    const SDL_Color lookalike = COLOR_RANDOM;  // known by its address only
    game->drawText("Hi", 50, 200, &lookalike);
    EXPECT_EQ(textAt(50, 200, 2, 0x010203u), "Hi");
}

TEST_F(Render, ThePlayScreenShowsCellsMarkersHudAndButtons)
{
    setBoard({"0123WF6", "", "", "...3", "", "", "", "", "", "6FW3210..2"});
    game->markers = {CellPos{9, 9}, CellPos{NO_MARKER, 3}, CellPos{3, 3}, CellPos{NO_MARKER, 0}};
    game->drawBoard();
    for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
        const uint32_t x = n % BOARD_W, y = n / BOARD_W;
        const bool marked = (x == 9 && y == 9) || (x == 3 && y == 3);
        EXPECT_TRUE(cellShows(x, y, game->board[n], marked)) << x << "," << y;
    }
    EXPECT_EQ(textAt(132, 10, 5, BLUE) + textAt(132, 26, 5, MAGENTA), "Score    0");
    EXPECT_EQ(textAt(16, 10, 4, GREEN) + textAt(16, 26, 4, MAGENTA), "Turn   0");
    EXPECT_EQ(textAt(100, 237, 8, YELLOW), "NEW GAME");
    // The close box and the gap between the buttons carry nothing.
    for (const auto& [x, y] : {std::pair{191, 0}, {205, 15}, {80, 250}, {5, 270}}) {
        EXPECT_EQ(pixel(game->screen, x, y), pixel(game->boardImage, x, y));
    }

    for (const auto& [available, turns, shown] :
         {std::tuple{true, 0u, false}, {true, 1u, true}, {false, 5u, false}}) {
        game->undoAvailable = available;
        game->turns = turns;
        game->drawBoard();
        EXPECT_EQ(textAt(16, 237, 4, YELLOW), shown ? "UNDO" : "    ") << available << turns;
    }

    game->score = 4294967295u;
    game->turns = 98765;
    game->drawBoard();
    EXPECT_EQ(textAt(132, 26, 6, MAGENTA), "429496") << "wide numbers grow to the right";
    EXPECT_EQ(textAt(16, 26, 5, MAGENTA), "98765");
}
