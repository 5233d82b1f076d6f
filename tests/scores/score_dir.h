// Each high score test works in a directory of its own, so the file it
// writes and the temporary files of a save can be seen in isolation.
#pragma once

#include "scores/highscores.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using Rows = std::vector<std::pair<std::string, uint32_t>>;

class ScoreDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string dir;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
// Every entry of the working directory except the given ones.
std::vector<std::string> strayFiles(std::initializer_list<std::string> expected = {"hiscores.dat"});

Rows rowsOf(const HighscoreTable& table);
void setRows(HighscoreTable& table, const Rows& rows);
// The file the game writes for these rows.
std::string fileFor(const Rows& rows);

const Rows DEFAULT_ROWS(TABLE_SIZE, {"Nobody", 0});
