// Ranking, insertion, and when the table goes back to the file.
#include "tests/scores/score_dir.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const Rows HUNDREDS = {{"A", 500}, {"B", 400}, {"C", 300}, {"D", 200}, {"E", 100}};

}  // namespace

using HighscoreTableTest = ScoreDirTest;

TEST_F(HighscoreTableTest, RanksStrictlyAboveEqualScores)
{
    {
        HighscoreTable defaults;
        EXPECT_EQ(defaults.rank(0), TABLE_SIZE);
        EXPECT_FALSE(defaults.dirty);
        EXPECT_EQ(defaults.rank(1), 0u);
        EXPECT_TRUE(defaults.dirty);
    }
    const std::vector<std::pair<uint32_t, uint32_t>> cases = {
        {501, 0}, {500, 1},          {301, 2},        {300, 3},
        {101, 4}, {100, TABLE_SIZE}, {0, TABLE_SIZE}, {4294967295u, 0},
    };
    for (const auto& [score, expected] : cases) {
        HighscoreTable table;
        setRows(table, HUNDREDS);
        EXPECT_EQ(table.rank(score), expected) << score;
        EXPECT_EQ(table.dirty, expected < TABLE_SIZE) << score;
        EXPECT_EQ(rowsOf(table), HUNDREDS) << "rank changed the rows";
    }
}

TEST_F(HighscoreTableTest, InsertShiftsRowsDownAndDropsTheLast)
{
    const HighscoreEntry newcomer{"New", 450};
    const std::vector<std::pair<uint32_t, Rows>> cases = {
        {0, {{"New", 450}, {"A", 500}, {"B", 400}, {"C", 300}, {"D", 200}}},
        {2, {{"A", 500}, {"B", 400}, {"New", 450}, {"C", 300}, {"D", 200}}},
        {4, {{"A", 500}, {"B", 400}, {"C", 300}, {"D", 200}, {"New", 450}}},
        {TABLE_SIZE, HUNDREDS},  // "does not rank" has no row to go to
    };
    for (const auto& [at, expected] : cases) {
        HighscoreTable table;
        setRows(table, HUNDREDS);
        table.insert(newcomer, at);
        EXPECT_EQ(rowsOf(table), expected) << "at " << at;
        EXPECT_FALSE(table.dirty) << "insert alone does not make the table worth saving";
    }
}

TEST_F(HighscoreTableTest, ShutdownWritesTheFileOnlyAfterAScoreRanked)
{
    // Nothing ranked: no file appears.
    HighscoreTable* table = HighscoreTable::instance();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(HighscoreTable::instance(), table);
    EXPECT_EQ(table->rank(0), TABLE_SIZE);
    HighscoreTable::shutdown();
    EXPECT_FALSE(fs::exists(HIGHSCORE_FILE));

    // A rank without an insert still writes the table as it is.
    HighscoreTable::instance()->rank(7);
    HighscoreTable::shutdown();
    EXPECT_EQ(readFile(HIGHSCORE_FILE), fileFor(DEFAULT_ROWS));

    // The next run starts from the file; inserting alone is not enough.
    writeFile(HIGHSCORE_FILE, fileFor(HUNDREDS));
    table = HighscoreTable::instance();
    EXPECT_EQ(rowsOf(*table), HUNDREDS);
    table->insert({"Sneak", 999}, 0);
    HighscoreTable::shutdown();
    EXPECT_EQ(readFile(HIGHSCORE_FILE), fileFor(HUNDREDS));

    table = HighscoreTable::instance();
    const uint32_t at = table->rank(350);
    table->insert({"", 350}, at);
    HighscoreTable::shutdown();
    EXPECT_EQ(readFile(HIGHSCORE_FILE),
              fileFor({{"A", 500}, {"B", 400}, {"", 350}, {"C", 300}, {"D", 200}}));
    EXPECT_TRUE(strayFiles().empty());
}

TEST_F(HighscoreTableTest, RejectedFileIsReplacedWholeOnceAScoreRanks)
{
    const std::string fourRows = "4\nA\n500\nB\n400\nC\n300\nD\n200\n";
    writeFile(HIGHSCORE_FILE, fourRows);
    HighscoreTable* table = HighscoreTable::instance();
    EXPECT_EQ(rowsOf(*table), DEFAULT_ROWS);
    HighscoreTable::shutdown();
    EXPECT_EQ(readFile(HIGHSCORE_FILE), fourRows) << "left alone when nothing ranked";

    table = HighscoreTable::instance();
    table->insert({"Zed", 12}, table->rank(12));
    HighscoreTable::shutdown();
    Rows expected = DEFAULT_ROWS;
    expected.insert(expected.begin(), {"Zed", 12});
    expected.pop_back();
    EXPECT_EQ(readFile(HIGHSCORE_FILE), fileFor(expected));
}
