#include "bench/bench_game.h"

#if __has_include("app/sdl_hints.h")
#include "app/sdl_hints.h"
#define BENCH_HAS_SDL_HINTS 1
#endif

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace bench {

Game* openGame(int depth)
{
    // The game reads gfx/ from its working directory.
    if (chdir(TESSALORIUM_SOURCE_DIR) != 0) {
        perror(TESSALORIUM_SOURCE_DIR);
        std::exit(1);
    }
#ifdef BENCH_HAS_SDL_HINTS
    applySdlHints();
#endif
    if (SDL_Init(SDL_INIT_VIDEO) == -1) {
        fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        std::exit(1);
    }
    pretendDesktopDepth(depth);
    Game* game = new Game;
    if (!game->initVideo()) {
        fprintf(stderr, "initVideo: %s\n", SDL_GetError());
        std::exit(1);
    }
    if (depth != 0 && game->screen->format->BitsPerPixel != depth) {
        fprintf(stderr, "asked for %d bits per pixel, got %d\n", depth,
                game->screen->format->BitsPerPixel);
        std::exit(1);
    }
    game->resetBoard();
    return game;
}

void closeGame(Game* game)
{
    delete game;
    SDL_Quit();
}

void setBoard(Game& game, const char* const rows[BOARD_H])
{
    for (uint32_t y = 0; y < BOARD_H; ++y) {
        for (uint32_t x = 0; x < BOARD_W; ++x) {
            const char c = rows[y][x];
            uint32_t code = CELL_EMPTY;
            if (c == 'W') {
                code = CELL_WILD;
            } else if (c == 'F') {
                code = CELL_FIXED;
            } else if (c >= '0' && c <= '6') {
                code = static_cast<uint32_t>(c - '0');
            }
            game.setCell(x, y, code);
        }
    }
    game.countEmptyCells();
}

void setMidGame(Game& game)
{
    static const char* const rows[BOARD_H] = {
        "01.23.4.5.", "1.2.3.W.60", ".12.3F.01.", "2.31.0.4.2", "3.0.2.1.3.",
        ".4.1.2.0.1", "5.3.W.1.2.", ".0.2.3.1.4", "1.F.0.2.3.", ".2.1.3.0.5",
    };
    setBoard(game, rows);
    game.markers = {CellPos{0, 0}, CellPos{3, 2}, CellPos{9, 9}, CellPos{6, 1}};
    game.score = 1234;
    game.turns = 56;
    game.undoAvailable = true;
    game.level = 2;
}

}  // namespace bench
