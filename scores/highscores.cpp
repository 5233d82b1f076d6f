// The high score table: the five best final scores, where a new one ranks,
// and the process-wide table the game keeps (its file: score_file.cpp and
// score_save.cpp).
#include "scores/score_file.h"

#include <new>

namespace {

HighscoreTable* theTable = nullptr;

}  // namespace

HighscoreTable* HighscoreTable::instance()
{
    if (theTable == nullptr) {
        try {
            theTable = new (std::nothrow) HighscoreTable;
        } catch (...) {
            // The rows could not be allocated; the callers cope without a table.
            theTable = nullptr;
        }
    }
    return theTable;
}

void HighscoreTable::shutdown()
{
    delete theTable;
    theTable = nullptr;
}

HighscoreTable::~HighscoreTable()
{
    if (dirty) {
        save();
    }
    delete[] rows;
}

void HighscoreTable::reset()
{
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        rows[i] = HighscoreEntry{};
    }
}

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

uint32_t HighscoreTable::rank(uint32_t score)
{
    const uint32_t rank = rankAmong(rows, score);
    dirty = dirty || rank < TABLE_SIZE;
    return rank;
}

namespace {

// Rows carry no identity: a row is known by its name and score.
bool sameRow(const HighscoreEntry& a, const HighscoreEntry& b)
{
    return a.name == b.name && a.score == b.score;
}

}  // namespace

void renameAt(HighscoreEntry* rows, const HighscoreEntry& row, const std::string& name)
{
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        if (sameRow(rows[i], row)) {
            rows[i].name = name;
            return;
        }
    }
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
