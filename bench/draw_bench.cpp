// CPU cost of drawing and of one turn, with the game's pauses taken out by
// the virtual clock. Run on the display the game would use (see run.sh);
// process CPU time counts helper threads of the SDL back end too.
#include "bench/bench_game.h"
#include "render/colors.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

namespace {

void drawBoard(benchmark::State& state)
{
    Game* game = bench::openGame(static_cast<int>(state.range(0)));
    bench::setMidGame(*game);
    for (auto _ : state) {
        game->drawBoard();
    }
    bench::closeGame(game);
}

// What presenting alone costs: part of every drawBoard.
void flip(benchmark::State& state)
{
    Game* game = bench::openGame(static_cast<int>(state.range(0)));
    bench::setMidGame(*game);
    game->drawBoard();
    for (auto _ : state) {
        SDL_Flip(game->screen);
    }
    bench::closeGame(game);
}

// Reported per character: nine stamps and two palette changes each.
void drawText(benchmark::State& state)
{
    Game* game = bench::openGame(static_cast<int>(state.range(0)));
    game->drawBoard();
    const double characters = static_cast<double>(strlen(bench::SAMPLE_TEXT));
    for (auto _ : state) {
        game->drawText(bench::SAMPLE_TEXT, 0, 100, &COLOR_GREEN);
    }
    state.counters["per_char"] = benchmark::Counter(
        characters, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    bench::closeGame(game);
}

// One whole turn as the play loop runs it after a release over the board:
// the move, both clearing passes around the spawn, and the level check.
// Argument 0: a quiet move; 1: the move completes a group of four, which is
// removed with its animation (64 frames).
void turn(benchmark::State& state)
{
    static const char* const rows[BOARD_H] = {
        "000....1.2", "....0..3.1", ".12.3F.5..", "2.3..6.4.2", "3.5.2.1.3.",
        ".4.1.2.6.1", "5.3.W.1.2.", ".6.2.3.1.4", "1.F.6.2.3.", ".2.1.3.5.1",
    };
    const bool group = state.range(0) != 0;
    Game* game = bench::openGame(0);
    for (auto _ : state) {
        state.PauseTiming();
        bench::setBoard(*game, rows);
        game->score = 0;
        game->turns = 10;
        game->level = 1;
        game->undoAvailable = true;
        game->markers = {CellPos{NO_MARKER, 0}, CellPos{NO_MARKER, 0}, CellPos{NO_MARKER, 0},
                         CellPos{NO_MARKER, 0}};
        srand(7);
        state.ResumeTiming();
        const bool moved = group ? game->tryMove(4, 1, 3, 0) : game->tryMove(9, 9, 8, 9);
        if (moved) {
            game->clearGroups();
            game->spawnPieces();
            game->clearGroups();
            game->advanceLevel();
        }
        benchmark::DoNotOptimize(game->score);
    }
    if (group && game->score == 0) {
        state.SkipWithError("the move removed no group");
    }
    bench::closeGame(game);
}

}  // namespace

// 0: the desktop's depth (32 bits per pixel on a depth-24 X display).
BENCHMARK(drawBoard)->Arg(0)->Arg(8)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(flip)->Arg(0)->Arg(8)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(drawText)->Arg(0)->Arg(8)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(turn)->Arg(0)->Arg(1)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
