// A real Game on SDL's dummy driver, and reading back what the player sees.
#pragma once

#include "tests/support/harness.h"

#include <gtest/gtest.h>

// The faces of the game's texts, written out here: a test that took them
// from the game would agree with any wrong colour.
struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};
constexpr Rgb MAGENTA{255, 0, 255}, GREEN{136, 255, 119}, BLUE{0, 153, 255},
    YELLOW{255, 238, 119}, WHITE{255, 255, 255}, BLACK{0, 0, 0};
Rgb pixel(SDL_Surface* surface, int x, int y);

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
    // them: ' ' for none of that colour, '?' for anything unreadable.
    std::string textAt(int x, int y, size_t length, Rgb face);

    Game* game = nullptr;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
std::string sourceDirectory();
