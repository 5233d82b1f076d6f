// The high score table: the five best final scores, where a new one ranks,
// the process-wide table the game keeps, and its saves.
//
// A save adds this run's changes to the table as the file holds it at that
// moment, so two copies of the game playing at once both keep their scores,
// and replaces the file only whole (file_replace.h), so a failed or
// interrupted save never costs the scores already kept. Saves take turns
// under a lock on the folder. A file that cannot be read is never replaced;
// one read only in part, or refused, is kept beside the new one.
#include "scores/file_replace.h"
#include "scores/score_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

HighscoreTable* theTable = nullptr;

constexpr const char* DAMAGED_FILE = "hiscores.dat.damaged";

// Where a score goes among the rows, TABLE_SIZE when it does not rank.
uint32_t rankAmong(const HighscoreEntry* rows, uint32_t score)
{
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        // Strictly greater: an equal score goes below the older one.
        if (score > rows[i].score) {
            return i;
        }
    }
    return TABLE_SIZE;
}

// The last row drops out.
void insertAt(HighscoreEntry* rows, const HighscoreEntry& entry, uint32_t rank)
{
    // TABLE_SIZE is the rank of "does not rank"; such a score has no row.
    if (rank >= TABLE_SIZE) {
        return;
    }
    for (uint32_t i = TABLE_SIZE - 1; i > rank; --i) {
        rows[i] = rows[i - 1];
    }
    rows[rank] = entry;
}

// Rows carry no identity: a row is known by its name and score.
bool sameRow(const HighscoreEntry& a, const HighscoreEntry& b)
{
    return a.name == b.name && a.score == b.score;
}

// The first row alike `row`, if any, takes the name.
void renameAt(HighscoreEntry* rows, const HighscoreEntry& row, const std::string& name)
{
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        if (sameRow(rows[i], row)) {
            rows[i].name = name;
            return;
        }
    }
}

// The file's name as the player finds it: absolute where that is known.
std::string shown(const char* name)
{
    std::error_code unknown;
    const fs::path path = fs::absolute(name, unknown);
    return unknown ? name : path.string();
}

}  // namespace

HighscoreTable* HighscoreTable::instance()
{
    if (theTable == nullptr) {
        try {
            theTable = new HighscoreTable;
        } catch (const std::bad_alloc&) {
            // The table or its rows could not be allocated: theTable stays
            // null, and the callers cope without a table.
        }
    }
    return theTable;
}

void HighscoreTable::shutdown()
{
    delete theTable;
    theTable = nullptr;
}

HighscoreTable::HighscoreTable() : rows(new HighscoreEntry[TABLE_SIZE]), dirty(false)
{
    removeAbandonedCopies();
    if (!load()) {
        reset();
    }
}

HighscoreTable::~HighscoreTable()
{
    if (dirty) {
        save();
    }
    delete[] rows;
}

bool HighscoreTable::load()
{
    int error = 0;
    const ScoreFileRead read = readScoreFile(rows, error);
    return read != ScoreFileRead::REFUSED && read != ScoreFileRead::UNREADABLE;
}

bool HighscoreTable::save()
{
    std::string reason = std::strerror(ENOMEM);
    try {
        const FolderTurn turn;
        HighscoreEntry saved[TABLE_SIZE];
        int error = turn.error();
        const ScoreFileRead read =
            error == 0 ? readScoreFile(saved, error) : ScoreFileRead::MISSING;
        const bool damaged = read == ScoreFileRead::REFUSED || read == ScoreFileRead::PARTIAL;
        if (turn.error() != 0) {
            reason = error == EWOULDBLOCK ? "another save keeps the folder locked"
                                          : std::strerror(error);
        } else if (read == ScoreFileRead::UNREADABLE) {
            // It may hold a table all the same: nothing goes in its place.
            reason = "cannot read it: "s + (error != 0 ? std::strerror(error) : "not a file");
        } else if (damaged && (error = copyFile(HIGHSCORE_FILE, DAMAGED_FILE)) != 0) {
            // Without the copy the player could recover rows from, the file stays.
            reason =
                "cannot keep the damaged file as "s + DAMAGED_FILE + ": " + std::strerror(error);
        } else {
            if (damaged) {
                std::fprintf(stderr,
                             "tessalorium: the high scores in %s were damaged; the file is kept "
                             "as %s\n",
                             shown(HIGHSCORE_FILE).c_str(), shown(DAMAGED_FILE).c_str());
            }
            for (const ScoreChange& change : unsaved) {
                change.renames ? renameAt(saved, change.row, change.name)
                               : insertAt(saved, change.row, rankAmong(saved, change.row.score));
            }
            error = replaceFile(HIGHSCORE_FILE, scoreFileContent(saved));
            if (error == 0) {
                std::copy(std::begin(saved), std::end(saved), rows);
                unsaved.clear();
                dirty = false;
                return true;
            }
            reason = std::strerror(error);
        }
    } catch (...) {
        // Out of memory: said below like any other failure.
    }
    std::fprintf(stderr, "tessalorium: cannot save the high scores in %s: %s\n",
                 shown(HIGHSCORE_FILE).c_str(), reason.c_str());
    return false;
}

void HighscoreTable::reset()
{
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        rows[i] = HighscoreEntry{};
    }
}

uint32_t HighscoreTable::rank(uint32_t score)
{
    const uint32_t rank = rankAmong(rows, score);
    dirty = dirty || rank < TABLE_SIZE;
    return rank;
}

void HighscoreTable::insert(const HighscoreEntry& entry, uint32_t rank)
{
    if (rank < TABLE_SIZE) {
        insertAt(rows, entry, rank);
        unsaved.push_back({entry, false, {}});
    }
}

void HighscoreTable::rename(const HighscoreEntry& row, const std::string& name)
{
    renameAt(rows, row, name);
    dirty = true;
    // An insertion still unsaved simply carries the name.
    for (auto change = unsaved.rbegin(); change != unsaved.rend(); ++change) {
        if (!change->renames && sameRow(change->row, row)) {
            change->row.name = name;
            return;
        }
    }
    unsaved.push_back({row, true, name});
}
