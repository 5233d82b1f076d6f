// libFuzzer target: any bytes as a stream of input events for the screen
// flow of the program (title, play, game over, name entry, new games, quit)
// on SDL's dummy driver. One game and its window serve every input, as
// starting SDL anew would cost a hundred times more than the input itself;
// each input starts from an empty board, no high score table and no file.
// Time is virtual, pixels are not copied and only some full redraws are
// drawn (see the wrapped calls below): the pixels are the event storm test's
// business, the logic is this target's.
//
// The first two bytes pick where the run starts (title or a new game), a
// high score file to start from (none, or one that few games beat) and the
// random seed. The rest is read as operations (see Op): legal moves, picked
// from the running game's board so that games fill up and end; drags,
// motion, buttons, keys, clicks on the buttons and the close box, quit
// requests and events no screen handles. When the bytes run out an ending
// sequence closes the program, which must then end within a few rounds.
// After every event the game's invariants must hold.
#include "app/program.h"
#include "scores/highscores.h"
#include "tests/soak/event_storm.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// A run that has used up its bytes gets this many ending events; two rounds
// of four end any screen.
constexpr unsigned ENDING_EVENT_LIMIT = 64;
// The ending sequence ends the flow within two rounds of its four events.
constexpr unsigned ENDING_ROUNDS = ENDING_EVENT_LIMIT / 4;

constexpr char NAME_KEYS[] = "aZ09 !#$&'()*+-,./@:;<>?%=[";

// The low four bits of an operation byte pick the operation, the high four
// bits are its small argument (which move, which button, which key).
enum Op : uint8_t {
    LEGAL_MOVE,  // ops 0-2: one legal move
    LEGAL_MOVE_2,
    LEGAL_MOVE_3,
    LEGAL_RUN,  // 4 to 64 legal moves in a row
    NEAR_DRAG,  // + cell, step
    MOTION,     // + x, y (two bytes each)
    PRESS,
    RELEASE,
    KEY_DOWN,  // + key symbol, modifiers (two bytes each)
    KEY_UP,
    NAME_KEY,  // + one byte
    ENDING_KEY,
    BUTTON_CLICK,
    QUIT,
    UNHANDLED,  // + eight bytes of payload
    SPACE_KEY,
};
constexpr size_t UNHANDLED_PAYLOAD = 8;
constexpr uint32_t LEGAL_RUN_STEP = 4;
constexpr uint32_t ARG_VALUES = 16;

[[noreturn]] void broken(const std::string& what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::abort();
}

// The input from the front; past its end every byte reads as 0.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool exhausted() const { return at >= size; }
    uint8_t byte() { return at < size ? data[at++] : 0; }
    uint16_t word()
    {
        const uint16_t low = byte();
        return static_cast<uint16_t>(low | byte() << 8);
    }

private:
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

class Feed {
public:
    Feed(Reader& bytes, const Game& game) : bytes(bytes), game(game) {}

    bool next(SDL_Event& event)
    {
        const std::string why = storm::brokenInvariant(game);
        if (!why.empty()) {
            broken(why);
        }
        if (queue.empty() && legalRun > 0) {
            --legalRun;
            pushLegalMove(legalRun * 7 % ARG_VALUES);
        }
        if (queue.empty()) {
            if (!bytes.exhausted()) {
                decode();
            } else if (++endingRounds <= ENDING_ROUNDS) {
                storm::pushEnding(queue);
            } else {
                broken("the ending sequence does not end the program");
            }
        }
        if (queue.empty()) {
            queue.push_back(storm::motion(0, 0));
        }
        event = queue.front();
        queue.pop_front();
        return true;
    }

private:
    int position(uint16_t raw, int extent)
    {
        // Mostly in and around the window, now and then anywhere at all.
        return raw < 0xF000 ? static_cast<int>(raw % (extent + 32)) - 16 : raw;
    }

    // A legal move on the board as it is now, when there is one; `pick`
    // (0-15) says how far along the list of moves.
    void pushLegalMove(uint32_t pick)
    {
        const std::vector<storm::Move> moves = storm::legalMoves(game);
        if (!moves.empty()) {
            storm::pushDrag(queue, moves[pick * moves.size() / ARG_VALUES], SDL_BUTTON_LEFT);
        }
    }

    void decode()
    {
        const uint8_t code = bytes.byte();
        const uint8_t op = code % ARG_VALUES;
        const uint8_t arg = code / ARG_VALUES;
        // Buttons 0-11, or one of the numbers no mouse has.
        const Uint8 button = arg < 12 ? arg : static_cast<Uint8>(arg * 17);
        switch (op) {
        case LEGAL_MOVE:
        case LEGAL_MOVE_2:
        case LEGAL_MOVE_3:
            pushLegalMove(arg);
            break;
        case LEGAL_RUN:
            legalRun = (arg + 1) * LEGAL_RUN_STEP;
            break;
        case NEAR_DRAG: {
            const uint8_t cell = bytes.byte() % BOARD_CELLS;
            const uint8_t step = bytes.byte() % 9;
            const uint32_t column = cell % BOARD_W;
            const uint32_t row = cell / BOARD_W;
            storm::pushDrag(queue, {column, row, column + step % 3 - 1, row + step / 3 - 1},
                            button);
            break;
        }
        case MOTION:
        case PRESS:
        case RELEASE: {
            const int x = position(bytes.word(), SCREEN_W);
            const int y = position(bytes.word(), SCREEN_H);
            queue.push_back(op == MOTION  ? storm::motion(x, y, button)
                            : op == PRESS ? storm::button(SDL_MOUSEBUTTONDOWN, x, y, button)
                                          : storm::button(SDL_MOUSEBUTTONUP, x, y, button));
            break;
        }
        case KEY_DOWN:
        case KEY_UP: {
            const auto sym = static_cast<SDLKey>(bytes.word() % SDLK_LAST);
            const auto mod = static_cast<SDLMod>(bytes.word());
            queue.push_back(storm::key(op == KEY_DOWN ? SDL_KEYDOWN : SDL_KEYUP, sym, mod));
            break;
        }
        case NAME_KEY: {
            const uint8_t which = bytes.byte();
            const auto sym = static_cast<SDLKey>(NAME_KEYS[which % (sizeof NAME_KEYS - 1)]);
            queue.push_back(storm::key(SDL_KEYDOWN, sym, which & 0x80 ? KMOD_LSHIFT : KMOD_NONE));
            break;
        }
        case ENDING_KEY: {
            const SDLKey keys[] = {SDLK_RETURN, SDLK_ESCAPE, SDLK_BACKSPACE};
            queue.push_back(storm::key(SDL_KEYDOWN, keys[arg % 3]));
            break;
        }
        case BUTTON_CLICK: {
            // UNDO, NEW GAME, the close box.
            const int spots[][2] = {{30, 245}, {140, 245}, {198, 8}};
            const auto& spot = spots[arg % 3];
            queue.push_back(storm::button(SDL_MOUSEBUTTONDOWN, spot[0], spot[1]));
            queue.push_back(storm::button(SDL_MOUSEBUTTONUP, spot[0], spot[1]));
            break;
        }
        case QUIT:
            queue.push_back(storm::quit());
            break;
        case UNHANDLED: {
            SDL_Event event = {};
            for (size_t i = 0; i < UNHANDLED_PAYLOAD; ++i) {
                reinterpret_cast<uint8_t*>(&event)[i] = bytes.byte();
            }
            const Uint8 types[] = {SDL_NOEVENT,       SDL_ACTIVEEVENT, SDL_JOYAXISMOTION,
                                   SDL_JOYBUTTONDOWN, SDL_SYSWMEVENT,  SDL_VIDEORESIZE,
                                   SDL_VIDEOEXPOSE,   SDL_USEREVENT,   SDL_NUMEVENTS - 1};
            event.type = types[arg % sizeof types];
            queue.push_back(event);
            break;
        }
        default:
            queue.push_back(storm::key(SDL_KEYDOWN, SDLK_SPACE));
            break;
        }
    }

    Reader& bytes;
    const Game& game;
    std::deque<SDL_Event> queue;
    uint32_t legalRun = 0;
    unsigned endingRounds = 0;
};

char scratch[] = "/tmp/event-loop-fuzz-XXXXXX";
Game* game = nullptr;

void removeScratch()
{
    if (chdir("/") == 0) {
        std::error_code ignored;
        fs::remove_all(scratch, ignored);
    }
}

// A table that most games do not beat, so that a game over also ends
// without a name entry.
void writeHardTable()
{
    std::FILE* file = std::fopen(HIGHSCORE_FILE, "w");
    if (file != nullptr) {
        std::fputs("5\nAda\n1500\nBo\n1000\nCyd\n800\nDee\n600\nEve\n400\n", file);
        std::fclose(file);
    }
}

}  // namespace

// SDL as the game sees it here: time passes only when the game sleeps,
// input comes from the feed, and nothing is drawn. Copying pixels and
// rebuilding colour maps would cost nine tenths of a run and decide nothing
// the game does next; the surfaces must still be there.
namespace {
constexpr unsigned DRAW_SAMPLE = 8;
Uint32 clockNow = 0;
unsigned drawCalls = 0;
Feed* feed = nullptr;
}  // namespace

extern "C" {

void __wrap_SDL_Delay(Uint32 ms)
{
    clockNow += ms;
}

Uint32 __wrap_SDL_GetTicks(void)
{
    return clockNow;
}

int __wrap_SDL_WaitEvent(SDL_Event* event)
{
    SDL_Event ignored;
    return feed->next(event != nullptr ? *event : ignored) ? 1 : 0;
}

int __wrap_SDL_PollEvent(SDL_Event* event)
{
    return __wrap_SDL_WaitEvent(event);
}

int __wrap_SDL_Flip(SDL_Surface* screen)
{
    if (screen == nullptr) {
        broken("a flip without a screen");
    }
    return 0;
}

int __wrap_SDL_UpperBlit(SDL_Surface* source, SDL_Rect*, SDL_Surface* target, SDL_Rect*)
{
    if (source == nullptr || target == nullptr) {
        broken("a blit without a surface");
    }
    return 0;
}

int __wrap_SDL_FillRect(SDL_Surface* target, SDL_Rect*, Uint32)
{
    if (target == nullptr) {
        broken("a fill without a surface");
    }
    return 0;
}

int __wrap_SDL_SetColors(SDL_Surface* surface, SDL_Color* colors, int first, int count)
{
    if (surface == nullptr || colors == nullptr || first < 0 || count < 0) {
        broken("bad colours");
    }
    return 1;
}

// The full redraw runs 16 times for every piece a group loses (its removal
// animation) and was most of the time of every input; it only reads the
// game. One call in DRAW_SAMPLE draws for real, which keeps it fuzzed over
// every kind of state at a fraction of the cost.
void __real__ZN4Game9drawBoardEv(Game* game);

void __wrap__ZN4Game9drawBoardEv(Game* game)
{
    if (drawCalls++ % DRAW_SAMPLE == 0) {
        __real__ZN4Game9drawBoardEv(game);
    }
}

}  // extern "C"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The game reads gfx/ and writes hiscores.dat in its working directory.
    if (mkdtemp(scratch) == nullptr || chdir(scratch) != 0) {
        std::perror("scratch directory");
        std::abort();
    }
    fs::create_directory_symlink(fs::path(TESSALORIUM_SOURCE_DIR) / "gfx", "gfx");
    std::atexit(removeScratch);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::abort();
    }
    game = new Game;
    if (!game->initVideo()) {
        std::fprintf(stderr, "no video: %s\n", SDL_GetError());
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HighscoreTable::shutdown();
    std::remove(HIGHSCORE_FILE);
    Reader bytes(data, size);
    const uint8_t flags = bytes.byte();
    const unsigned seed = bytes.byte();
    if (flags & 2) {
        writeHardTable();
    }
    HighscoreTable::instance();

    clockNow = 0;
    drawCalls = 0;
    game->resetBoard();
    game->undoAvailable = false;
    srand(seed);
    Feed input(bytes, *game);
    feed = &input;
    runScreens(*game, flags & 1 ? STATE_NEW_GAME : STATE_TITLE);
    feed = nullptr;
    if (std::getenv("EVENT_LOOP_FUZZ_REPORT") != nullptr) {
        // For keeping the corpus honest: how far did this input get?
        const HighscoreTable* table = HighscoreTable::instance();
        std::fprintf(stderr, "turns %u, score %u, empty %u, top score %u\n", game->turns,
                     game->score, game->emptyCount, table->rows[0].score);
    }
    return 0;
}
