// Whole games of random legal moves, checking after every step what must
// always hold, whatever the pieces and moves.
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

int gamesToPlay()
{
    const char* games = getenv("TESSALORIUM_PROPERTY_GAMES");
    return games != nullptr ? atoi(games) : 12;
}

}  // namespace

class RulesProperty : public GameTest {
protected:
    void checkBoard(const char* when)
    {
        uint32_t empty = 0;
        for (uint32_t code : game->board) {
            ASSERT_LE(code, CELL_EMPTY) << when;
            empty += code == CELL_EMPTY;
        }
        ASSERT_EQ(game->emptyCount, empty) << when;
        for (uint32_t i = 0; i < game->emptyCount; ++i) {
            const CellPos cell = game->empties[i];
            ASSERT_EQ(game->getCell(cell.x, cell.y), CELL_EMPTY) << when;
        }
        for (const CellPos& marker : game->markers) {
            if (marker.x != NO_MARKER) {
                ASSERT_LT(marker.x, BOARD_W) << when;
                ASSERT_LT(marker.y, BOARD_H) << when;
            }
        }
    }

    // The largest group left standing, by a plain search of our own.
    uint32_t largestGroup()
    {
        uint32_t largest = 0;
        for (uint32_t start = 0; start < BOARD_CELLS; ++start) {
            const uint32_t kind = game->board[start];
            if (kind == CELL_EMPTY || kind == CELL_WILD) {
                continue;
            }
            std::vector<bool> seen(BOARD_CELLS, false);
            std::vector<uint32_t> todo = {start};
            seen[start] = true;
            uint32_t size = 0;
            while (!todo.empty()) {
                const uint32_t n = todo.back();
                todo.pop_back();
                ++size;
                const int x = static_cast<int>(n % BOARD_W);
                const int y = static_cast<int>(n / BOARD_W);
                const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
                for (const auto& step : steps) {
                    const int nx = x + step[0];
                    const int ny = y + step[1];
                    if (nx < 0 || ny < 0 || nx >= (int)BOARD_W || ny >= (int)BOARD_H) {
                        continue;
                    }
                    const uint32_t m = static_cast<uint32_t>(ny) * BOARD_W + nx;
                    const uint32_t code = game->board[m];
                    if (!seen[m] && (code == kind || code == CELL_WILD)) {
                        seen[m] = true;
                        todo.push_back(m);
                    }
                }
            }
            largest = std::max(largest, size);
        }
        return largest;
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
    const int games = gamesToPlay();
    harness::presentFrames(false);
    for (int seed = 1; seed <= games; ++seed) {
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
            std::vector<std::array<uint32_t, 4>> legal;
            for (uint32_t y = 0; y < BOARD_H; ++y) {
                for (uint32_t x = 0; x < BOARD_W; ++x) {
                    const uint32_t code = game->getCell(x, y);
                    if (code == CELL_EMPTY || code == CELL_FIXED) {
                        continue;
                    }
                    for (int dy = -1; dy <= 1; ++dy) {
                        for (int dx = -1; dx <= 1; ++dx) {
                            const uint32_t tx = x + dx;
                            const uint32_t ty = y + dy;
                            if (tx < BOARD_W && ty < BOARD_H &&
                                game->getCell(tx, ty) == CELL_EMPTY) {
                                legal.push_back({x, y, tx, ty});
                            }
                        }
                    }
                }
            }
            if (legal.empty()) {
                break;  // only fixed pieces can reach the empty cells: stuck
            }
            const auto move = legal[player() % legal.size()];
            const uint32_t scoreBefore = game->score;
            ASSERT_TRUE(game->tryMove(move[0], move[1], move[2], move[3]));
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
            ASSERT_LE(game->level, 7u);

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
