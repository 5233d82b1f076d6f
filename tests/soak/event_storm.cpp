#include "tests/soak/event_storm.h"

#include "render/layout.h"
#include "scores/highscores.h"

#include <cstring>

namespace storm {

namespace {

// Event types that no screen of the game acts on, the reserved and user
// ranges included; the game must drop them whatever they carry.
constexpr Uint8 UNHANDLED_TYPES[] = {SDL_NOEVENT,
                                     SDL_ACTIVEEVENT,
                                     SDL_JOYAXISMOTION,
                                     SDL_JOYBALLMOTION,
                                     SDL_JOYHATMOTION,
                                     SDL_JOYBUTTONDOWN,
                                     SDL_JOYBUTTONUP,
                                     SDL_SYSWMEVENT,
                                     SDL_EVENT_RESERVEDA,
                                     SDL_VIDEORESIZE,
                                     SDL_VIDEOEXPOSE,
                                     SDL_EVENT_RESERVED2,
                                     SDL_USEREVENT,
                                     SDL_USEREVENT + 7,
                                     SDL_NUMEVENTS - 1,
                                     200,
                                     255};

// Keys the name entry takes, and the ones that end it.
constexpr const char NAME_KEYS[] = "abcdefghijklmnopqrstuvwxyz0123456789 !#$&'()*+-,./@:;<>?%=[";

// Out of 1000 picks.
enum Pick : uint32_t {
    LEGAL_DRAG = 220,
    NEAR_DRAG = 80,
    MOTION = 280,
    PRESS = 60,
    RELEASE = 60,
    KEY_DOWN = 80,
    KEY_UP = 40,
    NAME_KEY = 60,
    RETURN_KEY = 20,
    ESCAPE_KEY = 5,
    BACKSPACE_KEY = 10,
    UNDO_CLICK = 20,
    NEW_GAME_CLICK = 1,
    CLOSE_CLICK = 1,
    QUIT = 2,
    UNHANDLED = 60,
};
constexpr uint32_t PICK_TOTAL = LEGAL_DRAG + NEAR_DRAG + MOTION + PRESS + RELEASE + KEY_DOWN +
                                KEY_UP + NAME_KEY + RETURN_KEY + ESCAPE_KEY + BACKSPACE_KEY +
                                UNDO_CLICK + NEW_GAME_CLICK + CLOSE_CLICK + QUIT + UNHANDLED;

constexpr uint32_t LAST_LEVEL = 7;

constexpr int CLOSE_X = SCREEN_W - CLOSE_BOX_SIZE / 2;
constexpr int CLOSE_Y = CLOSE_BOX_SIZE / 2;
constexpr int BUTTON_MID_Y = BUTTON_Y + BUTTON_H / 2;

}  // namespace

std::vector<Move> legalMoves(const Game& game)
{
    // The move rule, read off the board: a piece that may be dragged, one
    // step onto an empty cell.
    std::vector<Move> moves;
    for (uint32_t row = 0; row < BOARD_H; ++row) {
        for (uint32_t column = 0; column < BOARD_W; ++column) {
            const uint32_t code = game.board[row * BOARD_W + column];
            if (code == CELL_EMPTY || code == CELL_FIXED) {
                continue;
            }
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const uint32_t toColumn = column + dx;
                    const uint32_t toRow = row + dy;
                    if (toColumn < BOARD_W && toRow < BOARD_H &&
                        game.board[toRow * BOARD_W + toColumn] == CELL_EMPTY) {
                        moves.push_back(Move{column, row, toColumn, toRow});
                    }
                }
            }
        }
    }
    return moves;
}

std::string brokenInvariant(const Game& game)
{
    uint32_t empty = 0;
    for (uint32_t code : game.board) {
        if (code > CELL_EMPTY) {
            return "cell code " + std::to_string(code);
        }
        empty += code == CELL_EMPTY;
    }
    if (empty != game.emptyCount) {
        return "emptyCount " + std::to_string(game.emptyCount) + " with " + std::to_string(empty) +
               " empty cells";
    }
    for (const CellPos& marker : game.markers) {
        if (marker.x != NO_MARKER && (marker.x >= BOARD_W || marker.y >= BOARD_H)) {
            return "marker off the board at " + std::to_string(marker.x) + "," +
                   std::to_string(marker.y);
        }
    }
    if (game.level < 1 || game.level > LAST_LEVEL) {
        return "level " + std::to_string(game.level);
    }
    const HighscoreTable* table = HighscoreTable::instance();
    for (uint32_t i = 0; table != nullptr && i < TABLE_SIZE; ++i) {
        if (table->rows[i].name.size() > NAME_MAX_LEN ||
            (i > 0 && table->rows[i].score > table->rows[i - 1].score)) {
            return "high score row " + std::to_string(i) + " out of order or too long";
        }
    }
    return "";
}

int cellX(uint32_t column)
{
    return static_cast<int>(BOARD_X + column * TILE_W + TILE_W / 2);
}

int cellY(uint32_t row)
{
    return static_cast<int>(BOARD_Y + row * TILE_H + TILE_H / 2);
}

SDL_Event motion(int x, int y, Uint8 buttons)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.state = buttons;
    event.motion.x = static_cast<Uint16>(x);
    event.motion.y = static_cast<Uint16>(y);
    return event;
}

SDL_Event button(Uint8 type, int x, int y, Uint8 which)
{
    SDL_Event event = {};
    event.type = type;
    event.button.button = which;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = static_cast<Uint16>(x);
    event.button.y = static_cast<Uint16>(y);
    return event;
}

SDL_Event key(Uint8 type, SDLKey sym, SDLMod mod)
{
    SDL_Event event = {};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    return event;
}

SDL_Event quit()
{
    SDL_Event event = {};
    event.type = SDL_QUIT;
    return event;
}

void pushDrag(std::deque<SDL_Event>& out, const Move& move, Uint8 which)
{
    out.push_back(button(SDL_MOUSEBUTTONDOWN, cellX(move.fromColumn), cellY(move.fromRow), which));
    // The held-buttons mask has a bit for the first eight buttons only.
    const Uint8 held = which >= 1 && which <= 8 ? static_cast<Uint8>(SDL_BUTTON(which)) : 0;
    out.push_back(motion(cellX(move.toColumn), cellY(move.toRow), held));
    out.push_back(button(SDL_MOUSEBUTTONUP, cellX(move.toColumn), cellY(move.toRow), which));
}

void pushEnding(std::deque<SDL_Event>& out)
{
    out.push_back(key(SDL_KEYDOWN, SDLK_RETURN));
    out.push_back(button(SDL_MOUSEBUTTONDOWN, CLOSE_X, CLOSE_Y));
    out.push_back(button(SDL_MOUSEBUTTONUP, CLOSE_X, CLOSE_Y));
    out.push_back(motion(CLOSE_X, CLOSE_Y));
}

int Generator::anyX()
{
    const uint32_t where = below(10);
    if (where == 0) {
        return static_cast<int>(below(65536));
    }
    if (where < 4) {
        return static_cast<int>(BOARD_X + below(BOARD_SPAN_W + 4)) - 2;
    }
    // Around the window: negative values wrap to the far end of the range.
    return static_cast<int>(below(SCREEN_W + 40)) - 20;
}

int Generator::anyY()
{
    const uint32_t where = below(10);
    if (where == 0) {
        return static_cast<int>(below(65536));
    }
    if (where < 4) {
        return static_cast<int>(BOARD_Y + below(BOARD_SPAN_H + 4)) - 2;
    }
    return static_cast<int>(below(SCREEN_H + 40)) - 20;
}

void Generator::pushNoise(std::deque<SDL_Event>& out)
{
    SDL_Event event;
    for (size_t i = 0; i < sizeof event; ++i) {
        reinterpret_cast<unsigned char*>(&event)[i] = static_cast<unsigned char>(below(256));
    }
    event.type = UNHANDLED_TYPES[below(sizeof UNHANDLED_TYPES)];
    out.push_back(event);
}

void Generator::next(std::deque<SDL_Event>& out, const Game* game)
{
    const Uint8 anyButton = below(4) == 0 ? static_cast<Uint8>(below(256)) : SDL_BUTTON_LEFT;
    const SDLKey anyKey = static_cast<SDLKey>(below(SDLK_LAST));
    const SDLMod anyMod = static_cast<SDLMod>(below(4) == 0 ? below(65536) : 0);
    uint32_t pick = below(PICK_TOTAL);

    if (pick < LEGAL_DRAG) {
        const std::vector<Move> moves = game != nullptr ? legalMoves(*game) : std::vector<Move>{};
        if (!moves.empty()) {
            pushDrag(out, moves[below(static_cast<uint32_t>(moves.size()))], anyButton);
            return;
        }
        pick = LEGAL_DRAG;  // no legal move: a drag that may or may not be one
    }
    pick -= LEGAL_DRAG;
    if (pick < NEAR_DRAG) {
        const uint32_t column = below(BOARD_W);
        const uint32_t row = below(BOARD_H);
        pushDrag(out, Move{column, row, column + below(3) - 1, row + below(3) - 1}, anyButton);
        return;
    }
    pick -= NEAR_DRAG;
    if (pick < MOTION) {
        out.push_back(motion(anyX(), anyY(), static_cast<Uint8>(below(2) ? 0 : below(256))));
        return;
    }
    pick -= MOTION;
    if (pick < PRESS) {
        out.push_back(button(SDL_MOUSEBUTTONDOWN, anyX(), anyY(), anyButton));
        return;
    }
    pick -= PRESS;
    if (pick < RELEASE) {
        out.push_back(button(SDL_MOUSEBUTTONUP, anyX(), anyY(), anyButton));
        return;
    }
    pick -= RELEASE;
    if (pick < KEY_DOWN) {
        out.push_back(key(SDL_KEYDOWN, anyKey, anyMod));
        return;
    }
    pick -= KEY_DOWN;
    if (pick < KEY_UP) {
        out.push_back(key(SDL_KEYUP, anyKey, anyMod));
        return;
    }
    pick -= KEY_UP;
    if (pick < NAME_KEY) {
        const SDLKey sym = static_cast<SDLKey>(NAME_KEYS[below(sizeof NAME_KEYS - 1)]);
        const SDLMod mod = below(3) == 0 ? KMOD_LSHIFT : below(5) == 0 ? KMOD_CAPS : KMOD_NONE;
        out.push_back(key(SDL_KEYDOWN, sym, mod));
        out.push_back(key(SDL_KEYUP, sym, mod));
        return;
    }
    pick -= NAME_KEY;
    if (pick < RETURN_KEY) {
        out.push_back(key(SDL_KEYDOWN, SDLK_RETURN));
        return;
    }
    pick -= RETURN_KEY;
    if (pick < ESCAPE_KEY) {
        out.push_back(key(SDL_KEYDOWN, SDLK_ESCAPE));
        return;
    }
    pick -= ESCAPE_KEY;
    if (pick < BACKSPACE_KEY) {
        out.push_back(key(SDL_KEYDOWN, SDLK_BACKSPACE));
        return;
    }
    pick -= BACKSPACE_KEY;
    if (pick < UNDO_CLICK) {
        const int x = UNDO_X + static_cast<int>(below(UNDO_RIGHT - UNDO_X));
        out.push_back(button(SDL_MOUSEBUTTONDOWN, x, BUTTON_MID_Y, anyButton));
        out.push_back(button(SDL_MOUSEBUTTONUP, x, BUTTON_MID_Y, anyButton));
        return;
    }
    pick -= UNDO_CLICK;
    if (pick < NEW_GAME_CLICK) {
        const int x = NEW_GAME_X + static_cast<int>(below(NEW_GAME_RIGHT - NEW_GAME_X));
        out.push_back(button(SDL_MOUSEBUTTONDOWN, x, BUTTON_MID_Y, anyButton));
        out.push_back(button(SDL_MOUSEBUTTONUP, x, BUTTON_MID_Y, anyButton));
        return;
    }
    pick -= NEW_GAME_CLICK;
    if (pick < CLOSE_CLICK) {
        out.push_back(button(SDL_MOUSEBUTTONDOWN, CLOSE_X, CLOSE_Y, anyButton));
        out.push_back(button(SDL_MOUSEBUTTONUP, CLOSE_X, CLOSE_Y, anyButton));
        return;
    }
    pick -= CLOSE_CLICK;
    // Quit requests come mostly once the board is full: the game-over
    // pause, the name entry and the title after a game ignore them.
    if (pick < QUIT || (game != nullptr && game->emptyCount == 0 && pick < QUIT + UNHANDLED / 2)) {
        if (game == nullptr || game->emptyCount == 0 || below(4) == 0) {
            out.push_back(quit());
            return;
        }
    }
    pushNoise(out);
}

}  // namespace storm
