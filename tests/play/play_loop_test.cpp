// The play loop driven by mouse events as a player makes them.
#include "play/play_loop.h"

#include "game/pause.h"
#include "scores/highscores.h"
#include "tests/support/fixture.h"

constexpr int UNDO_X = 35, NEW_GAME_X = 140, BUTTONS_Y = 245;
// Tables where the final 48 of fillTheBoard ranks (below an equal 48), and where it does not.
const std::string RANKS = "5\nAnn\n900\nBen\n48\nCid\n40\nDot\n30\nEve\n20\n";
const std::string LOW = "5\nAnn\n900\nBen\n800\nCid\n700\nDot\n600\nEve\n48\n";
const auto ranked = [](const std::string& name) {
    return "5\nAnn\n900\nBen\n48\n" + name + "\n48\nCid\n40\nDot\n30\n";
};
// The cell's picture, as the drag cursor covers it.
const auto under = [](int column, int row) {
    return SDL_Rect{Sint16(cellX(column) - 8), Sint16(cellY(row) - 8), 16, 16};
};
// Events still queued: what the loop did not take.
const auto eventsLeft = [] {
    SDL_Event e[8];
    return SDL_PeepEvents(e, 8, SDL_PEEKEVENT, SDL_ALLEVENTS);
};

class PlayLoop : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        // Three of a kind waiting for a fourth, a fixed piece, room to move.
        setBoard({"222", "....2", "", "", ".....F"});
        game->undoAvailable = true;
        game->drawBoard();
    }
    // No group can form; moving (0,0) right fills the board with the spawn,
    // and the game ends with a final score of 48.
    void fillTheBoard()
    {
        setBoard({"0.23012301", "2301230123", "01230123.1", "2301230123", "0123012301",
                  "2301230123", "0123012301", "23.1230123", "0123012.01", "2301230123"});
        game->score = 41;
        game->turns = 6;
        harness::drag(cellX(0), cellY(0), cellX(1), cellY(0));
    }
};

TEST(CellMapping, TheMouseSpanIsSlightlyWiderThanTheTiles)
{
    // Column, row; 10 for anywhere off the board.
    const std::tuple<Uint16, Uint16, uint32_t, uint32_t> cases[] = {
        {23, 57, 0, 0},    {39, 73, 0, 0},    {40, 74, 1, 1},   {184, 218, 9, 9},
        {185, 100, 10, 2}, {100, 219, 4, 10}, {22, 100, 10, 2}, {100, 56, 4, 10}};
    for (const auto& [x, y, column, row] : cases) {
        const CellPos cell = cellAt(x, y);
        EXPECT_EQ(std::pair(std::min(cell.x, 10u), std::min(cell.y, 10u)), std::pair(column, row));
    }
}

// UNDO takes back the last move with the pieces that came after it and its
// points, once a game; neither a click on a piece nor a refused drop is a
// move to take back.
TEST_F(PlayLoop, ADragPlaysTheWholeTurnAndUndoTakesItBackOnce)
{
    game->score = 495;
    harness::drag(UNDO_X, BUTTONS_Y, UNDO_X, BUTTONS_Y);  // nothing to take back yet
    harness::drag(cellX(4), cellY(1), cellX(3), cellY(0));
    EXPECT_EQ(playLoop(*game, STATE_PLAY), STATE_PLAY) << "the input ran out";
    EXPECT_GE(game->score, 505u) << "the four were cleared";
    EXPECT_EQ(std::tuple(game->turns, game->level, game->emptyCount), std::tuple(1u, 2u, 95u))
        << "one turn, the level raised, the fixed piece and four new ones on the board";
    harness::drag(cellX(5), cellY(4), cellX(5), cellY(4));
    harness::drag(cellX(5), cellY(4), cellX(5), cellY(5));
    harness::drag(UNDO_X, BUTTONS_Y, UNDO_X, BUTTONS_Y);
    playLoop(*game, STATE_PLAY);
    EXPECT_EQ(boardText(), boardOf({"222", "....2", "", "", ".....F"}));
    EXPECT_EQ(
        std::tuple(game->score, game->turns, game->level, game->emptyCount, game->markers[0].x),
        std::tuple(495u, 0u, 2u, 95u, NO_MARKER))
        << "score and turn taken back, the level kept, the new pieces' markers gone";
    harness::drag(cellX(4), cellY(1), cellX(4), cellY(2));
    harness::drag(UNDO_X, BUTTONS_Y, UNDO_X, BUTTONS_Y);
    playLoop(*game, STATE_PLAY);
    EXPECT_EQ(game->getCell(4, 2), 2u) << "a second undo does nothing";
}

TEST_F(PlayLoop, DraggingShowsWhetherTheDropWouldBeAllowed)
{
    const std::string before = boardText();
    for (const auto& [x, y, cursor] : {std::tuple{5, 2, "cursor-ok"}, {6, 1, "cursor-bad"}}) {
        harness::push({harness::mouse(SDL_MOUSEBUTTONDOWN, cellX(4), cellY(1)),
                       harness::mouse(SDL_MOUSEMOTION, cellX(x), cellY(y))});
        playLoop(*game, STATE_PLAY);
        EXPECT_TRUE(looksLike(cursor, under(x, y)));
    }
    // The first cursor went with the motion that drew the second: an empty cell again.
    EXPECT_TRUE(looksLike("cursor-gone", under(5, 2)));
    // Neither a release before any press (the title's click), a wheel step
    // (on the buttons, the close box or a piece), a refused drop, nor a press
    // on a button released on the board changes anything.
    harness::push({harness::mouse(SDL_MOUSEBUTTONUP, cellX(3), cellY(0))});
    for (const Uint8 wheel : {SDL_BUTTON_WHEELUP, SDL_BUTTON_WHEELDOWN}) {
        for (const auto& [x, y] : {std::pair{140, 245}, {198, 6}, {cellX(4), cellY(1)}}) {
            harness::push({harness::mouse(SDL_MOUSEBUTTONDOWN, x, y, wheel),
                           harness::mouse(SDL_MOUSEBUTTONUP, x, y, wheel)});
        }
        harness::push({harness::mouse(SDL_MOUSEBUTTONUP, cellX(3), cellY(0))});
    }
    harness::drag(cellX(5), cellY(4), cellX(5), cellY(5));
    harness::drag(NEW_GAME_X, BUTTONS_Y, cellX(3), cellY(0));
    EXPECT_EQ(playLoop(*game, STATE_PLAY), STATE_PLAY);
    EXPECT_EQ(boardText(), before);
    // Each cursor goes at the release, the refused drop's too.
    EXPECT_TRUE(looksLike("cursor-gone", under(6, 1)) && looksLike("cursor-gone", under(5, 5)));
}

TEST_F(PlayLoop, ButtonsAndTheCloseBoxEndTheLoopAtOnce)
{
    // Clicks on the edges of NEW GAME and of the close box, and just outside.
    const SDL_Event away = harness::mouse(SDL_MOUSEMOTION, 1, 1);
    const std::tuple<int, int, ScreenState> clicks[] = {
        {140, 245, STATE_NEW_GAME}, {100, 237, STATE_NEW_GAME}, {187, 253, STATE_NEW_GAME},
        {198, 6, STATE_QUIT},       {99, 245, STATE_PLAY},      {188, 245, STATE_PLAY},
        {140, 254, STATE_PLAY},     {190, 5, STATE_PLAY},       {200, 16, STATE_PLAY}};
    for (const auto& [x, y, state] : clicks) {
        harness::drag(x, y, x, y);
        harness::push({away, away});
        EXPECT_EQ(playLoop(*game, STATE_PLAY), state) << x << "," << y;
        EXPECT_EQ(eventsLeft(), state == STATE_PLAY ? 0 : 2) << "what follows stays queued";
    }
}

TEST_F(PlayLoop, LabelsLightUpUnderTheMouse)
{
    // Where the mouse is, the turns made (no UNDO at 0), what the buttons show.
    // clang-format off
    const std::tuple<int, uint32_t, const char*> cases[] = {
        {NEW_GAME_X, 0, "buttons-new-game-lit"}, {UNDO_X, 0, "buttons"},
        {UNDO_X, 1, "buttons-undo-lit"}, {60, 1, "buttons-undo"}, {59, 1, "buttons-undo-lit"}};
    // clang-format on
    for (const auto& [x, turns, picture] : cases) {
        game->turns = turns;
        game->drawBoard();
        harness::push({harness::mouse(SDL_MOUSEMOTION, x, BUTTONS_Y)});
        playLoop(*game, STATE_PLAY);
        EXPECT_TRUE(looksLike(picture, {0, 230, 206, 30})) << x;
    }
}

// A ranking score is in the file before the pause, with an empty name (a
// kill or a lost display then keeps it); the name typed replaces that row.
// A close asked for during the pause, the name entry or the last wait ends
// the program.
TEST_F(PlayLoop, AFullBoardShowsTheTurnBonusAndAsksANameOnlyOfARankingScore)
{
    const SDL_Event B = harness::key(SDLK_b, KMOD_LSHIFT), o = harness::key(SDLK_o),
                    enter = harness::key(SDLK_RETURN), quit = harness::QUIT,
                    wheel = harness::mouse(SDL_MOUSEBUTTONDOWN, 198, 6, SDL_BUTTON_WHEELDOWN);
    // The table; the input queued after the move, and whether one quit comes
    // once it is read; then the state that follows, the file, what is left.
    const std::tuple<std::string, std::vector<SDL_Event>, bool, ScreenState, std::string, int>
        cases[] = {{RANKS, {B, wheel, o, enter, B, o}, false, STATE_GAME_ENDED, ranked("Bo"), 1},
                   {LOW, {B, o}, false, STATE_GAME_ENDED, LOW, 1},
                   {RANKS, {B, quit}, false, STATE_QUIT, ranked(""), 1},
                   {LOW, {quit}, false, STATE_QUIT, LOW, 1},
                   {RANKS, {B, o}, true, STATE_QUIT, ranked("Bo"), 0},
                   {RANKS, {enter}, true, STATE_QUIT, ranked(""), 0}};
    for (const auto& [table, input, lateQuit, state, saved, left] : cases) {
        HighscoreTable::shutdown();
        writeFile(HIGHSCORE_FILE, table);
        harness::reset();
        srand(12345);
        fillTheBoard();
        bool shown = false;
        harness::onFlip = [&] {  // what shows when the pause begins
            shown =
                harness::delays.empty() ? bool(looksLike("game-over", {0, 60, 206, 80})) : shown;
        };
        std::string duringPause, duringEntry;
        harness::onDelay = [&] { duringPause = readFile(HIGHSCORE_FILE); };
        harness::nextEvent = [&, quits = int(lateQuit)](SDL_Event& event) mutable {
            duringEntry = readFile(HIGHSCORE_FILE);
            event = quit;
            return quits-- > 0;
        };
        harness::push(input);
        const bool closedInPause = state == STATE_QUIT && !lateQuit;
        EXPECT_EQ(playLoop(*game, STATE_PLAY), state) << saved;
        EXPECT_TRUE(shown) << "Game Over, Turn Bonus and the 7 turns";
        EXPECT_EQ(harness::now, closedInPause ? 0u : 5000u) << "a close ends the pause at once";
        EXPECT_EQ(eventsLeft(), left) << "one event taken after the game: " << saved;
        EXPECT_EQ(readFile(HIGHSCORE_FILE), saved) << "in the file while the program still runs";
        if (table == RANKS) {
            EXPECT_EQ(closedInPause ? readFile(HIGHSCORE_FILE) : duringPause, ranked(""));
            EXPECT_EQ(lateQuit ? duringEntry : ranked(""), ranked(""));
        }
    }
}

// The level banner's pause, like Game Over's (see above), keeps reading the
// window's events: a flood of mouse motion never fills the queue, and a close
// ends the pause at once.
TEST_F(PlayLoop, PausesDropMotionAndEndAtOnceOnAClose)
{
    uint32_t pauseStart = 0;
    int lost = 0;
    harness::onDelay = [&] {
        // The removal animation sleeps 5 ms a frame; a pause sleeps longer.
        pauseStart = pauseStart == 0 && harness::delays.back() != 5 ? harness::now : pauseStart;
        for (int i = 0; i < 10 && pauseStart != 0; ++i) {
            SDL_Event motion = harness::mouse(SDL_MOUSEMOTION, i, harness::now % 200);
            lost += SDL_PushEvent(&motion) != 0;
        }
        SDL_Event quit = harness::QUIT;
        lost += pauseStart != 0 && harness::now == pauseStart + 1000 && SDL_PushEvent(&quit);
    };
    game->score = 495;  // the four on the board SetUp made raise the level
    harness::drag(cellX(4), cellY(1), cellX(3), cellY(0));
    EXPECT_EQ(playLoop(*game, STATE_PLAY), STATE_QUIT);
    EXPECT_EQ(lost, 0) << "the queue never filled";
    EXPECT_LT(harness::now, pauseStart + 1100);
    // Without a close a pause lasts its time; a key waits for the screen
    // after it, and of the motion only where the mouse went last.
    harness::reset();
    harness::onDelay = [] {
        harness::push({harness::mouse(SDL_MOUSEMOTION, harness::now / 100, 5)});
        if (harness::now == 1000) {
            harness::push({harness::key(SDLK_a)});
        }
    };
    EXPECT_FALSE(pauseAnsweringDesktop(3000));
    EXPECT_EQ(harness::now, 3000u);
    SDL_Event left[4];
    ASSERT_EQ(SDL_PeepEvents(left, 4, SDL_GETEVENT, SDL_ALLEVENTS), 2);
    EXPECT_EQ(std::pair(left[0].type, left[1].motion.x), std::pair(Uint8(SDL_KEYDOWN), Uint16(30)));
}
