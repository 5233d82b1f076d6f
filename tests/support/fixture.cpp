#include "tests/support/fixture.h"

#include "scores/highscores.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

void GameTest::SetUp()
{
    HighscoreTable::shutdown();
    std::remove(HIGHSCORE_FILE);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    game = new Game;
    ASSERT_TRUE(game->initVideo()) << SDL_GetError();
    game->resetBoard();
    srand(TEST_SEED);
    harness::reset();
}

void GameTest::TearDown()
{
    harness::reset();
    // Every test starts from no table and no file.
    HighscoreTable::shutdown();
    std::remove(HIGHSCORE_FILE);
    delete game;
    game = nullptr;
    SDL_Quit();
}

namespace {

// Each cell code's letter, at its code.
const std::string CELL_LETTERS = "0123WF6.";

}  // namespace

std::string boardOf(const std::vector<std::string>& rows)
{
    EXPECT_LE(rows.size(), BOARD_H);
    std::string text;
    for (uint32_t y = 0; y < BOARD_H; ++y) {
        const std::string row = y < rows.size() ? rows[y] : "";
        EXPECT_LE(row.size(), BOARD_W) << "row " << y;
        text += row + std::string(BOARD_W - std::min<size_t>(row.size(), BOARD_W), '.') + "\n";
    }
    return text;
}

void GameTest::setBoard(const std::vector<std::string>& rows)
{
    const std::string text = boardOf(rows);
    for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
        const size_t code = CELL_LETTERS.find(text[n + n / BOARD_W]);
        ASSERT_NE(code, std::string::npos) << "cell " << n;
        game->board[n] = static_cast<uint32_t>(code);
    }
    game->countEmptyCells();
}

std::string GameTest::boardText() const
{
    std::string text;
    for (uint32_t n = 0; n < BOARD_CELLS; ++n) {
        text += game->board[n] <= CELL_EMPTY ? CELL_LETTERS[game->board[n]] : '?';
        text += n % BOARD_W == BOARD_W - 1 ? "\n" : "";
    }
    return text;
}

std::string sourceDirectory()
{
    return TESSALORIUM_SOURCE_DIR;
}
