// A real Game on SDL's dummy driver, and reading back what the player sees.
#pragma once

#include "tests/support/harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Colours as 0xRRGGBB. The faces of the game's texts are written out here:
// a test that took them from the game would agree with any wrong colour.
constexpr uint32_t MAGENTA = 0xFF00FF, GREEN = 0x88FF77, BLUE = 0x0099FF, YELLOW = 0xFFEE77,
                   WHITE = 0xFFFFFF, BLACK = 0;
uint32_t pixel(SDL_Surface* surface, int x, int y);  // off the surface: 0x070707

// The board as text, a line per row: '0'-'6' kinds, 'W' wildcard, 'F'
// fixed, '.' empty; short or missing rows are empty cells.
std::string boardOf(const std::vector<std::string>& rows);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void setBoard(const std::vector<std::string>& rows);
    std::string boardText() const;
    // The cell shows exactly this tile, or with `marked` the marker over it.
    bool cellShows(uint32_t column, uint32_t row, uint32_t tile, bool marked = false);
    // The `length` characters drawn in `face` at (x, y) as drawText places
    // them: ' ' where none of that colour is, '?' for anything else.
    std::string textAt(int x, int y, size_t length, uint32_t face);

    Game* game = nullptr;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
