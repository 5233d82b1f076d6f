// A real Game on SDL's dummy video driver, with the harness reset.
#pragma once

#include "game/game.h"
#include "tests/support/harness.h"
#include "tests/support/screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Fixed seed for tests that depend on the pieces drawn.
constexpr unsigned TEST_SEED = 12345;

// The board as text, one line per row, top row first: '0'-'6' piece kinds,
// 'W' wildcard, 'F' fixed, '.' empty. Short rows, and rows missing at the
// bottom, are filled with empty cells.
std::string boardOf(const std::vector<std::string>& rows);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sets the board to boardOf(rows) and recounts the empty cells.
    void setBoard(const std::vector<std::string>& rows);
    // The board as boardOf writes it.
    std::string boardText() const;

    Game* game = nullptr;
};

// Directory holding gfx/ for the whole test run (the working directory).
std::string testDirectory();
std::string sourceDirectory();
