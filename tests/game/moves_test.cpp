#include "tests/support/fixture.h"

class MovesTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        arrange();
    }

    // A piece of kind 2 in the middle with room all round, a fixed piece,
    // a blocked neighbour, and a wildcard in a corner.
    void arrange()
    {
        setBoard({"", "", "", "", "....2", "......F", "......1", "", "", "W"});
        game->turns = 0;
        game->undoAvailable = true;
    }
};

TEST_F(MovesTest, OneStepInEveryDirectionAndNothingElse)
{
    struct Case {
        uint32_t x1, y1, x2, y2;
        bool allowed;
        const char* what;
    };
    const Case cases[] = {
        {4, 4, 5, 4, true, "right"},
        {4, 4, 3, 4, true, "left"},
        {4, 4, 4, 3, true, "up"},
        {4, 4, 4, 5, true, "down"},
        {4, 4, 5, 5, true, "down-right"},
        {4, 4, 3, 3, true, "up-left"},
        {0, 9, 1, 8, true, "a wildcard"},
        {4, 4, 2, 4, false, "two columns left"},
        {4, 4, 4, 2, false, "two rows up"},
        {6, 5, 7, 5, false, "fixed piece"},
        {0, 0, 1, 0, false, "empty source"},
        {6, 6, 6, 5, false, "occupied target"},
    };
    for (const Case& c : cases) {
        arrange();
        const std::string before = boardText();
        const uint32_t piece = game->getCell(c.x1, c.y1);
        EXPECT_EQ(game->tryMove(c.x1, c.y1, c.x2, c.y2), c.allowed) << c.what;
        if (c.allowed) {
            EXPECT_EQ(game->getCell(c.x2, c.y2), piece) << c.what;
            EXPECT_EQ(game->getCell(c.x1, c.y1), CELL_EMPTY) << c.what;
            EXPECT_EQ(game->turns, 1u) << c.what;
            EXPECT_TRUE(screen::cellShows(*game, c.x2, c.y2, piece)) << "redrawn: " << c.what;
        } else {
            EXPECT_EQ(boardText(), before) << c.what;
            EXPECT_EQ(game->turns, 0u) << c.what;
        }
    }
}

TEST_F(MovesTest, TheMarkerStaysBehindOnTheSourceCell)
{
    game->markers[0] = {4, 4};
    game->markers[1] = {6, 6};
    EXPECT_TRUE(game->tryMove(4, 4, 5, 4));
    EXPECT_EQ(game->markers[0].x, NO_MARKER);
    EXPECT_EQ(game->markers[1].x, 6u);
    EXPECT_FALSE(screen::cellShowsMarked(*game, 5, 4, 2));
}

TEST_F(MovesTest, UndoRestoresBoardAndScoreButNotTheLevel)
{
    game->score = 480;
    game->markers[2] = {6, 6};
    ASSERT_TRUE(game->tryMove(4, 4, 4, 3));
    game->setCell(0, 0, 3);  // as if a spawn followed
    game->score = 510;
    game->level = 2;

    game->undoMove();

    EXPECT_EQ(game->getCell(4, 4), 2u);
    EXPECT_EQ(game->getCell(4, 3), CELL_EMPTY);
    EXPECT_EQ(game->getCell(0, 0), CELL_EMPTY);
    EXPECT_EQ(game->score, 480u);
    EXPECT_EQ(game->turns, 0u);
    EXPECT_EQ(game->level, 2u);
    EXPECT_FALSE(game->undoAvailable);
    EXPECT_EQ(game->emptyCount, 96u);
    for (const CellPos& marker : game->markers) {
        EXPECT_EQ(marker.x, NO_MARKER);
    }
    EXPECT_TRUE(screen::cellShows(*game, 4, 4, 2)) << "the undone board is on screen";
}

TEST_F(MovesTest, ARefusedAttemptIsWhatTheUndoGoesBackTo)
{
    ASSERT_TRUE(game->tryMove(4, 4, 4, 3));
    game->setCell(9, 9, 1);  // spawned after the move
    game->score = 25;
    game->turns = 4;
    EXPECT_FALSE(game->tryMove(6, 5, 7, 5));  // the fixed piece will not budge
    game->score = 40;
    game->setCell(8, 8, 0);

    game->undoMove();

    EXPECT_EQ(game->getCell(4, 3), 2u) << "the successful move is kept";
    EXPECT_EQ(game->getCell(9, 9), 1u) << "so are the pieces spawned after it";
    EXPECT_EQ(game->getCell(8, 8), CELL_EMPTY);
    EXPECT_EQ(game->score, 25u) << "the score as of the refused attempt";
    EXPECT_EQ(game->turns, 3u);
}

TEST_F(MovesTest, OneUndoPerGameAndNoneBeforeTheFirstMove)
{
    game->undoMove();
    EXPECT_TRUE(game->undoAvailable) << "nothing to undo at 0 turns";

    ASSERT_TRUE(game->tryMove(4, 4, 4, 3));
    ASSERT_TRUE(game->tryMove(4, 3, 4, 2));
    game->undoMove();
    EXPECT_EQ(game->getCell(4, 3), 2u);
    game->undoMove();
    EXPECT_EQ(game->getCell(4, 3), 2u) << "the second undo does nothing";
    EXPECT_EQ(game->turns, 1u);
}
