// The format of the high score file; for scores/ only.
#pragma once

#include "scores/highscores.h"

#include <string>

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

// What the file holds for these TABLE_SIZE rows.
std::string scoreFileContent(const HighscoreEntry* rows);
