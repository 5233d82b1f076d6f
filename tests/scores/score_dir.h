// Each high score test works in a folder of its own, so the file it writes
// and any temporary file a save leaves behind can be seen in isolation.
#pragma once

#include "scores/highscores.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

using Rows = std::vector<std::pair<std::string, uint32_t>>;

const Rows DEFAULT_ROWS(TABLE_SIZE, {"Nobody", 0});
const Rows SAMPLE_ROWS = {{"Ann", 500}, {"Bo", 400}, {"Cyd", 300}, {"Dee", 200}, {"Eve", 100}};

class ScoreDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string dir;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
// The entries of the working folder other than the expected ones.
std::vector<std::string> strayFiles(std::initializer_list<std::string> expected = {"hiscores.dat"});

Rows rowsOf(const HighscoreTable& table);
void setRows(HighscoreTable& table, const Rows& rows);
// The bytes the game writes for these rows.
std::string fileFor(const Rows& rows);
