// Outlined text and the play screen, read back from the screen's pixels.
#include "render/colors.h"
#include "tests/support/fixture.h"

using Render = GameTest;

TEST_F(Render, EveryGlyphReadsBackInItsFaceOutlinedInBlack)
{
    const std::pair<const SDL_Color*, uint32_t> faces[] = {
        {&COLOR_MAGENTA, MAGENTA}, {&COLOR_GREEN, GREEN}, {&COLOR_BLUE, BLUE},
        {&COLOR_YELLOW, YELLOW},   {&COLOR_WHITE, WHITE}, {&COLOR_RANDOM, 0},
        {&COLOR_RANDOM, 0}};
    for (int first = '!'; first <= 'z'; first += 16) {
        std::string chunk;
        for (int c = first; c < first + 16 && c <= 'z'; ++c) {
            chunk += c < '[' || c > '`' ? std::string(1, char(c)) : "";
        }
        auto [color, face] = faces[(first - '!') / 16];
        if (face == 0) {  // a face drawn at random, once per text
            srand(first);
            face = std::vector<uint32_t>{MAGENTA, GREEN, BLUE, YELLOW}[rand() % 4];
            srand(first);
        }
        SDL_FillRect(game->screen, nullptr, 0x5A5A5A);
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
    const SDL_Color lookalike = COLOR_RANDOM;  // the random face is known by its address only
    game->drawText((noGlyphs + "z").c_str(), 0, 150, &lookalike);
    EXPECT_EQ(textAt(0, 150, noGlyphs.size() + 1, 0x010203),
              std::string(noGlyphs.size(), ' ') + "z")
        << "a byte without a glyph still takes its place";
}

TEST_F(Render, ThePlayScreenShowsCellsMarkersHudAndButtons)
{
    setBoard({"0123WF6", "", "", "...3", "", "", "", "", "", "6FW3210..2"});
    game->markers = {CellPos{9, 9}, CellPos{NO_MARKER, 3}, CellPos{3, 3}, CellPos{NO_MARKER, 0}};
    game->drawBoard();
    for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
        const uint32_t x = n % BOARD_W, y = n / BOARD_W;
        EXPECT_TRUE(cellShows(x, y, game->board[n], n == 99 || n == 33)) << x << "," << y;
    }
    EXPECT_EQ(game->piecesImage->flags & SDL_SRCCOLORKEY, 0u) << "the marker's key is off again";
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
    EXPECT_EQ(textAt(132, 26, 6, MAGENTA) + textAt(16, 26, 5, MAGENTA), "42949698765")
        << "wide numbers grow to the right";
}
