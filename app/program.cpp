// Start-up, the screen state machine and shut-down.
#include "app/program.h"

#include "app/screen_state.h"
#include "app/sdl_hints.h"
#include "app/title.h"
#include "game/game.h"
#include "play/play_loop.h"
#include "scores/highscores.h"

#include <cstdio>
#include <memory>
#include <new>

namespace {

const Game* theRunningGame = nullptr;

void startNewGame(Game& game)
{
    game.resetBoard();
    game.undoAvailable = true;
    // Two spawns and no clearing: a group among the first pieces waits for
    // the first move.
    game.spawnPieces();
    game.spawnPieces();
    game.drawBoard();
}

// One step of the screen flow: does the state's work, returns the next state.
ScreenState runState(Game& game, ScreenState state)
{
    switch (state) {
    case STATE_TITLE:
        return titleScreen(game);
    case STATE_NEW_GAME:
        startNewGame(game);
        return STATE_PLAY;
    case STATE_PLAY:
        return playLoop(game, STATE_PLAY);
    case STATE_GAME_ENDED:
        return STATE_TITLE;
    default:
        return STATE_QUIT;
    }
}

}  // namespace

const Game* runningGame()
{
    return theRunningGame;
}

void runScreens(Game& game, ScreenState state)
{
    while (state != STATE_QUIT) {
        state = runState(game, state);
    }
}

int runProgram()
{
    applySdlHints();
    if (SDL_Init(SDL_INIT_VIDEO) == -1) {
        printf("Could not initialize SDL: %s.\n", SDL_GetError());
        return -1;
    }

    HighscoreTable::instance();
    std::unique_ptr<Game> game(new (std::nothrow) Game);
    if (game && game->initVideo()) {
        game->resetBoard();
        theRunningGame = game.get();
        runScreens(*game, STATE_TITLE);
        theRunningGame = nullptr;
    }

    // Saves the table if a score ranked in this run.
    HighscoreTable::shutdown();
    // The bitmaps go back before SDL itself does.
    game.reset();
    SDL_Quit();
    return 0;
}
