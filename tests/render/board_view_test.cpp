#include "render/colors.h"
#include "tests/support/fixture.h"

#include <string>

using BoardViewTest = GameTest;

TEST_F(BoardViewTest, FreshBoardShowsEmptyCellsZeroesAndNoUndo)
{
    game->undoAvailable = true;  // as a new game sets it; still hidden at 0 turns
    game->drawBoard();

    for (uint32_t y = 0; y < BOARD_H; ++y) {
        for (uint32_t x = 0; x < BOARD_W; ++x) {
            ASSERT_TRUE(screen::cellShows(*game, x, y, CELL_EMPTY)) << x << "," << y;
        }
    }
    EXPECT_EQ(screen::textAt(*game, 132, 10, 5, COLOR_BLUE), "Score");
    EXPECT_EQ(screen::textAt(*game, 132, 26, 5, COLOR_MAGENTA), "    0");
    EXPECT_EQ(screen::textAt(*game, 176, 26, 1, COLOR_MAGENTA), "0");
    EXPECT_EQ(screen::textAt(*game, 16, 10, 4, COLOR_GREEN), "Turn");
    EXPECT_EQ(screen::textAt(*game, 16, 26, 4, COLOR_MAGENTA), "   0");
    EXPECT_EQ(screen::textAt(*game, 49, 26, 1, COLOR_MAGENTA), "0");
    EXPECT_EQ(screen::textAt(*game, 16, 237, 4, COLOR_YELLOW), "    ");
    EXPECT_EQ(screen::textAt(*game, 100, 237, 8, COLOR_YELLOW), "NEW GAME");
}

TEST_F(BoardViewTest, EveryCellShowsTheTileOfItsCode)
{
    setBoard({"0123456...", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", "6543210..."});
    game->drawBoard();
    for (uint32_t x = 0; x < 7; ++x) {
        EXPECT_TRUE(screen::cellShows(*game, x, 0, x));
        EXPECT_TRUE(screen::cellShows(*game, x, 9, 6 - x));
    }
    EXPECT_TRUE(screen::cellShows(*game, 9, 9, CELL_EMPTY));
}

TEST_F(BoardViewTest, BackgroundShowsOutsideTheBoard)
{
    game->drawBoard();
    // The close box corner and the gap between the buttons carry no text.
    for (int y = 0; y < 16; ++y) {
        for (int x = 191; x < 206; ++x) {
            ASSERT_EQ(screen::pixel(game->screen, x, y), screen::pixel(game->boardImage, x, y));
        }
    }
    EXPECT_EQ(screen::pixel(game->screen, 80, 250), screen::pixel(game->boardImage, 80, 250));
    EXPECT_EQ(screen::pixel(game->screen, 5, 270), screen::pixel(game->boardImage, 5, 270));
}

TEST_F(BoardViewTest, UndoLabelOnlyWhileTheUndoIsUnspentAndAMoveWasMade)
{
    struct Case {
        bool available;
        uint32_t turns;
        bool shown;
    };
    for (const Case& c :
         {Case{true, 0, false}, Case{true, 1, true}, Case{false, 5, false}, Case{true, 12, true}}) {
        game->undoAvailable = c.available;
        game->turns = c.turns;
        game->drawBoard();
        EXPECT_EQ(screen::textAt(*game, 16, 237, 4, COLOR_YELLOW), c.shown ? "UNDO" : "    ")
            << c.available << " " << c.turns;
    }
}

TEST_F(BoardViewTest, MarkersOverlayTheirPieceAndAbsentOnesDrawNothing)
{
    setBoard({"..........", "..........", "..........", "...3......", "..........", "..........",
              "..........", "..........", "..........", ".........2"});
    game->markers[0] = {9, 9};
    game->markers[1] = {NO_MARKER, 3};
    game->markers[2] = {3, 3};
    game->markers[3] = {NO_MARKER, 0};
    game->drawBoard();

    EXPECT_TRUE(screen::cellShowsMarked(*game, 9, 9, 2));
    EXPECT_TRUE(screen::cellShowsMarked(*game, 3, 3, 3));
    EXPECT_TRUE(screen::cellShows(*game, 0, 3, CELL_EMPTY));
    EXPECT_TRUE(screen::cellShows(*game, 0, 0, CELL_EMPTY));
    EXPECT_EQ(game->piecesImage->flags & SDL_SRCCOLORKEY, 0u) << "the key is off between blits";
}

TEST_F(BoardViewTest, CursorTileCoversTheWholeCellAndIsPresented)
{
    game->markers[0] = {4, 5};
    game->setCell(4, 5, 1);
    game->drawBoard();
    const unsigned flips = harness::flips();
    game->drawCellTile(4, 5, TILE_CURSOR_OK);
    EXPECT_EQ(harness::flips(), flips + 1);
    EXPECT_TRUE(screen::cellShows(*game, 4, 5, TILE_CURSOR_OK));
    EXPECT_EQ(game->getCell(4, 5), 1u) << "feedback only, the board is untouched";

    game->drawCellTile(0, 0, TILE_CURSOR_BAD);
    EXPECT_TRUE(screen::cellShows(*game, 0, 0, TILE_CURSOR_BAD));
}

TEST_F(BoardViewTest, WideNumbersGrowToTheRight)
{
    game->score = 123456;
    game->turns = 98765;
    game->drawBoard();
    EXPECT_EQ(screen::textAt(*game, 132, 26, 6, COLOR_MAGENTA), "123456");
    EXPECT_EQ(screen::textAt(*game, 16, 26, 5, COLOR_MAGENTA), "98765");

    game->score = 4294967295u;
    game->drawBoard();
    EXPECT_EQ(screen::textAt(*game, 132, 26, 6, COLOR_MAGENTA), "429496")
        << "the largest score is drawn in full, clipped only by the window";
}

TEST_F(BoardViewTest, OnlyTheFullRedrawAndTheCursorPresentAFrame)
{
    const unsigned start = harness::flips();
    game->drawUndoLabel(&COLOR_WHITE);
    game->drawNewGameLabel(&COLOR_WHITE);
    EXPECT_EQ(harness::flips(), start);
    EXPECT_EQ(screen::textAt(*game, 16, 237, 4, COLOR_WHITE), "UNDO");
    EXPECT_EQ(screen::textAt(*game, 100, 237, 8, COLOR_WHITE), "NEW GAME");
    game->drawBoard();
    EXPECT_EQ(harness::flips(), start + 1);
    EXPECT_EQ(screen::textAt(*game, 100, 237, 8, COLOR_YELLOW), "NEW GAME");
}
