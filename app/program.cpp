// Start-up, the screen state machine and shut-down.
#include "app/program.h"

#include "app/platform.h"
#include "app/video.h"
#include "game/game.h"
#include "play/play_loop.h"
#include "scores/highscores.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

const Game* theRunningGame = nullptr;

// Room for our words and any reason SDL gives (its own room is 1024 bytes).
constexpr size_t LINE_SIZE = 2048;

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

// SDL 2 falls back to a driver that shows nothing when no display answers.
// Only a driver that SDL_VIDEODRIVER names itself (the tests' dummy) may be
// one of those; the launcher names real drivers there too (wayland,x11).
bool hasDisplay()
{
    char name[32] = "";
    if (SDL_VideoDriverName(name, sizeof name) == nullptr) {
        return true;
    }
    if (std::strcmp(name, "offscreen") != 0 && std::strcmp(name, "dummy") != 0) {
        return true;
    }
    const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
    return chosen != nullptr && std::strstr(chosen, name) != nullptr;
}

// Every way the program cannot start says so in one line (platform.h),
// and ends with 1.
int cannotStart(const char* why, const char* detail)
{
    char line[LINE_SIZE];
    std::snprintf(line, sizeof line, "%s (%s)", why, detail);
    tellStartFailure(line);
    return 1;
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
    enterPlayerFolder();
    applySdlHints();
    if (SDL_Init(SDL_INIT_VIDEO) == -1) {
        return cannotStart("could not initialize SDL", SDL_GetError());
    }
    if (!hasDisplay()) {
        SDL_Quit();
        return cannotStart("no display to open the window on",
                           "neither DISPLAY nor WAYLAND_DISPLAY names one that answers");
    }

    HighscoreTable::instance();
    std::unique_ptr<Game> game(new (std::nothrow) Game);
    if (!game) {
        tellStartFailure("not enough memory to start");
    }
    const bool started = game && game->initVideo();
    if (started) {
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
    return started ? 0 : 1;
}
