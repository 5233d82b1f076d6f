// A fixed amount of drawing for instruction counts under callgrind:
//   draw_profile board DEPTH CALLS   CALLS x drawBoard of the mid-game position
//   draw_profile text DEPTH CALLS    CALLS x drawText of the sample text
// run.sh divides callgrind's count of the toggled function by the calls.
#include "bench/bench_game.h"
#include "render/colors.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[])
{
    if (argc != 4 || (strcmp(argv[1], "board") != 0 && strcmp(argv[1], "text") != 0)) {
        fprintf(stderr, "usage: %s board|text DEPTH CALLS\n", argv[0]);
        return 2;
    }
    const bool board = strcmp(argv[1], "board") == 0;
    const int calls = atoi(argv[3]);
    Game* game = bench::openGame(atoi(argv[2]));
    bench::setMidGame(*game);
    for (int i = 0; i < calls; ++i) {
        if (board) {
            game->drawBoard();
        } else {
            game->drawText(bench::SAMPLE_TEXT, 0, 100, &COLOR_GREEN);
        }
    }
    bench::closeGame(game);
    return 0;
}
