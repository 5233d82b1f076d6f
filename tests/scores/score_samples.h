// The tables and helpers the scores tests share.
#pragma once

#include "scores/highscores.h"
#include "scores/score_file.h"

#include <algorithm>
#include <filesystem>
#include <string>

inline const std::string NOBODY = "5\nNobody\n0\nNobody\n0\nNobody\n0\nNobody\n0\nNobody\n0\n";
inline const std::string SAMPLE = "5\nAnn\n500\nBo\n400\nCyd\n300\nDee\n200\nEve\n100\n";
inline const std::string PARTLY = "5\nAnn\n500\nBo\n400\nBob\n8000x\nDee\n200\nEve\n100\n";

// The table as its file holds it (the tables' literals guard the writer).
inline const auto textOf = [](const HighscoreTable& table) { return scoreFileContent(table.rows); };

// Copies that saves left behind.
inline long strays()
{
    namespace fs = std::filesystem;
    return std::count_if(fs::directory_iterator("."), {}, [](const fs::directory_entry& entry) {
        return entry.path().filename().string().rfind(std::string(HIGHSCORE_FILE) + ".", 0) == 0;
    });
}
