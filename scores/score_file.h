// Between the high score table and its file; for scores/ only.
#pragma once

#include "scores/highscores.h"

// What reading the file found.
enum class ScoreFileRead {
    WHOLE,       // a table of ours, every row read
    MISSING,     // no file at all
    REFUSED,     // no table of ours: another row count, or no count
    PARTIAL,     // the count right, but from some item on nothing readable
    UNREADABLE,  // there, but not to be read: permissions, a read error, not a file
};

// Reads the file into `rows`, which only WHOLE and PARTIAL change (the rows
// after the first unreadable item get empty names and zero scores). For
// UNREADABLE, `error` is the error, or 0 for something that is not a file.
ScoreFileRead readScoreFile(HighscoreEntry* rows, int& error);

// Where a score goes among TABLE_SIZE rows, TABLE_SIZE when it does not
// rank; and its insertion there, the last row dropping out.
uint32_t rankAmong(const HighscoreEntry* rows, uint32_t score);
void insertAt(HighscoreEntry* rows, const HighscoreEntry& entry, uint32_t rank);
// Gives `name` to the first row alike `row` in name and score, if any.
void renameAt(HighscoreEntry* rows, const HighscoreEntry& row, const std::string& name);
