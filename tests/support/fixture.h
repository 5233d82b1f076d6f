// A real Game on SDL's dummy video driver, with the harness reset.
#pragma once

#include "game/game.h"
#include "tests/support/harness.h"
#include "tests/support/screen.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

// Fixed seed for tests that depend on the pieces drawn.
constexpr unsigned TEST_SEED = 12345;

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Ten strings of ten cells, top row first: '0'-'6' piece kinds,
    // 'W' wildcard, 'F' fixed, '.' empty. Recounts the empty cells.
    void setBoard(std::initializer_list<const char*> rows);
    std::string boardText() const;

    Game* game = nullptr;
};

// Directory holding gfx/ for the whole test run (the working directory).
std::string testDirectory();
std::string sourceDirectory();
