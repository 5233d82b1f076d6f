// The rules on their own: moves, groups and scoring, spawning, levels (the
// undo is the play-loop test's). Boards are pictures (see boardOf).
#include "app/program.h"
#include "tests/support/fixture.h"

#include <set>

using Rules = GameTest;

TEST_F(Rules, OneStepOfAMovablePieceOntoAnEmptyCell)
{
    const std::tuple<uint32_t, uint32_t, uint32_t, uint32_t, bool> cases[] = {
        {4, 4, 5, 4, true},  {4, 4, 3, 4, true},  {4, 4, 4, 3, true},  {4, 4, 4, 5, true},
        {4, 4, 5, 5, true},  {4, 4, 3, 3, true},  {0, 9, 1, 8, true},   // a wildcard moves
        {4, 4, 2, 4, false}, {4, 4, 4, 2, false}, {6, 5, 7, 5, false},  // the fixed piece
        {0, 0, 1, 0, false}, {6, 6, 6, 5, false},                       // empty, occupied
    };
    const std::vector<std::string> start = {"",        "",        "", "", "....2",
                                            "......F", "......1", "", "", "W"};
    for (const auto& [x1, y1, x2, y2, allowed] : cases) {
        setBoard(start);
        game->turns = harness::flips = 0;
        game->markers[0] = {x1, y1};
        std::string after = boardText();
        std::swap(after[y1 * 11 + x1], after[y2 * 11 + x2]);
        EXPECT_EQ(game->tryMove(x1, y1, x2, y2), allowed) << x1 << y1 << x2 << y2;
        EXPECT_EQ(boardText(), allowed ? after : boardOf(start));
        EXPECT_EQ(std::pair(harness::flips, game->turns), std::pair(allowed + 0u, allowed + 0u));
        EXPECT_EQ(game->markers[0].x, allowed ? NO_MARKER : x1) << "the marker stays behind";
    }
}

TEST_F(Rules, GroupsOfFourOrMoreGoAndScoreOneTwoThree)
{
    // clang-format off
    const std::tuple<std::vector<std::string>, std::vector<std::string>, uint32_t> cases[] = {
        {{"222"}, {"222"}, 0}, {{"2222"}, {}, 10}, {{"3333.3333"}, {}, 20}, {{"3333W333"}, {}, 36},
        {{"0", "0", "0W"}, {}, 10},                           // a wildcard completes an L
        {{"WW", "WW"}, {"WW", "WW"}, 0},                      // wildcards alone never group
        {{"FFFF"}, {}, 10},                                   // fixed pieces group
        {{"1.1", ".1.1", "1.1"}, {"1.1", ".1.1", "1.1"}, 0},  // diagonals do not join
        {{"000W111"}, {"....111"}, 10}, {{"00W11"}, {"00W11"}, 0}};  // the first group takes W
    // clang-format on
    for (const auto& [rows, after, points] : cases) {
        setBoard(rows);
        game->score = 0;
        game->clearGroups();
        EXPECT_EQ(boardText() + std::to_string(game->score),
                  boardOf(after) + std::to_string(points));
    }
}

TEST_F(Rules, CellsGoOneByOneInWalkOrderUnderAGrowingSquareAndTheirNumber)
{
    // The walk starts on the 1 at (1, 1): right, up, left, down.
    setBoard({".W", "W11", ".1"});
    game->drawBoard();
    harness::reset();
    std::vector<uint32_t> gone;
    auto previous = game->board;
    harness::onFlip = [&] {
        for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
            if (previous[n] != game->board[n]) {
                gone.insert(gone.end(), {n, game->score});
            }
        }
        previous = game->board;
        // Frames 1, 8 and 16 of the first cell (each frame a redraw apart).
        if (harness::flips == 1 || harness::flips == 15 || harness::flips == 31) {
            const std::string frame = std::to_string(harness::flips / 2 + 1);
            EXPECT_TRUE(looksLike("removal-frame-" + frame, {20, 54, 60, 60}));
        }
    };
    game->clearGroups();
    EXPECT_EQ(gone, (std::vector<uint32_t>{11, 1, 12, 3, 1, 6, 10, 10, 21, 15})) << "cell, score";
    EXPECT_EQ(harness::delays, std::vector<uint32_t>(5 * 16, 5)) << "16 frames of 5 ms a cell";
}

TEST_F(Rules, ARemovedCellClearsTheMarkerOnItOrJustRightOrBelowIt)
{
    // The marker sits at (3, 3); a group goes on it, above, left, up-left,
    // right, below, down-right.
    // clang-format off
    const std::pair<std::vector<std::string>, bool> cases[] = {
        {{"", "", "", "...0000"}, true}, {{"", "", "...0000"}, true},
        {{"", "", "", "..0", "..0", "..0", "..0"}, true}, {{"", "..0", "000"}, true},
        {{"", "", "", "....0000"}, false}, {{"", "", "", "", "...0000"}, false},
        {{"", "", "", "", "....0000"}, false}};
    // clang-format on
    for (const auto& [rows, cleared] : cases) {
        setBoard(rows);
        game->markers[2] = {3, 3};
        game->clearGroups();
        EXPECT_EQ(game->markers[2].x, cleared ? NO_MARKER : 3u) << rows.size() << rows.back();
    }
}

TEST_F(Rules, SpawnMarksUpToFourNewPiecesOnEmptyCells)
{
    for (uint32_t level = 2; level <= 3; ++level) {
        std::set<uint32_t> kinds;
        for (unsigned seed = 1; seed <= 30; ++seed) {
            srand(seed);
            game->resetBoard();
            game->level = level;
            while (game->emptyCount > 0) {
                const auto before = game->board;
                const uint32_t placed = std::min(game->emptyCount, 4u),
                               left = game->emptyCount - placed;
                game->spawnPieces();
                ASSERT_EQ(std::count(game->board.begin(), game->board.end(), CELL_EMPTY), left);
                for (uint32_t i = 0; i < placed; ++i) {
                    const CellPos m = game->markers[i];
                    ASSERT_EQ(before[m.y * BOARD_W + m.x], CELL_EMPTY) << "spawned onto a piece";
                    kinds.insert(game->getCell(m.x, m.y));
                }
                ASSERT_EQ(game->emptyCount, left);
            }
        }
        EXPECT_EQ(kinds.size(), level == 3 ? 7u : 6u) << "the seventh kind from level 3 on";
    }
}

TEST_F(Rules, EachThresholdRaisesOneLevelWithABannerUpToSeven)
{
    const uint32_t thresholds[] = {500, 1500, 2000, 3000, 5000, 10000};
    for (uint32_t level = 1; level <= 6; ++level) {
        game->level = level;
        for (uint32_t score : {thresholds[level - 1] - 1, thresholds[level - 1] + 1000}) {
            game->score = score;
            game->advanceLevel();
        }
        EXPECT_EQ(game->level, level + 1) << "just below the threshold, then one level per call";
    }
    harness::reset();
    harness::onFlip = [&] {
        EXPECT_TRUE(looksLike(harness::flips == 1 ? "level-banner" : "level-banner-gone",
                              {0, 100, 206, 60}));
    };
    game->level = 1;
    game->score = 500;
    game->advanceLevel();
    EXPECT_EQ(harness::now, 3000u) << "the banner's time";
    game->level = 7;
    game->score = 4000000000u;
    game->advanceLevel();
    EXPECT_EQ(game->level, 7u);
    EXPECT_EQ(harness::flips, 2u) << "no banner beyond the last level";
    harness::reset();
    harness::push({harness::QUIT});
    runScreens(*game, STATE_NEW_GAME);  // a new game, closed at once
    EXPECT_EQ(std::tuple(game->level, game->score, game->turns), std::tuple(1u, 0u, 0u));
}
