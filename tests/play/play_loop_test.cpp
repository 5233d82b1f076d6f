#include "play/play_loop.h"

#include "render/colors.h"
#include "scores/highscores.h"
#include "tests/scores/score_dir.h"
#include "tests/soak/event_storm.h"
#include "tests/support/fixture.h"

#include <algorithm>

namespace {

// The middle of a cell, as a player would aim.
const auto px = storm::cellX;
const auto py = storm::cellY;

constexpr int NEW_GAME_PX = 140;
constexpr int UNDO_PX = 35;
constexpr int BUTTONS_PY = 245;
constexpr int CLOSE_PX = 198;
constexpr int CLOSE_PY = 6;

int eventsLeft()
{
    int left = 0;
    SDL_Event event;
    while (SDL_PollEvent(&event) == 1) {
        ++left;
    }
    return left;
}

}  // namespace

class PlayLoopTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        game->undoAvailable = true;
        // Three of a kind waiting for a fourth, a fixed piece, room to move.
        setBoard({"222", "....2", "", "", ".....F"});
        game->drawBoard();
    }
};

TEST(CellMapping, TheMouseSpanIsSlightlyWiderThanTheTiles)
{
    // 162 pixels map onto ten cells: pixel 39 is still column 0.
    const struct {
        Uint16 x, y;
        uint32_t column, row;  // BOARD_W / BOARD_H: anywhere off the board
    } cases[] = {
        {23, 57, 0, 0},    {39, 73, 0, 0},    {40, 74, 1, 1},        {184, 218, 9, 9},
        {185, 100, 10, 2}, {100, 219, 4, 10}, {22, 100, BOARD_W, 2}, {100, 56, 4, BOARD_H},
    };
    for (const auto& c : cases) {
        const BoardCell cell = cellAt(c.x, c.y);
        EXPECT_EQ(std::min(cell.column, BOARD_W), c.column) << c.x << "," << c.y;
        EXPECT_EQ(std::min(cell.row, BOARD_H), c.row) << c.x << "," << c.y;
    }
}

TEST_F(PlayLoopTest, ADragMovesThePieceAndRunsTheWholeTurn)
{
    game->score = 495;
    harness::pushDrag(px(4), py(1), px(3), py(0));
    EXPECT_EQ(playLoop(*game, STATE_PLAY), STATE_PLAY) << "the queue ran dry: the wait failed";

    EXPECT_EQ(game->turns, 1u);
    EXPECT_GE(game->score, 505u) << "the four were cleared";
    EXPECT_EQ(game->level, 2u) << "and the level checked after the spawn";
    EXPECT_EQ(game->emptyCount, 100u - 1u - 4u) << "the fixed piece and four new ones";
    for (const CellPos& marker : game->markers) {
        ASSERT_NE(marker.x, NO_MARKER);
        EXPECT_NE(game->getCell(marker.x, marker.y), CELL_EMPTY);
    }
    EXPECT_EQ(harness::delays().size(), 4u * 16u + 1u) << "four cells of animation, one banner";
}

TEST_F(PlayLoopTest, DraggingShowsWhetherTheDropWouldBeAllowed)
{
    harness::pushButtonDown(px(4), py(1));
    harness::pushMotion(px(5), py(2), SDL_BUTTON(1));
    playLoop(*game, STATE_PLAY);
    EXPECT_TRUE(screen::cellShows(*game, 5, 2, TILE_CURSOR_OK));

    harness::pushButtonDown(px(4), py(1));
    harness::pushMotion(px(6), py(1), SDL_BUTTON(1));
    playLoop(*game, STATE_PLAY);
    EXPECT_TRUE(screen::cellShows(*game, 6, 1, TILE_CURSOR_BAD)) << "two steps away";

    harness::pushButtonDown(px(4), py(1));
    harness::pushMotion(px(5), py(2), SDL_BUTTON(1));
    harness::pushButtonUp(px(5), py(2));
    playLoop(*game, STATE_PLAY);
    EXPECT_FALSE(screen::cellShows(*game, 5, 2, TILE_CURSOR_OK)) << "the release removes it";
}

TEST_F(PlayLoopTest, NeitherARefusedDropNorAReleaseBeforeAnyPressChangesAnything)
{
    const std::string before = boardText();
    // As if the press happened on the title screen, over the piece.
    harness::pushButtonUp(px(3), py(0));
    harness::pushDrag(px(5), py(4), px(5), py(5));  // the fixed piece
    playLoop(*game, STATE_PLAY);
    EXPECT_EQ(boardText(), before);
    EXPECT_EQ(game->turns, 0u);
}

TEST_F(PlayLoopTest, ButtonsActWheneverThePressOrReleaseIsOffTheBoard)
{
    harness::pushDrag(px(4), py(1), NEW_GAME_PX, BUTTONS_PY);
    harness::pushMotion(10, 10);
    harness::pushMotion(11, 11);
    EXPECT_EQ(playLoop(*game, STATE_PLAY), STATE_NEW_GAME);
    EXPECT_EQ(eventsLeft(), 1) << "one more event is taken before the loop ends";

    const std::string before = boardText();
    harness::pushButtonDown(NEW_GAME_PX, BUTTONS_PY);
    harness::pushButtonUp(px(3), py(0));
    EXPECT_EQ(playLoop(*game, STATE_PLAY), STATE_PLAY);
    EXPECT_EQ(boardText(), before) << "pressing a button and dropping on the board does nothing";
}

TEST_F(PlayLoopTest, CloseBoxAndQuitRequestEndTheLoop)
{
    harness::pushButtonDown(CLOSE_PX, CLOSE_PY);
    harness::pushButtonUp(CLOSE_PX, CLOSE_PY);
    EXPECT_EQ(playLoop(*game, STATE_PLAY), STATE_QUIT);
    harness::pushQuit();
    EXPECT_EQ(playLoop(*game, STATE_PLAY), STATE_QUIT);

    // Just left of and below the close box.
    harness::pushButtonDown(190, 5);
    harness::pushButtonUp(190, 5);
    harness::pushButtonDown(200, 16);
    harness::pushButtonUp(200, 16);
    EXPECT_EQ(playLoop(*game, STATE_PLAY), STATE_PLAY);
}

TEST_F(PlayLoopTest, UndoButtonTakesBackTheMove)
{
    srand(77);
    harness::pushDrag(px(4), py(1), px(5), py(2));
    harness::pushButtonDown(UNDO_PX, BUTTONS_PY);
    harness::pushButtonUp(UNDO_PX, BUTTONS_PY);
    playLoop(*game, STATE_PLAY);
    EXPECT_EQ(game->turns, 0u);
    EXPECT_EQ(game->getCell(4, 1), 2u);
    EXPECT_EQ(game->emptyCount, 95u);
    EXPECT_FALSE(game->undoAvailable);
}

TEST_F(PlayLoopTest, LabelsLightUpUnderTheMouse)
{
    harness::pushMotion(NEW_GAME_PX, BUTTONS_PY);
    playLoop(*game, STATE_PLAY);
    EXPECT_EQ(screen::textAt(*game, 100, 237, 8, COLOR_WHITE), "NEW GAME");
    EXPECT_EQ(screen::textAt(*game, 16, 237, 4, COLOR_WHITE), "    ") << "no undo at 0 turns";

    game->turns = 1;
    game->drawBoard();
    harness::pushMotion(UNDO_PX, BUTTONS_PY);
    playLoop(*game, STATE_PLAY);
    EXPECT_EQ(screen::textAt(*game, 16, 237, 4, COLOR_WHITE), "UNDO");
    EXPECT_EQ(screen::textAt(*game, 100, 237, 8, COLOR_YELLOW), "NEW GAME");

    harness::pushMotion(60, BUTTONS_PY);  // one past the label
    playLoop(*game, STATE_PLAY);
    EXPECT_EQ(screen::textAt(*game, 16, 237, 4, COLOR_YELLOW), "UNDO");
}

class GameOverTest : public GameTest {
protected:
    // No group can form: each cell's neighbours are of other kinds, and the
    // four empty cells are far apart. Moving (0,0) right fills the board
    // with the spawn that follows.
    void SetUp() override
    {
        GameTest::SetUp();
        setBoard({"0.23012301", "2301230123", "01230123.1", "2301230123", "0123012301",
                  "2301230123", "0123012301", "23.1230123", "0123012.01", "2301230123"});
        game->undoAvailable = true;
        game->score = 41;
        game->turns = 6;
        game->drawBoard();
        // No group can clear here, so the last frame before the first pause
        // is the game-over screen.
        harness::onFlip([this](SDL_Surface*) {
            if (harness::delays().empty()) {
                overTitle = screen::textAt(*game, 53, 70, 9, COLOR_MAGENTA);
                bonusTitle = screen::textAt(*game, 48, 90, 10, COLOR_GREEN);
                bonus = screen::textAt(*game, 97, 110, 1, COLOR_BLUE);
            }
        });
    }

    std::string overTitle, bonusTitle, bonus;
};

TEST_F(GameOverTest, AFullBoardEndsTheGameWithTheTurnBonusAndARankedName)
{
    writeFile(HIGHSCORE_FILE, "5\nAnn\n900\nBen\n48\nCid\n40\nDot\n30\nEve\n20\n");
    HighscoreTable::shutdown();  // read the file afresh
    harness::pushDrag(px(0), py(0), px(1), py(0));
    harness::pushKey(SDLK_b, KMOD_LSHIFT);
    harness::pushKey(SDLK_o);
    harness::pushKey(SDLK_RETURN);
    harness::pushMotion(3, 3);  // the event that lets the loop end
    harness::pushMotion(4, 4);

    EXPECT_EQ(playLoop(*game, STATE_PLAY), STATE_GAME_ENDED);

    EXPECT_EQ(overTitle, "Game Over");
    EXPECT_EQ(bonusTitle, "Turn Bonus");
    EXPECT_EQ(bonus, "7");
    EXPECT_EQ(harness::delays(), std::vector<uint32_t>{5000});
    EXPECT_EQ(eventsLeft(), 1);
    // Below the equal score, and saved at once, long before the program ends.
    EXPECT_EQ(readFile(HIGHSCORE_FILE), "5\nAnn\n900\nBen\n48\nBo\n48\nCid\n40\nDot\n30\n");
}

TEST_F(GameOverTest, AScoreThatDoesNotRankSkipsTheNameEntry)
{
    const std::string table = "5\nAnn\n900\nBen\n800\nCid\n700\nDot\n600\nEve\n48\n";
    writeFile(HIGHSCORE_FILE, table);
    HighscoreTable::shutdown();
    harness::pushDrag(px(0), py(0), px(1), py(0));
    harness::pushKey(SDLK_x);
    harness::pushKey(SDLK_y);

    EXPECT_EQ(playLoop(*game, STATE_PLAY), STATE_GAME_ENDED);

    EXPECT_EQ(eventsLeft(), 1) << "only the one event after game over was taken";
    EXPECT_EQ(readFile(HIGHSCORE_FILE), table);
    EXPECT_FALSE(HighscoreTable::instance()->dirty) << "a tie with the last row does not rank";
}
