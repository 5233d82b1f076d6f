#include "render/colors.h"
#include "tests/support/fixture.h"

#include <algorithm>
#include <utility>
#include <vector>

using GroupsTest = GameTest;

TEST_F(GroupsTest, WhatGoesAndWhatStays)
{
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        std::vector<std::string> after;
        uint32_t points;
    };
    const Case cases[] = {
        {"three in a row stay", {"222"}, {"222"}, 0},
        {"a fourth at the end removes them", {"2222"}, {}, 10},
        {"a wildcard completes an L", {"0", "0", "0W"}, {}, 10},
        {"wildcards alone never group", {"WW", "WW"}, {"WW", "WW"}, 0},
        {"fixed pieces group like any kind", {"FFFF"}, {}, 10},
        {"diagonal neighbours do not join", {"1.1", ".1.1", "1.1"}, {"1.1", ".1.1", "1.1"}, 0},
        {"the wildcard goes with the first group scanned", {"000W111"}, {"....111"}, 10},
        {"a wildcard can serve two groups that both fail", {"00W11"}, {"00W11"}, 0},
        {"two separate fours score apart", {"3333.3333"}, {}, 20},
        {"one group of eight scores more than two fours", {"3333W333"}, {}, 36},
    };
    for (const Case& c : cases) {
        setBoard(c.rows);
        game->score = 0;
        game->clearGroups();
        const std::string expected = boardOf(c.after);
        EXPECT_EQ(boardText(), expected) << c.what;
        EXPECT_EQ(game->score, c.points) << c.what;
        EXPECT_EQ(game->emptyCount, std::count(expected.begin(), expected.end(), '.')) << c.what;
    }
}

TEST_F(GroupsTest, CellsGoOneByOneInTheOrderTheWalkEnteredThem)
{
    // The walk starts on the 1 at (1, 1) and meets a neighbour in every
    // direction: right, up, left, down is the order of removal.
    setBoard({".W", "W11", ".1"});
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
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {
        {1, 1}, {2, 1}, {1, 0}, {0, 1}, {1, 2}};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(scores, (std::vector<uint32_t>{1, 3, 6, 10, 15}));
}

TEST_F(GroupsTest, EachRemovedCellShowsAGrowingSquareAndItsNumber)
{
    // A row of ten at the bottom: numbers " 1" to "10".
    for (uint32_t x = 0; x < BOARD_W; ++x) {
        game->setCell(x, 9, 2);
    }
    game->drawBoard();
    const screen::Shot before = screen::shoot(game->screen);
    const int top = static_cast<int>(BOARD_Y + 9 * TILE_H);
    unsigned flip = 0;
    harness::onFlip([&](SDL_Surface* surface) {
        // Animation frames alternate with the redraws that follow them.
        const uint32_t cell = flip / (2 * TILE_W);
        const int side = static_cast<int>(flip / 2 % TILE_W) + 1;
        const bool redraw = flip++ % 2 != 0;
        if (cell >= BOARD_W) {
            return;
        }
        char text[8];
        if (redraw) {
            snprintf(text, sizeof text, "%5u", cell * (cell + 1) / 2);
            EXPECT_EQ(screen::textAt(*game, 132, 26, 5, COLOR_MAGENTA), text)
                << "the score counts the cells gone before";
            return;
        }
        snprintf(text, sizeof text, "%2u", cell + 1);
        const int left = static_cast<int>(BOARD_X + cell * TILE_W);
        bool numbered = false;
        for (const SDL_Color* color : {&COLOR_MAGENTA, &COLOR_GREEN, &COLOR_BLUE, &COLOR_YELLOW}) {
            numbered |= screen::textAt(*game, left - 3, top, 2, *color) == text;
        }
        EXPECT_TRUE(numbered) << "cell " << cell << " side " << side;
        // Left of a single digit the square is all there is to see.
        const int offset = (static_cast<int>(TILE_W) - side) / 2;
        for (int y = top; y < top + static_cast<int>(TILE_H) && cell < 9; ++y) {
            for (int x = left; x < left + 7; ++x) {
                const bool inside = x >= left + offset && x < left + offset + side &&
                                    y >= top + offset && y < top + offset + side;
                ASSERT_EQ(screen::pixel(surface, x, y),
                          (inside ? screen::Rgb{255, 255, 255} : before.at(x, y)))
                    << "cell " << cell << " side " << side << " at " << x << "," << y;
            }
        }
    });

    game->clearGroups();

    EXPECT_EQ(flip, 10u * 16u * 2u + 1u);
    EXPECT_EQ(harness::delays(), std::vector<uint32_t>(160, 5)) << "5 ms per frame, 80 per cell";
    EXPECT_EQ(game->score, 55u);
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
        game->clearGroups();
        EXPECT_EQ(game->markers[1].x, c.cleared ? NO_MARKER : 3u)
            << c.group[0].first << "," << c.group[0].second;
    }
}
