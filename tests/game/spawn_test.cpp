#include "tests/support/fixture.h"

#include <algorithm>
#include <set>
#include <vector>

using SpawnTest = GameTest;

TEST_F(SpawnTest, FourPiecesMarkedOnEmptyCellsCellDrawnBeforeKind)
{
    setBoard({"0.1.2.3.F", "", "W", "", "", "", "", "", "", "........66"});
    const auto before = game->board;
    // The first draw by hand: a cell of the empty-cell list, then a kind.
    srand(4242);
    const uint32_t firstCell = static_cast<uint32_t>(rand()) % game->emptyCount;
    const uint32_t firstKind = static_cast<uint32_t>(rand()) % 6;
    const CellPos first = game->empties[firstCell];
    srand(4242);

    game->spawnPieces();

    EXPECT_EQ(game->getCell(first.x, first.y), firstKind);
    EXPECT_EQ(game->markers[0].x, first.x);
    EXPECT_EQ(game->markers[0].y, first.y);
    std::set<uint32_t> marked;
    for (const CellPos& marker : game->markers) {
        const uint32_t n = marker.y * BOARD_W + marker.x;
        EXPECT_EQ(before[n], CELL_EMPTY);
        EXPECT_TRUE(screen::cellShowsMarked(*game, marker.x, marker.y, game->board[n]));
        marked.insert(n);
    }
    EXPECT_EQ(marked.size(), 4u);
    for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
        EXPECT_EQ(game->board[n] != before[n], marked.count(n) == 1) << n;
    }
    EXPECT_EQ(game->emptyCount, 100u - 8u - 4u);
    EXPECT_EQ(harness::flips(), 1u) << "one redraw for all four";
}

TEST_F(SpawnTest, NeverOnAnOccupiedCellAndTheSeventhKindOnlyFromLevelThree)
{
    for (uint32_t level = 2; level <= 3; ++level) {
        std::set<uint32_t> kinds;
        for (unsigned seed = 1; seed <= 30; ++seed) {
            srand(seed);
            game->resetBoard();
            game->level = level;
            while (game->emptyCount > 0) {
                const auto before = game->board;
                game->spawnPieces();
                uint32_t placed = 0;
                for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
                    if (before[n] != game->board[n]) {
                        ASSERT_EQ(before[n], CELL_EMPTY) << "spawned onto a piece";
                        kinds.insert(game->board[n]);
                        ++placed;
                    }
                }
                const auto free = std::count(before.begin(), before.end(), CELL_EMPTY);
                ASSERT_EQ(placed, std::min<uint32_t>(MARKER_COUNT, static_cast<uint32_t>(free)));
            }
        }
        std::set<uint32_t> expected = {0, 1, 2, 3, 4, 5};
        if (level == 3) {
            expected.insert(6);
        }
        EXPECT_EQ(kinds, expected) << "level " << level;
    }
}

TEST_F(SpawnTest, FewerEmptyCellsThanMarkersLeavesTheOtherMarkersAlone)
{
    setBoard({"0000000000", "0000000000", "0000000000", "0000000000", "0000000000", "0000000000",
              "0000000000", "0000000000", "0000000000", "0000000.0"});
    game->markers[2] = {NO_MARKER, 5};
    game->markers[3] = {4, 4};

    game->spawnPieces();

    EXPECT_EQ(game->emptyCount, 0u);
    std::set<uint32_t> marked = {game->markers[0].x, game->markers[1].x};
    EXPECT_EQ(marked, (std::set<uint32_t>{7, 9}));
    EXPECT_EQ(game->markers[0].y, 9u);
    EXPECT_EQ(game->markers[1].y, 9u);
    EXPECT_EQ(game->markers[2].x, NO_MARKER);
    EXPECT_EQ(game->markers[3].x, 4u);

    // A full board gets nothing, draws no number, but is still redrawn.
    const auto full = game->board;
    srand(1);
    const int next = rand();
    srand(1);
    harness::reset();
    game->spawnPieces();
    EXPECT_EQ(game->board, full);
    EXPECT_EQ(game->markers[3].x, 4u);
    EXPECT_EQ(harness::flips(), 1u);
    EXPECT_EQ(rand(), next);
}
