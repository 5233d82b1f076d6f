// The name entry screen shown when a final score makes the table.
#include "render/colors.h"
#include "render/layout.h"
#include "scores/highscores.h"

#include <cstring>
#include <string>

namespace {

constexpr int ENTRY_TEXT_X = 21;
constexpr int PROMPT_Y = 70;
constexpr int FIELD_Y = 110;
constexpr int INSTRUCTION_Y = 150;
constexpr const char* PROMPT_TEXT = "Enter your name";
constexpr const char* INSTRUCTION_TEXT = "And press ENTER";
constexpr char EMPTY_FIELD_MARK = '.';

// Keys that type their own character whatever the modifiers: the digits, the
// space and twenty punctuation marks. Shift does not turn 1 into !.
constexpr const char* PLAIN_KEYS = "0123456789 !\"#$&'()*+-,./@:;<>?";

// drawBoard presents the bare board, then the three lines go on top of it.
void drawEntryScreen(Game& game, const std::string& field)
{
    game.drawBoard();
    game.drawText(PROMPT_TEXT, ENTRY_TEXT_X, PROMPT_Y, &COLOR_BLUE);
    game.drawText(field.c_str(), ENTRY_TEXT_X, FIELD_Y, &COLOR_WHITE);
    game.drawText(INSTRUCTION_TEXT, ENTRY_TEXT_X, INSTRUCTION_Y, &COLOR_GREEN);
    SDL_Flip(game.screen);
}

}  // namespace

char keyToChar(const SDL_keysym& key)
{
    const int sym = key.sym;
    if (sym >= SDLK_a && sym <= SDLK_z) {
        const bool capital = (key.mod & (KMOD_LSHIFT | KMOD_RSHIFT | KMOD_CAPS)) != 0;
        return static_cast<char>(capital ? sym - SDLK_a + 'A' : sym);
    }
    // Zero would find the terminator; only 7-bit symbols can be in the list.
    if (sym > 0 && sym < 128 && std::strchr(PLAIN_KEYS, sym) != nullptr) {
        return static_cast<char>(sym);
    }
    return 0;
}

std::string enterName(Game& game, bool& closing)
{
    std::string name;
    drawEntryScreen(game, std::string(NAME_MAX_LEN, EMPTY_FIELD_MARK));

    // Only Return, Escape, a request to close or input running out end the
    // entry; a close keeps the name typed so far, so the score is not lost.
    SDL_Event event;
    while (SDL_WaitEvent(&event) != 0) {
        if (asksToClose(event)) {
            closing = true;
            break;
        }
        if (event.type != SDL_KEYDOWN) {
            continue;
        }
        const SDLKey sym = event.key.keysym.sym;
        if (sym == SDLK_RETURN || sym == SDLK_ESCAPE) {
            break;
        }
        if (sym == SDLK_BACKSPACE) {
            if (name.empty()) {
                continue;
            }
            name.pop_back();
        } else {
            const char typed = name.size() < NAME_MAX_LEN ? keyToChar(event.key.keysym) : 0;
            if (typed == 0) {
                continue;
            }
            name.push_back(typed);
        }
        drawEntryScreen(game, name);
    }
    return name;
}
