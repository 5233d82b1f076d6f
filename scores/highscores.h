// The five best final scores and the file that keeps them between runs.
#pragma once

#include "game/game.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t NAME_MAX_LEN = 6;
constexpr const char* HIGHSCORE_FILE = "hiscores.dat";

struct HighscoreEntry {
    std::string name = "Nobody";
    uint32_t score = 0;
};

// A change of this run not yet in the file: a row inserted, or the name
// given to a row inserted earlier.
struct ScoreChange {
    HighscoreEntry row;  // as inserted
    bool renames = false;
    std::string name;  // the new name, when it renames
};

class HighscoreTable {
public:
    // The process-wide table, created (and the file read) on first use.
    // Null only when it could not be allocated; the next call tries again.
    static HighscoreTable* instance();
    // Destroys the table (saving it when dirty) and forgets it, so that a
    // later instance() starts afresh from the file.
    static void shutdown();

    HighscoreTable();
    ~HighscoreTable();
    HighscoreTable(const HighscoreTable&) = delete;
    HighscoreTable& operator=(const HighscoreTable&) = delete;

    bool load();
    // Adds this run's changes since the last save (rows inserted, names
    // given) to the file as it is now (another copy of the game may have
    // saved meanwhile), and shows the table as saved. A damaged file is
    // first kept as hiscores.dat.damaged. A failure (a file there that
    // cannot be read, another save holding the folder too long) is said on
    // standard error and keeps both the file and the changes still to save.
    bool save();
    void reset();
    // Where the score would go, 0 (best) to TABLE_SIZE - 1, or TABLE_SIZE
    // when it does not rank. A ranking score marks the table for saving.
    uint32_t rank(uint32_t score);
    void insert(const HighscoreEntry& entry, uint32_t rank);
    // Gives `name` to the row inserted as `row` (its name and score then),
    // here and, at the next save, in the file as it is then; a row that has
    // dropped out of the table stays out. Rows alike in name and score are
    // told apart by nobody, so the first such row takes the name.
    void rename(const HighscoreEntry& row, const std::string& name);

    HighscoreEntry* rows;  // TABLE_SIZE entries, best first
    bool dirty;  // a score ranked or a name given since the last save; the destructor saves
    std::vector<ScoreChange> unsaved;  // this run's changes not yet in the file, in order
};

// The name entry screen: returns the name typed, 0 to NAME_MAX_LEN characters.
// A request to close ends it as Return does, and sets `closing`.
std::string enterName(Game& game, bool& closing);
// The character a key press types, or 0 for a key that types none.
char keyToChar(const SDL_keysym& key);
