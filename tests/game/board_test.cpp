#include "tests/support/fixture.h"

#include <cstdlib>
#include <set>

using BoardTest = GameTest;

TEST_F(BoardTest, ResetEmptiesEverythingAndListsCellsRowMajor)
{
    setBoard({"0123WF6...", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", "........12"});
    game->markers[0] = {4, 4};
    game->score = 77;
    game->turns = 9;
    game->level = 3;
    game->undoAvailable = true;

    game->resetBoard();

    EXPECT_EQ(game->countEmptyCells(), 100u);
    EXPECT_EQ(game->empties[0].x, 0u);
    EXPECT_EQ(game->empties[0].y, 0u);
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

TEST_F(BoardTest, CountingListsOnlyEmptyCellsInReadingOrder)
{
    setBoard({"0000000000", "0000000000", "0000000000", "0000000000", "0000000000", "0000000000",
              "0000000000", "000.000000", "0000000000", "0000000000"});
    EXPECT_EQ(game->countEmptyCells(), 1u);
    EXPECT_EQ(game->empties[0].x, 3u);
    EXPECT_EQ(game->empties[0].y, 7u);

    setBoard({".000000000", "0000000000", "000000000.", "0000000000", "0000000000", "0000000000",
              "0000000000", "0.00000000", "0000000000", "0000000000"});
    ASSERT_EQ(game->emptyCount, 3u);
    EXPECT_EQ(game->empties[0].x, 0u);
    EXPECT_EQ(game->empties[1].x, 9u);
    EXPECT_EQ(game->empties[1].y, 2u);
    EXPECT_EQ(game->empties[2].x, 1u);
    EXPECT_EQ(game->empties[2].y, 7u);

    game->setCell(3, 3, CELL_EMPTY);
    EXPECT_EQ(game->emptyCount, 3u) << "the count is only as fresh as the last countEmptyCells";
    EXPECT_EQ(game->countEmptyCells(), 4u);
}

TEST(GameConstruction, StartsWithAFullCountLevelOneAndNoUndo)
{
    Game fresh;
    EXPECT_EQ(fresh.emptyCount, BOARD_CELLS);
    EXPECT_EQ(fresh.level, 1u);
    EXPECT_EQ(fresh.turns, 0u);
    EXPECT_EQ(fresh.score, 0u);
    EXPECT_FALSE(fresh.undoAvailable);
    // Before any reset all markers stand on cell (0, 0).
    for (const CellPos& marker : fresh.markers) {
        EXPECT_EQ(marker.x, 0u);
        EXPECT_EQ(marker.y, 0u);
    }
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
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(randomInRange(0, 0), 0u);
        EXPECT_EQ(randomInRange(42, 42), 42u);
    }
    std::set<uint32_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const uint32_t value = randomInRange(3, 8);
        ASSERT_GE(value, 3u);
        ASSERT_LE(value, 8u);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 6u);
}

TEST(RandomInRange, TakesExactlyOneNumberFromTheGenerator)
{
    srand(99);
    const int first = rand();
    const int second = rand();
    srand(99);
    EXPECT_EQ(randomInRange(0, 6), static_cast<uint32_t>(first) % 7);
    EXPECT_EQ(randomInRange(10, 13), static_cast<uint32_t>(second) % 4 + 10);
}
