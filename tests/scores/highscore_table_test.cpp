// Ranking, insertion, and when the table goes back to the file.
#include "tests/scores/score_dir.h"

#include <filesystem>

using HighscoreTableTest = ScoreDirTest;

TEST_F(HighscoreTableTest, RanksBelowEqualScoresAndOnlyRankingMarksForSaving)
{
    const std::vector<std::pair<uint32_t, uint32_t>> cases = {
        {501, 0}, {500, 1}, {101, 4}, {100, TABLE_SIZE}, {0, TABLE_SIZE},
    };
    for (const auto& [score, expected] : cases) {
        HighscoreTable table;
        setRows(table, SAMPLE_ROWS);
        EXPECT_EQ(table.rank(score), expected) << score;
        EXPECT_EQ(table.dirty, expected < TABLE_SIZE) << score;
        table.dirty = false;
    }
}

TEST_F(HighscoreTableTest, InsertShiftsRowsDownAndDropsTheLast)
{
    const std::vector<std::pair<uint32_t, Rows>> cases = {
        {0, {{"New", 450}, {"Ann", 500}, {"Bo", 400}, {"Cyd", 300}, {"Dee", 200}}},
        {4, {{"Ann", 500}, {"Bo", 400}, {"Cyd", 300}, {"Dee", 200}, {"New", 450}}},
        {TABLE_SIZE, SAMPLE_ROWS},  // "does not rank" has no row to go to
    };
    for (const auto& [at, expected] : cases) {
        HighscoreTable table;
        setRows(table, SAMPLE_ROWS);
        table.insert({"New", 450}, at);
        EXPECT_EQ(rowsOf(table), expected) << at;
        EXPECT_FALSE(table.dirty) << at;
    }
}

TEST_F(HighscoreTableTest, ShutdownWritesTheFileOnlyAfterAScoreRanked)
{
    HighscoreTable* table = HighscoreTable::instance();
    ASSERT_EQ(HighscoreTable::instance(), table);
    table->rank(0);
    HighscoreTable::shutdown();
    EXPECT_FALSE(std::filesystem::exists(HIGHSCORE_FILE)) << "nothing ranked";

    HighscoreTable::instance()->rank(7);
    HighscoreTable::shutdown();
    EXPECT_EQ(readFile(HIGHSCORE_FILE), fileFor(DEFAULT_ROWS)) << "a rank without an insert";

    const std::string fourRows = "4\nA\n9\nB\n8\nC\n7\nD\n6\n";
    writeFile(HIGHSCORE_FILE, fourRows);
    table = HighscoreTable::instance();
    table->insert({"Sneak", 999}, 0);
    HighscoreTable::shutdown();
    EXPECT_EQ(readFile(HIGHSCORE_FILE), fourRows) << "an insert alone";

    table = HighscoreTable::instance();
    table->insert({"", 350}, table->rank(350));
    table->insert({"Zed", 350}, table->rank(350));
    HighscoreTable::shutdown();
    Rows expected = DEFAULT_ROWS;
    expected.insert(expected.begin(), {{"", 350}, {"Zed", 350}});
    expected.resize(TABLE_SIZE);
    EXPECT_EQ(readFile(HIGHSCORE_FILE), fileFor(expected));
    EXPECT_EQ(rowsOf(*HighscoreTable::instance()), expected) << "the next run reads it back";
}
