// Wall time of the removal animation on a real display, with real pauses:
// each removed cell shows 16 frames with a 5 ms pause after each, so 80 ms
// per cell is the floor. Prints one JSON object with medians.
#include "bench/bench_game.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t GROUP_CELLS = 8;
constexpr double FLOOR_MS = 16 * 5;
constexpr int FRAMES_TIMED = 100;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void setRow(Game& game, bool group)
{
    static const char* const withGroup[BOARD_H] = {
        "00000000.1", "..........", "..........", "..........", "..........",
        "..........", "..........", "..........", "..........", "..........",
    };
    static const char* const without[BOARD_H] = {
        "010101010.", "..........", "..........", "..........", "..........",
        "..........", "..........", "..........", "..........", "..........",
    };
    bench::setBoard(game, group ? withGroup : without);
}

}  // namespace

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    Game* game = bench::openGame(0);
    game->drawBoard();

    std::vector<double> perCell;
    std::vector<double> sleeps;
    std::vector<double> redraws;
    std::vector<double> flips;
    for (int run = 0; run < runs; ++run) {
        // The pass over a board without a group: the scan and one redraw.
        setRow(*game, false);
        Clock::time_point start = Clock::now();
        game->clearGroups();
        const double scanOnly = millisecondsSince(start);

        setRow(*game, true);
        start = Clock::now();
        game->clearGroups();
        const double whole = millisecondsSince(start);
        if (game->getCell(0, 0) != CELL_EMPTY) {
            fprintf(stderr, "the group was not removed\n");
            return 1;
        }
        perCell.push_back((whole - scanOnly) / GROUP_CELLS);

        // The pauses of one cell alone, as the system keeps them.
        start = Clock::now();
        for (int frame = 0; frame < 16; ++frame) {
            SDL_Delay(5);
        }
        sleeps.push_back(millisecondsSince(start));

        // The two kinds of frame the animation shows, in wall time on this
        // display: a full redraw, and a flip alone.
        start = Clock::now();
        for (int i = 0; i < FRAMES_TIMED; ++i) {
            game->drawBoard();
        }
        redraws.push_back(millisecondsSince(start) * 1000 / FRAMES_TIMED);
        start = Clock::now();
        for (int i = 0; i < FRAMES_TIMED; ++i) {
            SDL_Flip(game->screen);
        }
        flips.push_back(millisecondsSince(start) * 1000 / FRAMES_TIMED);
    }
    const double cell = median(perCell);
    const double sleep = median(sleeps);
    printf(
        "{\"removal_cell_ms\": %.3f, \"removal_ratio\": %.4f, \"sleep_only_ms\": %.3f, "
        "\"sleep_only_ratio\": %.4f, \"draw_board_wall_us\": %.1f, \"flip_wall_us\": %.1f, "
        "\"runs\": %d}\n",
        cell, cell / FLOOR_MS, sleep, sleep / FLOOR_MS, median(redraws), median(flips), runs);
    bench::closeGame(game);
    return 0;
}
