#include "tests/support/fixture.h"

#include <algorithm>
#include <set>
#include <vector>

using SpawnTest = GameTest;

TEST_F(SpawnTest, PiecesFollowTheGeneratorCellFirstThenKind)
{
    setBoard({"0.1.2.3.F.", "..........", "W.........", "..........", "..........", "..........",
              "..........", "..........", "..........", "........66"});
    game->level = 1;
    const auto before = game->board;

    // The same draws, made by hand on a copy of the board.
    auto expected = before;
    CellPos cells[MARKER_COUNT];
    srand(4242);
    for (uint32_t i = 0; i < MARKER_COUNT; ++i) {
        std::vector<CellPos> free;
        for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
            if (expected[n] == CELL_EMPTY) {
                free.push_back({n % BOARD_W, n / BOARD_W});
            }
        }
        cells[i] = free[static_cast<uint32_t>(rand()) % free.size()];
        expected[cells[i].y * BOARD_W + cells[i].x] = static_cast<uint32_t>(rand()) % 6;
    }

    srand(4242);
    game->spawnPieces();

    EXPECT_EQ(game->board, expected);
    for (uint32_t i = 0; i < MARKER_COUNT; ++i) {
        EXPECT_EQ(game->markers[i].x, cells[i].x);
        EXPECT_EQ(game->markers[i].y, cells[i].y);
        EXPECT_TRUE(screen::cellShowsMarked(*game, cells[i].x, cells[i].y,
                                            expected[cells[i].y * BOARD_W + cells[i].x]));
    }
    EXPECT_EQ(game->emptyCount, 100u - 8u - 4u);
    EXPECT_EQ(harness::flips(), 1u) << "one redraw for all four";
}

TEST_F(SpawnTest, NeverOnAnOccupiedCellAndTheSeventhKindOnlyFromLevelThree)
{
    for (uint32_t level = 1; level <= 4; ++level) {
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
                        ASSERT_LE(game->board[n], 6u);
                        kinds.insert(game->board[n]);
                        ++placed;
                    }
                }
                const auto free = std::count(before.begin(), before.end(), CELL_EMPTY);
                ASSERT_EQ(placed, std::min<uint32_t>(MARKER_COUNT, static_cast<uint32_t>(free)));
            }
        }
        EXPECT_EQ(kinds.count(6), level >= 3 ? 1u : 0u) << "level " << level;
        EXPECT_EQ(kinds.size(), level >= 3 ? 7u : 6u) << "level " << level;
    }
}

TEST_F(SpawnTest, FewerEmptyCellsThanMarkersLeavesTheOtherMarkersAlone)
{
    setBoard({"0000000000", "0000000000", "0000000000", "0000000000", "0000000000", "0000000000",
              "0000000000", "0000000000", "0000000000", "0000000.0."});
    game->markers[0] = {1, 1};
    game->markers[1] = {2, 2};
    game->markers[2] = {NO_MARKER, 5};
    game->markers[3] = {4, 4};

    game->spawnPieces();

    EXPECT_EQ(game->emptyCount, 0u);
    std::set<uint32_t> marked = {game->markers[0].x, game->markers[1].x};
    EXPECT_EQ(marked, (std::set<uint32_t>{7, 9}));
    EXPECT_EQ(game->markers[0].y, 9u);
    EXPECT_EQ(game->markers[1].y, 9u);
    EXPECT_EQ(game->markers[2].x, NO_MARKER);
    EXPECT_EQ(game->markers[2].y, 5u);
    EXPECT_EQ(game->markers[3].x, 4u);
}

TEST_F(SpawnTest, AFullBoardGetsNothingButIsStillRedrawn)
{
    for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
        game->board[n] = n % 4;
    }
    game->countEmptyCells();
    game->markers[0] = {3, 3};
    const auto before = game->board;
    srand(1);
    const int next = rand();
    srand(1);

    game->spawnPieces();

    EXPECT_EQ(game->board, before);
    EXPECT_EQ(game->markers[0].x, 3u);
    EXPECT_EQ(harness::flips(), 1u);
    EXPECT_EQ(rand(), next) << "no number drawn";
}

TEST_F(SpawnTest, ANewGameStartsWithEightPiecesAndTheSecondSpawnMarked)
{
    game->resetBoard();
    game->spawnPieces();
    const auto first = game->board;
    game->spawnPieces();

    EXPECT_EQ(game->emptyCount, 92u);
    EXPECT_EQ(game->level, 1u);
    std::set<uint32_t> marked;
    for (const CellPos& marker : game->markers) {
        const uint32_t n = marker.y * BOARD_W + marker.x;
        EXPECT_EQ(first[n], CELL_EMPTY) << "markers point at the second spawn";
        EXPECT_NE(game->board[n], CELL_EMPTY);
        marked.insert(n);
    }
    EXPECT_EQ(marked.size(), 4u);
}
