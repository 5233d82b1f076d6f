#include "tests/support/fixture.h"

#include <cstdlib>
#include <set>

using BoardTest = GameTest;

TEST_F(BoardTest, ResetEmptiesEverythingAndListsCellsRowMajor)
{
    setBoard({"0123WF6", "", "", "", "", "", "", "", "", "........12"});
    game->markers[0] = {4, 4};
    game->score = 77;
    game->turns = 9;
    game->level = 3;
    game->undoAvailable = true;

    game->resetBoard();

    EXPECT_EQ(game->emptyCount, 100u);
    EXPECT_EQ(game->empties[12].x, 2u);
    EXPECT_EQ(game->empties[12].y, 1u);
    EXPECT_EQ(game->empties[99].x, 9u);
    EXPECT_EQ(game->empties[99].y, 9u);
    for (const CellPos& marker : game->markers) {
        EXPECT_EQ(marker.x, NO_MARKER);
    }
    EXPECT_EQ(game->score, 0u);
    EXPECT_EQ(game->turns, 0u);
    EXPECT_EQ(game->level, 1u);
    EXPECT_TRUE(game->undoAvailable) << "a reset leaves the undo to the new-game set-up";
}

TEST(GameConstruction, SeedsTheGeneratorFromItsOwnAddress)
{
    Game* first = new Game;
    const int drawn = rand();
    srand(static_cast<unsigned>(reinterpret_cast<uintptr_t>(first)));
    EXPECT_EQ(rand(), drawn);
    delete first;
}

TEST(RandomInRange, StaysInsideTheRangeAndReachesBothEnds)
{
    srand(TEST_SEED);
    EXPECT_EQ(randomInRange(42, 42), 42u);
    std::set<uint32_t> seen;
    for (int i = 0; i < 2000; ++i) {
        seen.insert(randomInRange(3, 8));
    }
    EXPECT_EQ(seen, (std::set<uint32_t>{3, 4, 5, 6, 7, 8}));
}
