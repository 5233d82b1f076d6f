// A real Game on SDL's dummy driver, and what the player sees of it.
#pragma once

#include "tests/support/harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The board as text, a line per row: '0'-'6' kinds, 'W' wildcard, 'F'
// fixed, '.' empty; short or missing rows are empty cells.
std::string boardOf(const std::vector<std::string>& rows);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void setBoard(const std::vector<std::string>& rows);
    std::string boardText() const;
    // The screen's `area` is the golden picture NAME (see fixture.cpp).
    ::testing::AssertionResult looksLike(const std::string& name, SDL_Rect area = {0, 0, 206, 274});

    Game* game = nullptr;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
