// Whole games of random legal moves, checking after every step what must
// always hold, whatever the pieces and moves.
#include "tests/soak/event_storm.h"
#include "tests/support/fixture.h"

#include <cstdlib>
#include <random>
#include <set>
#include <vector>

namespace {

// The scores a clearing pass can add when it removes `cells` cells: every
// removed group has 4 or more cells and earns 1 + 2 + ... + n.
std::set<uint32_t> possibleGains(uint32_t cells)
{
    std::vector<std::set<uint32_t>> gains(cells + 1);
    gains[0].insert(0);
    for (uint32_t total = 4; total <= cells; ++total) {
        for (uint32_t group = 4; group <= total; ++group) {
            for (uint32_t rest : gains[total - group]) {
                gains[total].insert(rest + group * (group + 1) / 2);
            }
        }
    }
    return gains[cells];
}

}  // namespace

class RulesProperty : public GameTest {
protected:
    // Cell codes, the empty count, markers, level and table as they must be.
    void checkBoard(const char* when) { ASSERT_EQ(storm::brokenInvariant(*game), "") << when; }

    // The largest group left standing, by a plain search of our own.
    uint32_t largestGroup()
    {
        size_t largest = 0;
        for (uint32_t start = 0; start < BOARD_CELLS; ++start) {
            const uint32_t kind = game->board[start];
            if (kind == CELL_EMPTY || kind == CELL_WILD) {
                continue;
            }
            std::vector<bool> seen(BOARD_CELLS, false);
            std::vector<uint32_t> group = {start};
            seen[start] = true;
            for (size_t i = 0; i < group.size(); ++i) {
                const uint32_t n = group[i];
                const uint32_t x = n % BOARD_W;
                const uint32_t y = n / BOARD_W;
                // Off the board stands for the start, which is seen already.
                for (uint32_t m :
                     {x + 1 < BOARD_W ? n + 1 : start, x > 0 ? n - 1 : start,
                      y + 1 < BOARD_H ? n + BOARD_W : start, y > 0 ? n - BOARD_W : start}) {
                    if (!seen[m] && (game->board[m] == kind || game->board[m] == CELL_WILD)) {
                        seen[m] = true;
                        group.push_back(m);
                    }
                }
            }
            largest = std::max(largest, group.size());
        }
        return static_cast<uint32_t>(largest);
    }

    void clearAndCheck(const char* when)
    {
        const auto before = game->board;
        const uint32_t scoreBefore = game->score;
        game->clearGroups();
        uint32_t removed = 0;
        for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
            if (before[n] != game->board[n]) {
                ASSERT_EQ(game->board[n], CELL_EMPTY) << when << ": clearing only empties cells";
                ++removed;
            }
        }
        ASSERT_TRUE(possibleGains(removed).count(game->score - scoreBefore))
            << when << ": " << removed << " cells removed for " << game->score - scoreBefore;
        ASSERT_LT(largestGroup(), 4u) << when << ": a group was left standing";
        checkBoard(when);
    }
};

TEST_F(RulesProperty, RandomGamesKeepTheBoardSoundToTheEnd)
{
    harness::presentFrames(false);
    for (int seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 player(static_cast<unsigned>(seed));
        srand(static_cast<unsigned>(seed));
        game->resetBoard();
        game->undoAvailable = true;
        game->spawnPieces();
        game->spawnPieces();
        uint32_t moves = 0;
        uint32_t lastLevel = 1;

        while (game->emptyCount > 0) {
            const std::vector<storm::Move> legal = storm::legalMoves(*game);
            if (legal.empty()) {
                break;  // only fixed pieces can reach the empty cells: stuck
            }
            const storm::Move move = legal[player() % legal.size()];
            const uint32_t scoreBefore = game->score;
            ASSERT_TRUE(game->tryMove(move.fromColumn, move.fromRow, move.toColumn, move.toRow));
            ++moves;
            ASSERT_EQ(game->score, scoreBefore) << "a move alone scores nothing";
            ASSERT_LE(game->turns, moves);

            clearAndCheck("after the move");
            game->spawnPieces();
            checkBoard("after the spawn");
            clearAndCheck("after the spawn's clearing");
            game->advanceLevel();
            ASSERT_GE(game->level, lastLevel);
            ASSERT_LE(game->level, lastLevel + 1);
            lastLevel = game->level;

            if (game->undoAvailable && player() % 20 == 0) {
                const uint32_t saved = game->savedScore;
                const uint32_t turns = game->turns;
                game->undoMove();
                ASSERT_EQ(game->score, saved);
                ASSERT_EQ(game->turns, turns - 1);
                ASSERT_FALSE(game->undoAvailable);
                checkBoard("after the undo");
            }
        }
        EXPECT_GT(moves, 10u);
    }
}
