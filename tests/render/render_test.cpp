// Outlined text and the play screen, against pictures looked at once.
#include "render/colors.h"
#include "tests/support/fixture.h"

using Render = GameTest;

TEST_F(Render, EveryGlyphInEveryFaceOutlinedInBlack)
{
    // A line of glyphs in each face and one in a face drawn at random, then
    // bytes without a glyph, which still take their place, in a caller's
    // colour that only looks like the mark of the random face.
    const SDL_Color lookalike = COLOR_RANDOM;
    const SDL_Color* faces[] = {&COLOR_MAGENTA, &COLOR_GREEN,  &COLOR_BLUE, &COLOR_YELLOW,
                                &COLOR_WHITE,   &COLOR_RANDOM, &lookalike};
    SDL_FillRect(game->screen, nullptr, 0x5A5A5A);
    for (int line = 0; line < 7; ++line) {
        std::string text;
        for (int c = '!' + 16 * line; c < '!' + 16 * (line + 1) && c <= 'z'; ++c) {
            text += c < '[' || c > '`' ? std::string(1, char(c)) : "";
        }
        game->drawText(line < 6 ? text.c_str() : " [\\]^_`{|}~\x7f\x80\xff\x01z", 8, 8 + 22 * line,
                       faces[line]);
    }
    EXPECT_TRUE(looksLike("glyphs", {0, 0, 206, 160}));  // the e2e test reads the colours
}

TEST_F(Render, ThePlayScreenShowsCellsMarkersHudAndButtons)
{
    setBoard({"0123WF6", "", "", "...3", "", "", "", "", "", "6FW3210..2"});
    game->markers = {CellPos{9, 9}, CellPos{NO_MARKER, 3}, CellPos{3, 3}, CellPos{NO_MARKER, 0}};
    game->undoAvailable = true;
    game->drawBoard();
    EXPECT_TRUE(looksLike("play")) << "no UNDO before the first move";
    EXPECT_EQ(game->piecesImage->flags & SDL_SRCCOLORKEY, 0u) << "the marker's key is off again";
    game->undoAvailable = false;
    game->score = 4294967295u;
    game->turns = 98765;
    game->drawBoard();
    EXPECT_TRUE(looksLike("buttons", {0, 230, 206, 30})) << "no UNDO once it is spent";
    EXPECT_TRUE(looksLike("hud-wide", {0, 0, 206, 50})) << "wide numbers grow to the right";
}
