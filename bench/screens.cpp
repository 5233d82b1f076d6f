// Writes what the game draws in a few fixed situations as BMP files, so two
// builds can be compared pixel for pixel after a change to drawing:
//   screens DEPTH DIR
// The pauses are real but short (a removal of four cells, two attract passes).
#include "app/title.h"
#include "bench/bench_game.h"
#include "render/colors.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void save(Game& game, const std::string& dir, const char* name)
{
    const std::string path = dir + "/" + name + ".bmp";
    if (SDL_SaveBMP(game.screen, path.c_str()) != 0) {
        fprintf(stderr, "%s: %s\n", path.c_str(), SDL_GetError());
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s DEPTH DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[2];
    Game* game = bench::openGame(atoi(argv[1]));

    bench::setMidGame(*game);
    game->drawBoard();
    save(*game, dir, "board");

    game->drawCellTile(4, 4, TILE_CURSOR_OK);
    game->drawCellTile(5, 4, TILE_CURSOR_BAD);
    game->drawNewGameLabel(&COLOR_WHITE);
    game->drawUndoLabel(&COLOR_WHITE);
    save(*game, dir, "drag");

    game->drawBoard();
    game->drawText("!\"#$%&'()*+,-./0123456789:;<=>?@", 0, 60, &COLOR_MAGENTA);
    game->drawText("ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0, 80, &COLOR_GREEN);
    game->drawText("abcdefghijklmnopqrstuvwxyz", 0, 100, &COLOR_BLUE);
    game->drawText("[\\]^_`{|}~ \x80\xff", 0, 120, &COLOR_YELLOW);
    game->drawText("Outline", 20, 140, &COLOR_OUTLINE);
    srand(3);
    game->drawText("Random", 20, 160, &COLOR_RANDOM);
    save(*game, dir, "text");

    // The last frame of the first removed cell: square, counter and redraw.
    static const char* const group[BOARD_H] = {
        "..........", ".1111.....", "..........", "..........", "..........",
        "..........", "..........", "..........", "..........", "..........",
    };
    bench::setBoard(*game, group);
    game->markers = {CellPos{2, 2}, CellPos{NO_MARKER, 0}, CellPos{NO_MARKER, 0},
                     CellPos{NO_MARKER, 0}};
    srand(5);
    game->clearGroups();
    save(*game, dir, "removed");

    srand(9);
    bench::setMidGame(*game);
    game->drawBoard();
    game->showAttract(120);
    save(*game, dir, "attract");

    bench::closeGame(game);
    return 0;
}
