// Any bytes as the input of the game's whole screen flow, from the title
// through play, game over and name entry, with time virtual; between any two
// events everything that must always hold is checked, and the flow must end
// once the bytes run out.
//
// As a libFuzzer target (built with TESSALORIUM_LIBFUZZER) this is the event
// loop fuzzer. Built as a plain program it is the test suite's random-input
// driver:
//   tessalorium_drive SEED COUNT [FILE...]
// runs each FILE, then COUNT inputs of random bytes drawn from SEED, and
// fails unless at least one game was played until the board was full.
//
// Byte 0: with bit 0 set the run starts from a table that few games beat,
// with bit 1 from a hiscores.dat of all the bytes after it, with neither
// from no file at all; the other bits seed the pieces. Then each byte is an
// operation (its low three bits) with a small argument (the other five),
// some reading further bytes.
#include "app/program.h"
#include "scores/highscores.h"
#include "tests/support/harness.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

const uint8_t* data;
size_t size, at;
std::deque<SDL_Event> queued;
unsigned endingEvents, gameOvers;
uint32_t lastTurns;
bool fileFromInput;  // a table read from any bytes need not be in order
Game* game;          // one window for every input: starting SDL costs more than a game

const auto byte = [] { return at < size ? data[at++] : uint8_t{0}; };  // 0 past the end

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "broken after %zu of %zu bytes: %s\n", at, size, what);
        std::abort();
    }
}

// Whether a group of four or more stands, by a search of our own.
bool groupStands()
{
    for (uint32_t start = 0; start < BOARD_CELLS; ++start) {
        const uint32_t kind = game->board[start];
        std::vector<uint32_t> group = {start};
        for (size_t i = 0; i < group.size() && kind != CELL_EMPTY && kind != CELL_WILD; ++i) {
            for (int step : {1, -1, int(BOARD_W), -int(BOARD_W)}) {
                const uint32_t n = group[i], m = n + step;  // off the board wraps to a huge m
                if (m < BOARD_CELLS && (step % int(BOARD_W) == 0 || m / BOARD_W == n / BOARD_W) &&
                    (game->board[m] == kind || game->board[m] == CELL_WILD) &&
                    std::find(group.begin(), group.end(), m) == group.end()) {
                    group.push_back(m);
                }
            }
        }
        if (group.size() >= 4) {
            return true;
        }
    }
    return false;
}

// What must hold between any two events.
void check()
{
    const auto& board = game->board;
    const uint32_t empty = std::count(board.begin(), board.end(), CELL_EMPTY);
    require(*std::max_element(board.begin(), board.end()) <= CELL_EMPTY,
            "a cell code out of range");
    require(empty == game->emptyCount, "emptyCount is not the board's");
    for (const CellPos& m : game->markers) {
        require(m.x == NO_MARKER || (m.x < BOARD_W && m.y < BOARD_H), "a marker off the board");
    }
    require(game->level >= 1 && game->level <= 7, "a level out of range");
    require(game->turns <= lastTurns || !groupStands(), "a group of four left after a turn");
    gameOvers += empty == 0 && game->turns > lastTurns;
    lastTurns = game->turns;
    const HighscoreEntry* rows = HighscoreTable::instance()->rows;
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        require(rows[i].name.size() <= NAME_MAX_LEN, "a name longer than the entry allows");
        require(fileFromInput || i == 0 || rows[i].score <= rows[i - 1].score,
                "the high score table out of order");
    }
}

// A press at one pixel, a motion to another and the release there.
void gesture(int x1, int y1, int x2, int y2)
{
    queued.push_back(harness::mouse(SDL_MOUSEBUTTONDOWN, x1, y1));
    queued.push_back(harness::mouse(SDL_MOUSEMOTION, x2, y2));
    queued.push_back(harness::mouse(SDL_MOUSEBUTTONUP, x2, y2));
}

// A move the rules allow, picked by `pick`, or a motion when there is none.
void legalMove(uint32_t pick)
{
    for (uint32_t k = 0; k < BOARD_CELLS * 9; ++k) {
        const uint32_t m = (pick * 37 + k) % (BOARD_CELLS * 9), x = m / 9 % BOARD_W;
        const uint32_t y = m / 9 / BOARD_W, toX = x + m % 3 - 1, toY = y + m % 9 / 3 - 1;
        if (toX < BOARD_W && toY < BOARD_H && game->canMove(x, y, toX, toY)) {
            return gesture(cellX(x), cellY(y), cellX(toX), cellY(toY));
        }
    }
    queued.push_back(harness::mouse(SDL_MOUSEMOTION, 100, 100));
}

// An operation: its low three bits say what, the other five are `arg`.
void operation()
{
    const uint8_t op = byte(), arg = op >> 3;
    switch (op & 7) {
    case 3:
    case 4: {  // a drag of up to a cell, from anywhere
        const int x = byte(), y = byte() + 8;
        gesture(x, y, x + arg % 3 * 16 - 16, y + arg / 3 % 3 * 16 - 16);
        break;
    }
    case 5: {  // Return, Escape, Backspace or a name key; Shift with odd ones
        const SDLKey keys[] = {SDLK_RETURN, SDLK_ESCAPE, SDLK_BACKSPACE,
                               SDLKey(std::tolower("aZ09 !#$&'()*+-,./@:;<>?%=["[arg % 27]))};
        queued.push_back(
            harness::key(keys[std::min(arg / 2, 3)], arg & 1 ? KMOD_LSHIFT : KMOD_NONE));
        break;
    }
    case 6: {  // UNDO, half of the clicks slipping off; seldom NEW GAME, close or quit
        const int x = arg == 30 ? 198 : arg == 28 ? 140 : 35, y = arg == 30 ? 6 : 245;
        arg == 31 ? queued.push_back(harness::QUIT) : gesture(x, y, x, y + arg % 2 * 20);
        break;
    }
    case 7: {  // any event at all, with whatever payload
        SDL_Event event = {};
        std::memcpy(&event, data + at, std::min<size_t>(8, size - at));
        at = std::min<size_t>(at + 8, size);
        queued.push_back(event);
        break;
    }
    default:
        legalMove(op);
    }
}

bool feed(SDL_Event& event)
{
    check();
    if (queued.empty() && at < size) {
        operation();
    }
    if (queued.empty()) {  // the bytes ran out: Return and the close box end any screen
        require(++endingEvents <= 64, "the program does not end");
        queued.push_back(harness::key(SDLK_RETURN));
        gesture(198, 6, 198, 6);
    }
    event = queued.front();
    queued.pop_front();
    return true;
}

void runInput(const uint8_t* bytes, size_t length)
{
    data = bytes;
    size = length;
    at = 1;
    queued.clear();
    endingEvents = lastTurns = 0;
    HighscoreTable::shutdown();  // read afresh from the file
    const uint8_t first = length > 0 ? bytes[0] : 0;
    fileFromInput = first & 2;
    // A table from the input (the damaged ones said on standard error when
    // saved over), a hard one to rank in, or none at all.
    std::remove(HIGHSCORE_FILE);
    if (fileFromInput) {
        std::ofstream(HIGHSCORE_FILE) << std::string(bytes + 1, bytes + length);
    } else if (first & 1) {
        std::ofstream(HIGHSCORE_FILE) << "5\nA\n900\nB\n800\nC\n700\nD\n600\nE\n500\n";
    }
    game->resetBoard();
    srand(first >> 2);
    harness::reset();
    harness::present = false;
    harness::nextEvent = feed;
    runScreens(*game, STATE_TITLE);
}

// Every run writes hiscores.dat: into a folder of our own, gone at exit.
void setUp()
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    static char dir[] = "/tmp/tessalorium-drive-XXXXXX";
    require(mkdtemp(dir) != nullptr && chdir(dir) == 0 &&
                symlink(TESSALORIUM_SOURCE_DIR "/gfx", "gfx") == 0,
            "no scratch folder");
    game = SDL_Init(SDL_INIT_VIDEO) == 0 ? new Game : nullptr;
    require(game != nullptr && game->initVideo(), "the game could not start");
    std::atexit([] {
        HighscoreTable::shutdown();
        delete game;
        SDL_Quit();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    });
}

}  // namespace

// Pixels are the unit tests' business: none is copied here, which makes a
// whole game cost a tenth as much.
extern "C" int __wrap_SDL_UpperBlit(SDL_Surface*, SDL_Rect*, SDL_Surface*, SDL_Rect*)
{
    return 0;
}

extern "C" int __wrap_SDL_FillRect(SDL_Surface*, SDL_Rect*, Uint32)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length)
{
    [[maybe_unused]] static const bool once = (setUp(), true);
    runInput(bytes, length);
    return 0;
}

#ifndef TESSALORIUM_LIBFUZZER
int main(int argc, char** argv)
{
    std::vector<std::string> inputs;
    for (int i = 3; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::mt19937 random(argc > 2 ? std::stoul(argv[1]) : 0);
    for (unsigned long i = 0, count = argc > 2 ? std::stoul(argv[2]) : 0; i < count; ++i) {
        inputs.emplace_back(random() % 1024 + 1, '\0');
        for (char& b : inputs.back()) {  // half of them legal moves, so games end
            b = static_cast<char>(random() & (random() & 1 ? 0xF8 : 0xFF));
        }
    }
    setUp();
    for (const std::string& bytes : inputs) {
        runInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%u games played until the board was full\n", gameOvers);
    return gameOvers > 0 ? 0 : 1;
}
#endif
