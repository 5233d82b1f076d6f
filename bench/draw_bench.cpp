// What a drawn frame and a removal cost, on the display the game would use
// (see run.sh). Linked with the tests' harness: the game's pauses move its
// virtual clock unless a benchmark sleeps them for real. Process CPU time
// counts SDL's helper threads too.
#include "app/video.h"
#include "tests/support/harness.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

extern "C" void __real_SDL_Delay(Uint32 ms);

namespace {

// The mid-game position: 56 pieces (the last four marked), an unspent undo
// and both counters with four digits.
constexpr unsigned MID_GAME_SEED = 7;
constexpr int MID_GAME_SPAWNS = 14;
constexpr uint32_t MID_GAME_COUNTER = 1234;
constexpr uint32_t GROUP_CELLS = 4;  // the smallest group that is removed
constexpr int PAUSES_PER_CELL = 16;  // the removal animation's frames
constexpr Uint32 PAUSE_MS = 5;       // and the pause after each

// One real Game for the whole run, at the desktop's depth, set to the
// mid-game position afresh for each benchmark.
Game& midGame()
{
    static Game* game = nullptr;
    if (game == nullptr) {
        applySdlHints();
        game = new Game;
        // The game reads gfx/ from its working directory.
        if (chdir(TESSALORIUM_SOURCE_DIR) != 0 || SDL_Init(SDL_INIT_VIDEO) != 0 ||
            !game->initVideo()) {
            std::fprintf(stderr, "draw_bench: cannot open the game: %s\n", SDL_GetError());
            std::exit(1);
        }
    }
    harness::reset();
    srand(MID_GAME_SEED);
    game->resetBoard();
    for (int spawn = 0; spawn < MID_GAME_SPAWNS; ++spawn) {
        game->spawnPieces();
    }
    game->score = game->turns = MID_GAME_COUNTER;
    game->undoAvailable = true;
    return *game;
}

void drawBoard(benchmark::State& state)
{
    Game& game = midGame();
    for (auto _ : state) {
        game.drawBoard();
    }
}

// Presenting alone: part of every drawBoard.
void flip(benchmark::State& state)
{
    Game& game = midGame();
    for (auto _ : state) {
        SDL_Flip(game.screen);
    }
}

// A row of four removed with its animation: argument 0 on the virtual clock
// (the work alone), 1 with the pauses slept as the game sleeps them.
void removal(benchmark::State& state)
{
    Game& game = midGame();
    if (state.range(0) == 1) {
        harness::onDelay = [] { __real_SDL_Delay(harness::delays.back()); };
    }
    for (auto _ : state) {
        state.PauseTiming();
        game.resetBoard();
        for (uint32_t x = 0; x < GROUP_CELLS; ++x) {
            game.setCell(x, 0, 0);
        }
        harness::delays.clear();
        state.ResumeTiming();
        game.clearGroups();
    }
    if (harness::delays.size() != GROUP_CELLS * PAUSES_PER_CELL) {
        state.SkipWithError("the row was not removed");
    }
}

// The pauses of one removed cell alone, as the system keeps them.
void pauses(benchmark::State& state)
{
    for (auto _ : state) {
        for (int pause = 0; pause < PAUSES_PER_CELL; ++pause) {
            __real_SDL_Delay(PAUSE_MS);
        }
    }
}

}  // namespace

BENCHMARK(drawBoard)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(flip)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(removal)->Arg(0)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(removal)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(pauses)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
