// Between the high score table and its file; for scores/ only.
#pragma once

#include "scores/highscores.h"

// Reads the file into `rows`. False when it holds no table of ours (another
// row count, not a regular file, a read error); a missing file reads as it
// was, true with `rows` untouched.
bool readScoreFile(HighscoreEntry* rows);

// Removes the temporary copies that killed saves left behind.
void removeAbandonedCopies();

// Where a score goes among TABLE_SIZE rows, TABLE_SIZE when it does not
// rank; and its insertion there, the last row dropping out.
uint32_t rankAmong(const HighscoreEntry* rows, uint32_t score);
void insertAt(HighscoreEntry* rows, const HighscoreEntry& entry, uint32_t rank);
// Gives `name` to the first row alike `row` in name and score, if any.
void renameAt(HighscoreEntry* rows, const HighscoreEntry& row, const std::string& name);
