#include "tests/scores/score_dir.h"

#include "tests/support/fixture.h"
#include "tests/support/process.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

void ScoreDirTest::SetUp()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = process::freshDirectory(std::string("scores-") + info->test_suite_name() + "-" +
                                  info->name());
    fs::current_path(dir);
}

void ScoreDirTest::TearDown()
{
    HighscoreTable::shutdown();
    fs::current_path(testDirectory());
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> strayFiles(std::initializer_list<std::string> expected)
{
    std::vector<std::string> stray;
    for (const auto& entry : fs::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end()) {
            stray.push_back(name);
        }
    }
    return stray;
}

Rows rowsOf(const HighscoreTable& table)
{
    Rows rows;
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        rows.emplace_back(table.rows[i].name, table.rows[i].score);
    }
    return rows;
}

void setRows(HighscoreTable& table, const Rows& rows)
{
    for (uint32_t i = 0; i < TABLE_SIZE && i < rows.size(); ++i) {
        table.rows[i] = HighscoreEntry{rows[i].first, rows[i].second};
    }
}

std::string fileFor(const Rows& rows)
{
    std::string bytes = "5\n";
    for (const auto& row : rows) {
        bytes += row.first + "\n" + std::to_string(row.second) + "\n";
    }
    return bytes;
}
