#include "render/colors.h"
#include "tests/support/fixture.h"

#include <utility>
#include <vector>

using GroupsTest = GameTest;

namespace {

const char* const EMPTY_ROW = "..........";

}  // namespace

TEST_F(GroupsTest, WhatGoesAndWhatStays)
{
    struct Case {
        const char* what;
        const char* rows[4];  // the top four rows; the rest of the board is empty
        const char* after[4];
        uint32_t points;
    };
    const char* const E = EMPTY_ROW;
    const Case cases[] = {
        {"three in a row stay", {"222.......", E, E, E}, {"222.......", E, E, E}, 0},
        {"a fourth at the end removes them", {"2222......", E, E, E}, {E, E, E, E}, 10},
        {"a wildcard completes an L",
         {"0.........", "0.........", "0W........", E},
         {E, E, E, E},
         10},
        {"wildcards alone never group",
         {"WW........", "WW........", E, E},
         {"WW........", "WW........", E, E},
         0},
        {"fixed pieces group like any kind",
         {"F.........", "F.........", "F.........", "F........."},
         {E, E, E, E},
         10},
        {"diagonal neighbours do not join",
         {"1.1.......", ".1.1......", "1.1.......", E},
         {"1.1.......", ".1.1......", "1.1.......", E},
         0},
        {"the wildcard goes with the first group scanned",
         {"000W111...", E, E, E},
         {"....111...", E, E, E},
         10},
        {"first in reading order wins the wildcard",
         {"..2.......", "..2.......", "..2W111...", E},
         {E, E, "....111...", E},
         10},
        {"a wildcard can serve two groups that both fail",
         {"00W11.....", E, E, E},
         {"00W11.....", E, E, E},
         0},
        {"two separate fours score apart", {"3333.3333.", E, E, E}, {E, E, E, E}, 20},
        {"one group of eight scores more than two fours",
         {"3333W333..", E, E, E},
         {E, E, E, E},
         36},
    };
    for (const Case& c : cases) {
        setBoard({c.rows[0], c.rows[1], c.rows[2], c.rows[3], E, E, E, E, E, E});
        game->score = 0;
        game->clearGroups();
        std::string expected;
        for (const char* row : c.after) {
            expected += std::string(row) + "\n";
        }
        for (uint32_t i = 4; i < BOARD_H; ++i) {
            expected += std::string(E) + "\n";
        }
        EXPECT_EQ(boardText(), expected) << c.what;
        EXPECT_EQ(game->score, c.points) << c.what;
    }
}

TEST_F(GroupsTest, GroupScoresGrowAsTriangularNumbers)
{
    const uint32_t expected[] = {10, 15, 21, 28, 36, 45, 55};
    for (uint32_t size = 4; size <= 10; ++size) {
        game->resetBoard();
        for (uint32_t x = 0; x < size; ++x) {
            game->setCell(x, 5, 6);
        }
        game->clearGroups();
        EXPECT_EQ(game->score, expected[size - 4]) << size;
        EXPECT_EQ(game->emptyCount, BOARD_CELLS);
    }
}

TEST_F(GroupsTest, FloodGroupCountsTheWholeGroupEvenWhenItStays)
{
    setBoard({"11W.......", "1.........", EMPTY_ROW, EMPTY_ROW, EMPTY_ROW, EMPTY_ROW, EMPTY_ROW,
              EMPTY_ROW, EMPTY_ROW, "....2....."});
    EXPECT_EQ(game->floodGroup(4, 9), 1u);
    EXPECT_EQ(game->visited[9 * BOARD_W + 4], 1u);
    EXPECT_EQ(game->floodGroup(0, 0), 4u);
    EXPECT_EQ(game->score, 10u);
    EXPECT_EQ(game->visited[9 * BOARD_W + 4], 0u) << "flags are cleared when a walk begins";
    EXPECT_EQ(game->visited[0 * BOARD_W + 2], 1u) << "and kept after it ends";

    setBoard({"1W1.......", EMPTY_ROW, EMPTY_ROW, EMPTY_ROW, EMPTY_ROW, EMPTY_ROW, EMPTY_ROW,
              EMPTY_ROW, EMPTY_ROW, EMPTY_ROW});
    EXPECT_EQ(game->floodGroup(2, 0), 3u);
    EXPECT_EQ(boardText().substr(0, 3), "1W1");
}

TEST_F(GroupsTest, CellsGoOneByOneInTheOrderTheWalkEnteredThem)
{
    setBoard({"11........", "11........", EMPTY_ROW, EMPTY_ROW, EMPTY_ROW, EMPTY_ROW, EMPTY_ROW,
              EMPTY_ROW, EMPTY_ROW, EMPTY_ROW});
    std::vector<std::pair<uint32_t, uint32_t>> order;
    std::vector<uint32_t> scores;
    auto previous = game->board;
    harness::onFlip([&](SDL_Surface*) {
        for (uint32_t i = 0; i < BOARD_CELLS; ++i) {
            if (previous[i] != CELL_EMPTY && game->board[i] == CELL_EMPTY) {
                order.emplace_back(i % BOARD_W, i / BOARD_W);
                scores.push_back(game->score);
            }
        }
        previous = game->board;
    });
    game->clearGroups();
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(scores, (std::vector<uint32_t>{1, 3, 6, 10}));
}

TEST_F(GroupsTest, EachRemovedCellShowsAGrowingSquareAndItsNumber)
{
    // A row of ten at the bottom: numbers " 1" to "10".
    for (uint32_t x = 0; x < BOARD_W; ++x) {
        game->setCell(x, 9, 2);
    }
    game->countEmptyCells();
    game->drawBoard();
    const screen::Shot piece = screen::shoot(game->screen);

    struct Frame {
        uint32_t cell;  // which removal, 0-based
        uint32_t side;
        std::string number;
        std::string hudScore;
        bool squareRight = true;
    };
    std::vector<Frame> frames;
    unsigned flip = 0;
    const SDL_Color* colors[] = {&COLOR_MAGENTA, &COLOR_GREEN, &COLOR_BLUE, &COLOR_YELLOW};
    harness::onFlip([&](SDL_Surface* surface) {
        // Animation frames alternate with the redraws that follow them.
        if (flip++ % 2 != 0) {
            if (!frames.empty() && frames.back().hudScore.empty()) {
                frames.back().hudScore = screen::textAt(*game, 132, 26, 5, COLOR_MAGENTA);
            }
            return;
        }
        if (frames.size() >= 160) {
            return;
        }
        Frame frame;
        frame.cell = static_cast<uint32_t>(frames.size() / TILE_W);
        frame.side = static_cast<uint32_t>(frames.size() % TILE_W) + 1;
        const int left = static_cast<int>(BOARD_X + frame.cell * TILE_W);
        const int top = static_cast<int>(BOARD_Y + 9 * TILE_H);
        for (const SDL_Color* color : colors) {
            const std::string text = screen::textAt(*game, left - 3, top, 2, *color);
            if (text.find_first_not_of(' ') != std::string::npos && text.find('?') == text.npos) {
                frame.number = text;
            }
        }
        // Left of the number's digits the square is all there is to see.
        const int offset = static_cast<int>((TILE_W - frame.side) / 2);
        const int firstDigitX = left - 3 + static_cast<int>(GLYPH_W) - 1;
        for (int y = top; y < top + static_cast<int>(TILE_H); ++y) {
            for (int x = left; x < firstDigitX && x < left + static_cast<int>(TILE_W); ++x) {
                if (frame.number.size() == 2 && frame.number[0] != ' ' && x >= left - 4) {
                    break;  // two digits cover the whole strip
                }
                const bool inside = x >= left + offset && x < left + offset + (int)frame.side &&
                                    y >= top + offset && y < top + offset + (int)frame.side;
                const screen::Rgb expected = inside ? screen::Rgb{255, 255, 255} : piece.at(x, y);
                if (screen::pixel(surface, x, y) != expected) {
                    frame.squareRight = false;
                }
            }
        }
        frames.push_back(frame);
    });

    game->clearGroups();

    ASSERT_EQ(frames.size(), 160u);
    EXPECT_EQ(harness::flips(), 1u + 10u * 16u * 2u + 1u);
    EXPECT_EQ(harness::delays(), std::vector<uint32_t>(160, 5)) << "5 ms per frame, 80 per cell";
    uint32_t points = 0;
    for (const Frame& frame : frames) {
        char number[4];
        snprintf(number, sizeof number, "%2u", frame.cell + 1);
        EXPECT_EQ(frame.number, number) << "cell " << frame.cell << " side " << frame.side;
        EXPECT_TRUE(frame.squareRight) << "cell " << frame.cell << " side " << frame.side;
        char hud[8];
        snprintf(hud, sizeof hud, "%5u", points);
        EXPECT_EQ(frame.hudScore, hud) << "redraws count the cells before";
        if (frame.side == TILE_W) {
            points += frame.cell + 1;
        }
    }
    EXPECT_EQ(game->score, 55u);
}

TEST_F(GroupsTest, NothingToClearMeansNoAnimationButOneRedraw)
{
    setBoard({"0123W.....", "F6........", EMPTY_ROW, EMPTY_ROW, EMPTY_ROW, EMPTY_ROW, EMPTY_ROW,
              EMPTY_ROW, EMPTY_ROW, EMPTY_ROW});
    game->setCell(9, 9, 1);  // not yet counted
    game->clearGroups();
    EXPECT_EQ(harness::flips(), 1u);
    EXPECT_TRUE(harness::delays().empty());
    EXPECT_EQ(game->emptyCount, 92u);
}

TEST_F(GroupsTest, RemovalClearsMarkersOnAndJustRightOrBelowTheCell)
{
    struct Case {
        std::vector<std::pair<uint32_t, uint32_t>> group;
        bool cleared;
    };
    const Case cases[] = {
        {{{3, 3}, {3, 4}, {3, 5}, {3, 6}}, true},  // the marker's own cell
        {{{2, 2}, {1, 2}, {0, 2}, {0, 1}}, true},  // up-left of it
        {{{3, 2}, {3, 1}, {3, 0}, {2, 0}}, true},  // above it
        {{{2, 3}, {1, 3}, {0, 3}, {0, 4}}, true},  // left of it
        {{{4, 3}, {5, 3}, {6, 3}, {7, 3}}, false}, {{{3, 4}, {3, 5}, {3, 6}, {3, 7}}, false},
        {{{4, 4}, {5, 4}, {6, 4}, {7, 4}}, false},
    };
    for (const Case& c : cases) {
        game->resetBoard();
        game->setCell(3, 3, 2);
        for (const auto& cell : c.group) {
            game->setCell(cell.first, cell.second, 0);
        }
        game->markers[1] = {3, 3};
        game->markers[2] = {8, 8};
        game->clearGroups();
        EXPECT_EQ(game->markers[1].x, c.cleared ? NO_MARKER : 3u)
            << c.group[0].first << "," << c.group[0].second;
        EXPECT_EQ(game->markers[1].y, 3u);
        EXPECT_EQ(game->markers[2].x, 8u);
    }
}
