// hiscores.dat: round trips, damaged files, failed and racing saves.
#include "tests/scores/score_dir.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using namespace std::string_literals;
using HighscoreFile = ScoreDirTest;

TEST_F(HighscoreFile, EveryNameTheEntryCanTypeReadsBackExactly)
{
    std::string typeable;  // asked of the key map, not copied from it
    for (int sym = 0; sym < SDLK_LAST; ++sym) {
        for (SDLMod mod : {KMOD_NONE, KMOD_LSHIFT}) {
            const char c = keyToChar(SDL_keysym{0, static_cast<SDLKey>(sym), mod, 0});
            if (c != 0 && typeable.find(c) == std::string::npos) {
                typeable += c;
            }
        }
    }
    std::vector<std::string> names = {"Nobody", "",       " ",   "      ", "a b",
                                      " lead",  "trail ", "Ann", "Bo"};
    for (size_t i = 0; i < typeable.size(); ++i) {
        names.push_back((typeable + typeable).substr(i, NAME_MAX_LEN));
    }
    for (size_t first = 0; first < names.size(); first += TABLE_SIZE) {
        Rows rows;
        for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
            rows.emplace_back(names[(first + i) % names.size()], first == 0 ? 0 : 4294967295u - i);
        }
        fs::remove(HIGHSCORE_FILE);
        {
            HighscoreTable table;
            setRows(table, rows);
            EXPECT_TRUE(table.save());
        }
        EXPECT_EQ(readFile(HIGHSCORE_FILE), fileFor(rows));
        EXPECT_EQ(rowsOf(HighscoreTable()), rows);
        EXPECT_TRUE(strayFiles().empty());
    }
    EXPECT_EQ(fileFor(DEFAULT_ROWS), "5\nNobody\n0\nNobody\n0\nNobody\n0\nNobody\n0\nNobody\n0\n");
}

TEST_F(HighscoreFile, DamagedFilesNeverYieldInventedScores)
{
    struct Case {
        std::string what;
        std::string bytes;
        bool loads;
        Rows rows;
    };
    const std::string body = fileFor(SAMPLE_ROWS).substr(2);  // the lines after the count
    const Rows boLost = {{"Ann", 500}, {"Bo", 0}, {"", 0}, {"", 0}, {"", 0}};
    const auto boScore = [](const std::string& score) {
        return "5\nAnn\n500\nBo\n" + score + "\nCyd\n300\nDee\n200\nEve\n100\n";
    };
    const auto sampleWith = [](uint32_t row, const std::string& name, uint32_t score) {
        Rows rows = SAMPLE_ROWS;
        rows[row] = {name, score};
        return rows;
    };
    const std::string huge(8 << 20, 'y');
    std::vector<Case> cases = {
        {"missing file", "", true, DEFAULT_ROWS},
        {"empty file", "", false, DEFAULT_ROWS},
        {"count 4", "4\nAnn\n500\nBo\n400\nCyd\n300\nDee\n200\n", false, DEFAULT_ROWS},
        {"count 6", "6\n" + body + "Fay\n50\n", false, DEFAULT_ROWS},
        {"count with a NUL", "5\0\n"s + body, false, DEFAULT_ROWS},
        {"count in blanks", " 5 \t\n" + body, true, SAMPLE_ROWS},
        {"nine-letter name", "5\nAlexandra\n500\n" + body.substr(8), true,
         sampleWith(0, "Alexan", 500)},
        {"negative score", boScore("-5"), true, boLost},
        {"score of 2^32", boScore("4294967296"), true, boLost},
        {"score with garbage", boScore("12abc"), true, boLost},
        {"empty score line", boScore(""), true, boLost},
        {"largest score", boScore("4294967295"), true, sampleWith(1, "Bo", 4294967295u)},
        {"score in blanks, with zeros", boScore(" \t007 "), true, sampleWith(1, "Bo", 7)},
        {"CRLF, blank names",
         "5\r\n\r\n5\r\n \r\n4\r\n  \r\n3\r\n\r\n2\r\n \r\n1\r\n",
         true,
         {{"", 5}, {" ", 4}, {"  ", 3}, {"", 2}, {" ", 1}}},
        {"NUL in a name", "5\nA\0B\n500\n"s + body.substr(8), true, sampleWith(0, "A\0B"s, 500)},
        {"long name line", "5\n" + huge.substr(0, 9999) + "\n1\n" + body.substr(8), true,
         sampleWith(0, "yyyyyy", 1)},
        {"endless name line", "5\n" + huge + "\n500\n" + body.substr(8), true, Rows(5, {"", 0})},
    };
    // Cut after every line, the last one also without its line end.
    const std::string whole = fileFor(SAMPLE_ROWS);
    for (size_t end = whole.find('\n'), lines = 1; end != std::string::npos;
         end = whole.find('\n', end + 1), ++lines) {
        Rows rows;
        for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
            rows.emplace_back(lines > 1 + 2 * i ? SAMPLE_ROWS[i].first : "",
                              lines > 2 + 2 * i ? SAMPLE_ROWS[i].second : 0);
        }
        cases.push_back(
            {"cut after line " + std::to_string(lines), whole.substr(0, end + 1), true, rows});
        cases.push_back(
            {"cut before line end " + std::to_string(lines), whole.substr(0, end), true, rows});
    }
    for (const Case& c : cases) {
        fs::remove(HIGHSCORE_FILE);
        if (c.what != "missing file") {
            writeFile(HIGHSCORE_FILE, c.bytes);
        }
        HighscoreTable table;
        EXPECT_EQ(rowsOf(table), c.rows) << c.what;
        EXPECT_EQ(table.load(), c.loads) << c.what;
        EXPECT_EQ(fs::exists(HIGHSCORE_FILE), c.what != "missing file") << c.what;
        EXPECT_EQ(readFile(HIGHSCORE_FILE), c.bytes) << c.what << ": reading changed the file";
    }
}

TEST_F(HighscoreFile, SomethingOtherThanAFileHoldsNoTable)
{
    ASSERT_EQ(mkfifo("fifo", 0600), 0);  // opening it would wait for a writer forever
    fs::create_directory("folder");
    for (const char* target : {"fifo", "folder", "/dev/zero"}) {
        fs::remove(HIGHSCORE_FILE);
        fs::create_symlink(target, HIGHSCORE_FILE);
        HighscoreTable table;
        EXPECT_EQ(rowsOf(table), DEFAULT_ROWS) << target;
        EXPECT_FALSE(table.load()) << target;
    }
}

TEST_F(HighscoreFile, FailedSavesKeepThePreviousFile)
{
    static rlimit normal;
    const std::vector<std::pair<void (*)(), void (*)()>> faults = {
        {[] {  // a folder in the file's place cannot be renamed over
             fs::remove(HIGHSCORE_FILE);
             fs::create_directory(HIGHSCORE_FILE);
             writeFile(HIGHSCORE_FILE + "/keep"s, fileFor(SAMPLE_ROWS));
         },
         [] {}},
        {[] {  // the file system stops the write part-way, even for root
             getrlimit(RLIMIT_FSIZE, &normal);
             rlimit small = normal;
             small.rlim_cur = 10;
             signal(SIGXFSZ, SIG_IGN);
             setrlimit(RLIMIT_FSIZE, &small);
         },
         [] {
             setrlimit(RLIMIT_FSIZE, &normal);
             signal(SIGXFSZ, SIG_DFL);
         }},
        {[] {  // the working folder is gone
             fs::create_directory("gone");
             fs::current_path("gone");
             fs::remove("../gone");
         },
         [] {}},
    };
    for (const auto& [arrange, undo] : faults) {
        fs::remove_all(HIGHSCORE_FILE);
        writeFile(HIGHSCORE_FILE, fileFor(SAMPLE_ROWS));
        HighscoreTable* table = HighscoreTable::instance();
        table->rows[0] = HighscoreEntry{"Winner", 999};
        table->rank(1000);
        arrange();
        const bool saved = table->save();
        HighscoreTable::shutdown();  // saves once more, failing the same way
        undo();
        fs::current_path(dir);
        EXPECT_FALSE(saved);
        const bool folder = fs::is_directory(HIGHSCORE_FILE);
        EXPECT_EQ(readFile(folder ? HIGHSCORE_FILE + "/keep"s : HIGHSCORE_FILE),
                  fileFor(SAMPLE_ROWS));
        EXPECT_TRUE(strayFiles().empty());
    }
}

TEST_F(HighscoreFile, SavingLeavesTheGamesRandomSequenceAlone)
{
    HighscoreTable table;
    srand(7);
    const int expected = rand();
    srand(7);
    EXPECT_TRUE(table.save());
    EXPECT_EQ(rand(), expected);
}

TEST_F(HighscoreFile, RacingSavesLeaveOneWholeTable)
{
    writeFile(HIGHSCORE_FILE, fileFor(DEFAULT_ROWS));
    std::set<std::string> whole = {fileFor(DEFAULT_ROWS)};
    std::vector<pid_t> writers;
    for (uint32_t w = 1; w <= 3; ++w) {
        const Rows rows(TABLE_SIZE, {"W" + std::to_string(w), w});
        whole.insert(fileFor(rows));
        writers.push_back(fork());
        if (writers.back() == 0) {
            HighscoreTable table;
            setRows(table, rows);
            int failures = 0;
            for (int s = 0; s < 200; ++s) {
                failures += table.save() ? 0 : 1;
            }
            _exit(failures);
        }
    }
    // Meanwhile every reader finds one complete table or another.
    int torn = 0;
    int failed = 0;
    while (!writers.empty()) {
        torn += whole.count(readFile(HIGHSCORE_FILE)) == 1 ? 0 : 1;
        int status = 0;
        if (waitpid(writers.back(), &status, WNOHANG) == writers.back()) {
            failed += WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
            writers.pop_back();
        }
    }
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(whole.count(readFile(HIGHSCORE_FILE)), 1u);
    EXPECT_TRUE(strayFiles().empty());
}
