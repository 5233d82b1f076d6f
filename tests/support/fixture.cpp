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

void GameTest::setBoard(std::initializer_list<const char*> rows)
{
    ASSERT_EQ(rows.size(), BOARD_H);
    uint32_t y = 0;
    for (const char* row : rows) {
        ASSERT_EQ(std::string(row).size(), BOARD_W) << "row " << y;
        for (uint32_t x = 0; x < BOARD_W; ++x) {
            const char c = row[x];
            uint32_t code = CELL_EMPTY;
            if (c == 'W') {
                code = CELL_WILD;
            } else if (c == 'F') {
                code = CELL_FIXED;
            } else if (c >= '0' && c <= '6') {
                code = static_cast<uint32_t>(c - '0');
            } else {
                ASSERT_EQ(c, '.') << "row " << y;
            }
            game->setCell(x, y, code);
        }
        ++y;
    }
    game->countEmptyCells();
}

std::string GameTest::boardText() const
{
    std::string text;
    for (uint32_t y = 0; y < BOARD_H; ++y) {
        for (uint32_t x = 0; x < BOARD_W; ++x) {
            const uint32_t code = game->getCell(x, y);
            text += code == CELL_EMPTY   ? '.'
                    : code == CELL_WILD  ? 'W'
                    : code == CELL_FIXED ? 'F'
                                         : static_cast<char>('0' + code);
        }
        text += '\n';
    }
    return text;
}

std::string sourceDirectory()
{
    return TESSALORIUM_SOURCE_DIR;
}
