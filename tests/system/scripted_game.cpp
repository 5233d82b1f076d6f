// tessalorium_scripted: the real program (runProgram and everything under
// it) driven by a script of input instead of a player, with time virtual,
// for runs that must be reproducible and need no display: Valgrind, the
// kill tests and the two-instance test.
//
//   tessalorium_scripted SCRIPT
//
// One command per line; '#' starts a comment.
//   seed N          at the first event, seed the random sequence with N, so
//                   the pieces and therefore the game follow from the script
//   key NAME [MOD]  a key press: return, escape, space, backspace, a single
//                   character, or a key symbol number; MOD a number
//   type TEXT       one key press per character (letters, digits, ...)
//   click X Y       a press and a release at a window pixel
//   motion X Y      a mouse motion
//   moves N         N legal moves, each a drag picked from the board
//   play            legal moves until the board is full (game over)
//   quit            a quit request
//   interrupt       raise SIGINT, which SDL turns into a quit request
//   end             close the program from whatever screen shows (implied
//                   at the end of the script)
// At exit a line on standard error tells what happened, and the exit code is
// runProgram's, or 3 when the script cannot be followed.
#include "app/program.h"
#include "game/game.h"
#include "tests/soak/event_storm.h"
#include "tests/support/harness.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int SCRIPT_ERROR = 3;
// The ending sequence ends any screen within two rounds.
constexpr int ENDING_ROUNDS = 8;

struct Stats {
    unsigned events = 0;
    unsigned moves = 0;
    unsigned gameOvers = 0;
    uint32_t lastScore = 0;
    uint32_t lastTurns = 0;
} stats;

[[noreturn]] void scriptError(const std::string& what)
{
    std::fprintf(stderr, "tessalorium_scripted: %s\n", what.c_str());
    std::exit(SCRIPT_ERROR);
}

SDLKey keyNamed(const std::string& name)
{
    if (name == "return") {
        return SDLK_RETURN;
    }
    if (name == "escape") {
        return SDLK_ESCAPE;
    }
    if (name == "space") {
        return SDLK_SPACE;
    }
    if (name == "backspace") {
        return SDLK_BACKSPACE;
    }
    if (name.size() == 1) {
        return static_cast<SDLKey>(static_cast<unsigned char>(name[0]));
    }
    return static_cast<SDLKey>(std::stoi(name));
}

class Script {
public:
    explicit Script(std::vector<std::string> lines) : lines(std::move(lines)) {}

    bool next(SDL_Event& event)
    {
        const Game* game = runningGame();
        if (game == nullptr) {
            scriptError("asked for input outside the program");
        }
        if (!seeded) {
            srand(seed);
            seeded = true;
        }
        if (game->emptyCount != 0) {
            boardFull = false;
        } else if (!boardFull) {
            boardFull = true;
            ++stats.gameOvers;
            stats.lastScore = game->score;
            stats.lastTurns = game->turns;
        }
        while (queue.empty()) {
            fill(*game);
        }
        event = queue.front();
        queue.pop_front();
        ++stats.events;
        return true;
    }

    // Commands before the first event: the seed.
    void prepare()
    {
        while (at < lines.size()) {
            std::istringstream words(lines[at]);
            std::string command;
            if (!(words >> command) || command[0] == '#') {
                ++at;
                continue;
            }
            if (command != "seed") {
                return;
            }
            words >> seed;
            ++at;
        }
    }

private:
    void fill(const Game& game)
    {
        if (playing) {
            const std::vector<storm::Move> moves = storm::legalMoves(game);
            const bool more = playing == PLAY_UNTIL_FULL ? game.emptyCount != 0 : movesLeft > 0;
            if (more && !moves.empty()) {
                storm::pushDrag(queue, moves[static_cast<size_t>(rand()) % moves.size()]);
                ++stats.moves;
                --movesLeft;
                return;
            }
            if (more && playing == PLAY_UNTIL_FULL) {
                scriptError("no legal move left on a board that is not full");
            }
            playing = NOT_PLAYING;
        }
        if (at >= lines.size()) {
            if (++endingRounds > ENDING_ROUNDS) {
                scriptError("the program does not end");
            }
            storm::pushEnding(queue);
            return;
        }
        std::istringstream words(lines[at++]);
        std::string command;
        if (!(words >> command) || command[0] == '#') {
            return;
        }
        if (command == "key") {
            std::string name;
            int mod = 0;
            words >> name >> mod;
            queue.push_back(storm::key(SDL_KEYDOWN, keyNamed(name), static_cast<SDLMod>(mod)));
            queue.push_back(storm::key(SDL_KEYUP, keyNamed(name), static_cast<SDLMod>(mod)));
        } else if (command == "type") {
            std::string text;
            words >> text;
            for (char c : text) {
                const bool capital = c >= 'A' && c <= 'Z';
                const auto sym = static_cast<SDLKey>(capital ? c - 'A' + 'a' : c);
                queue.push_back(storm::key(SDL_KEYDOWN, sym, capital ? KMOD_LSHIFT : KMOD_NONE));
            }
        } else if (command == "click" || command == "motion") {
            int x = 0;
            int y = 0;
            words >> x >> y;
            if (command == "motion") {
                queue.push_back(storm::motion(x, y));
            } else {
                queue.push_back(storm::button(SDL_MOUSEBUTTONDOWN, x, y));
                queue.push_back(storm::button(SDL_MOUSEBUTTONUP, x, y));
            }
        } else if (command == "moves") {
            words >> movesLeft;
            playing = PLAY_COUNT;
        } else if (command == "play") {
            playing = PLAY_UNTIL_FULL;
        } else if (command == "quit") {
            queue.push_back(storm::quit());
        } else if (command == "interrupt") {
            std::raise(SIGINT);
        } else if (command == "end") {
            at = lines.size();
        } else if (command == "seed") {
            scriptError("seed must come before the first input");
        } else {
            scriptError("unknown command: " + command);
        }
    }

    enum Playing { NOT_PLAYING, PLAY_COUNT, PLAY_UNTIL_FULL };

    std::vector<std::string> lines;
    size_t at = 0;
    unsigned seed = 1;
    bool seeded = false;
    bool boardFull = false;
    Playing playing = NOT_PLAYING;
    unsigned movesLeft = 0;
    int endingRounds = 0;
    std::deque<SDL_Event> queue;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        scriptError("usage: tessalorium_scripted SCRIPT");
    }
    std::ifstream file(argv[1]);
    if (!file) {
        scriptError(std::string("cannot read ") + argv[1]);
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    Script script(std::move(lines));
    script.prepare();
    harness::setEventSource([&script](SDL_Event& event) { return script.next(event); });
    // Drawn in full, but not shown: the dummy display shows nothing anyway.
    harness::presentFrames(false);
    const int result = runProgram();
    std::fprintf(stderr,
                 "tessalorium_scripted: %u events, %u moves, %u game overs, last final score "
                 "%u + %u turns\n",
                 stats.events, stats.moves, stats.gameOvers, stats.lastScore, stats.lastTurns);
    return result;
}
