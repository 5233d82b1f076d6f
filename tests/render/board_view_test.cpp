#include "render/colors.h"
#include "tests/support/fixture.h"

#include <string>
#include <tuple>
#include <utility>

using BoardViewTest = GameTest;

TEST_F(BoardViewTest, EveryCellShowsItsTileOverTheBackgroundWithTheHud)
{
    setBoard({"0123WF6", "", "", "", "", "", "", "", "", "6FW3210"});
    game->undoAvailable = true;  // as a new game sets it; still hidden at 0 turns
    game->drawBoard();

    for (uint32_t y = 0; y < BOARD_H; ++y) {
        for (uint32_t x = 0; x < BOARD_W; ++x) {
            ASSERT_TRUE(screen::cellShows(*game, x, y, game->getCell(x, y))) << x << "," << y;
        }
    }
    EXPECT_EQ(screen::textAt(*game, 132, 10, 5, COLOR_BLUE), "Score");
    EXPECT_EQ(screen::textAt(*game, 132, 26, 5, COLOR_MAGENTA), "    0");
    EXPECT_EQ(screen::textAt(*game, 16, 10, 4, COLOR_GREEN), "Turn");
    EXPECT_EQ(screen::textAt(*game, 16, 26, 4, COLOR_MAGENTA), "   0");
    EXPECT_EQ(screen::textAt(*game, 16, 237, 4, COLOR_YELLOW), "    ");
    EXPECT_EQ(screen::textAt(*game, 100, 237, 8, COLOR_YELLOW), "NEW GAME");
    // The close box corner and the gap between the buttons carry no text.
    for (const auto& [x, y] : {std::pair{191, 0}, {205, 15}, {80, 250}, {5, 270}}) {
        EXPECT_EQ(screen::pixel(game->screen, x, y), screen::pixel(game->boardImage, x, y));
    }
}

TEST_F(BoardViewTest, UndoLabelOnlyWhileTheUndoIsUnspentAndAMoveWasMade)
{
    for (const auto& [available, turns, shown] :
         {std::tuple{true, 0u, false}, {true, 1u, true}, {false, 5u, false}}) {
        game->undoAvailable = available;
        game->turns = turns;
        game->drawBoard();
        EXPECT_EQ(screen::textAt(*game, 16, 237, 4, COLOR_YELLOW), shown ? "UNDO" : "    ")
            << available << " " << turns;
    }
}

TEST_F(BoardViewTest, MarkersOverlayTheirPieceAndAbsentOnesDrawNothing)
{
    setBoard({"", "", "", "...3", "", "", "", "", "", ".........2"});
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

TEST_F(BoardViewTest, WideNumbersGrowToTheRight)
{
    game->score = 4294967295u;
    game->turns = 98765;
    game->drawBoard();
    EXPECT_EQ(screen::textAt(*game, 132, 26, 6, COLOR_MAGENTA), "429496")
        << "the largest score is drawn in full, clipped only by the window";
    EXPECT_EQ(screen::textAt(*game, 16, 26, 5, COLOR_MAGENTA), "98765");
}
