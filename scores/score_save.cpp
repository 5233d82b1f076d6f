// "hiscores.dat", written: a save adds this run's changes to the table as
// the file holds it at that moment, so two copies of the game playing at
// once both keep their scores, and replaces the file only by renaming a
// complete new copy over it (file_replace_posix.cpp), so a failed or
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
#include <string>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr const char* DAMAGED_FILE = "hiscores.dat.damaged";

std::string fileContent(const HighscoreEntry* rows)
{
    std::string content = std::to_string(TABLE_SIZE) + "\n";
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        content += rows[i].name + "\n" + std::to_string(rows[i].score) + "\n";
    }
    return content;
}

// The file's name as the player finds it: absolute where that is known.
std::string shown(const char* name)
{
    std::error_code unknown;
    const fs::path path = fs::absolute(name, unknown);
    return unknown ? name : path.string();
}

}  // namespace

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
            error = replaceFile(HIGHSCORE_FILE, fileContent(saved));
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
