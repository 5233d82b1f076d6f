// Tessalorium: a tile puzzle. Takes no arguments; reads gfx/ and
// hiscores.dat from the working directory.
#include "app/program.h"

#include <SDL.h>

int main(int argc, char* argv[])
{
    (void)argc;
    (void)argv;
    return runProgram();
}
