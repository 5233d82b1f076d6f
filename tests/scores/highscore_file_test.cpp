// Reading and writing hiscores.dat: round trips, damaged files, failed saves.
#include "tests/scores/score_dir.h"

#include <SDL.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

const Rows GOOD = {{"Ann", 500}, {"Bo", 400}, {"Cyd", 300}, {"Dee", 200}, {"Eve", 100}};

// Saves the rows from a fresh table and reads them back into another.
Rows roundTrip(const Rows& rows, std::string& written)
{
    fs::remove(HIGHSCORE_FILE);
    {
        HighscoreTable table;
        setRows(table, rows);
        EXPECT_TRUE(table.save());
    }
    written = readFile(HIGHSCORE_FILE);
    HighscoreTable reread;
    return rowsOf(reread);
}

// Every character some key of the name entry types.
std::string typeableCharacters()
{
    std::string all;
    for (int sym = 0; sym < SDLK_LAST; ++sym) {
        for (SDLMod mod : {KMOD_NONE, KMOD_LSHIFT}) {
            SDL_keysym key{};
            key.sym = static_cast<SDLKey>(sym);
            key.mod = mod;
            const char c = keyToChar(key);
            if (c != 0 && all.find(c) == std::string::npos) {
                all += c;
            }
        }
    }
    return all;
}

}  // namespace

using HighscoreFile = ScoreDirTest;

TEST_F(HighscoreFile, MissingFileGivesDefaultsAndCreatesNothing)
{
    HighscoreTable table;
    EXPECT_EQ(rowsOf(table), DEFAULT_ROWS);
    EXPECT_TRUE(table.load());
    EXPECT_FALSE(table.dirty);
    EXPECT_TRUE(strayFiles({}).empty());
}

TEST_F(HighscoreFile, TablesReadBackExactlyAsWritten)
{
    const std::vector<std::pair<const char*, Rows>> cases = {
        {"defaults", DEFAULT_ROWS},
        {"ordinary names",
         {{"Maximi", 4294967295u}, {"Ann", 950}, {"Bo", 77}, {"Q", 1}, {"Lee", 0}}},
        {"empty and blank names", {{"", 40}, {" ", 30}, {"      ", 20}, {"", 10}, {" ", 0}}},
        {"spaces inside and around",
         {{"a b", 9}, {" lead", 8}, {"trail ", 7}, {"a    b", 6}, {"  x   ", 5}}},
        {"punctuation", {{"!\"#$&'", 5}, {"()*+-,", 4}, {"./@:;<", 3}, {">?0 9", 2}, {"\"'", 1}}},
    };
    for (const auto& [what, rows] : cases) {
        std::string written;
        EXPECT_EQ(roundTrip(rows, written), rows) << what;
        EXPECT_EQ(written, fileFor(rows)) << what;
        EXPECT_TRUE(strayFiles().empty()) << what;
    }
    std::string written;
    roundTrip(DEFAULT_ROWS, written);
    std::string defaults = "5\n";
    for (int i = 0; i < 5; ++i) {
        defaults += "Nobody\n0\n";
    }
    EXPECT_EQ(written, defaults);
}

TEST_F(HighscoreFile, EveryTypeableNameReadsBack)
{
    const std::string alphabet = typeableCharacters();
    ASSERT_EQ(alphabet.size(), 26u * 2 + 31);
    std::vector<std::string> names;
    for (size_t i = 0; i < alphabet.size(); ++i) {
        names.push_back((alphabet + alphabet).substr(i, NAME_MAX_LEN));
        names.push_back(alphabet.substr(i, 1) + "    " + alphabet.substr(i, 1));
    }
    for (size_t blanks = 0; blanks <= NAME_MAX_LEN; ++blanks) {
        names.push_back(std::string(blanks, ' '));
    }
    for (size_t first = 0; first < names.size(); first += TABLE_SIZE) {
        Rows rows;
        for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
            rows.emplace_back(names[(first + i) % names.size()], 1000 - i);
        }
        std::string written;
        EXPECT_EQ(roundTrip(rows, written), rows);
    }
}

TEST_F(HighscoreFile, DamagedFilesNeverYieldInventedScores)
{
    struct Case {
        const char* what;
        std::string bytes;
        bool loads;
        Rows rows;
    };
    const std::string goodRows = fileFor(GOOD).substr(2);
    const Rows cutAfterBo = {{"Ann", 500}, {"Bo", 0}, {"", 0}, {"", 0}, {"", 0}};
    const auto withBoScore = [](const std::string& score) {
        return "5\nAnn\n500\nBo\n" + score + "\nCyd\n300\nDee\n200\nEve\n100\n";
    };
    const std::vector<Case> cases = {
        {"empty file", "", false, DEFAULT_ROWS},
        {"one empty line", "\n", false, DEFAULT_ROWS},
        {"count 4", "4\nAnn\n500\nBo\n400\nCyd\n300\nDee\n200\n", false, DEFAULT_ROWS},
        {"count 6", "6\n" + goodRows + "Fay\n50\n", false, DEFAULT_ROWS},
        {"count as text", "five\n" + goodRows, false, DEFAULT_ROWS},
        {"count with trailing garbage", "5x\n" + goodRows, false, DEFAULT_ROWS},
        {"count with a sign", "+5\n" + goodRows, false, DEFAULT_ROWS},
        {"count with a NUL", "5\0\n"s + goodRows, false, DEFAULT_ROWS},
        {"count in blanks", " 5 \t\n" + goodRows, true, GOOD},
        {"binary junk", "\xff\xfe\x00\x80\n\x01\x02"s, false, DEFAULT_ROWS},
        {"nine-letter name",
         "5\nAlexandra\n500\n" + goodRows.substr(8),
         true,
         {{"Alexan", 500}, {"Bo", 400}, {"Cyd", 300}, {"Dee", 200}, {"Eve", 100}}},
        {"negative score", withBoScore("-5"), true, cutAfterBo},
        {"score of 2^32", withBoScore("4294967296"), true, cutAfterBo},
        {"score of many digits", withBoScore("99999999999999999999"), true, cutAfterBo},
        {"score with trailing garbage", withBoScore("12abc"), true, cutAfterBo},
        {"two numbers on a score line", withBoScore("1 2"), true, cutAfterBo},
        {"empty score line", withBoScore(""), true, cutAfterBo},
        {"score with a NUL", withBoScore("4\0"s), true, cutAfterBo},
        {"largest score",
         withBoScore("4294967295"),
         true,
         {{"Ann", 500}, {"Bo", 4294967295u}, {"Cyd", 300}, {"Dee", 200}, {"Eve", 100}}},
        {"score in blanks and with zeros",
         withBoScore(" \t007 "),
         true,
         {{"Ann", 500}, {"Bo", 7}, {"Cyd", 300}, {"Dee", 200}, {"Eve", 100}}},
        {"CRLF line ends",
         "5\r\nAnn\r\n500\r\nBo\r\n400\r\nCyd\r\n300\r\nDee\r\n200\r\nEve\r\n100\r\n", true, GOOD},
        {"CRLF with empty and blank names",
         "5\r\n\r\n5\r\n \r\n4\r\n  \r\n3\r\n\r\n2\r\n \r\n1\r\n",
         true,
         {{"", 5}, {" ", 4}, {"  ", 3}, {"", 2}, {" ", 1}}},
        {"no line end at the end", fileFor(GOOD).substr(0, fileFor(GOOD).size() - 1), true, GOOD},
        {"NUL in a name",
         "5\nA\0B\n500\n"s + goodRows.substr(8),
         true,
         {{"A\0B"s, 500}, {"Bo", 400}, {"Cyd", 300}, {"Dee", 200}, {"Eve", 100}}},
        {"long name line",
         "5\n" + std::string(10000, 'x') + "\n500\n" + goodRows.substr(8),
         true,
         {{"xxxxxx", 500}, {"Bo", 400}, {"Cyd", 300}, {"Dee", 200}, {"Eve", 100}}},
        {"endless name line", "5\n" + std::string(8 << 20, 'y') + "\n500\n" + goodRows.substr(8),
         true, Rows(TABLE_SIZE, {"", 0})},
        {"endless count line", "5" + std::string(8 << 20, ' ') + "\n" + goodRows, false,
         DEFAULT_ROWS},
        {"endless score line", withBoScore("4" + std::string(8 << 20, '0')), true, cutAfterBo},
    };
    for (const Case& c : cases) {
        writeFile(HIGHSCORE_FILE, c.bytes);
        HighscoreTable table;
        EXPECT_EQ(rowsOf(table), c.rows) << c.what;
        EXPECT_EQ(table.load(), c.loads) << c.what;
        EXPECT_FALSE(table.dirty) << c.what;
        for (const auto& [name, score] : rowsOf(table)) {
            EXPECT_LE(name.size(), NAME_MAX_LEN) << c.what;
            if (score != 0) {
                EXPECT_NE(c.bytes.find(std::to_string(score)), std::string::npos) << c.what;
            }
        }
        EXPECT_EQ(readFile(HIGHSCORE_FILE), c.bytes) << c.what << ": reading changed the file";
    }
}

TEST_F(HighscoreFile, TruncatedFilesKeepWhatWasRead)
{
    const std::string whole = fileFor(GOOD);
    size_t end = 0;
    for (uint32_t lines = 1; lines <= 2 * TABLE_SIZE; ++lines) {
        end = whole.find('\n', end) + 1;
        writeFile(HIGHSCORE_FILE, whole.substr(0, end));
        Rows expected;
        for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
            const bool nameRead = lines > 1 + 2 * i;
            const bool scoreRead = lines > 2 + 2 * i;
            expected.emplace_back(nameRead ? GOOD[i].first : "", scoreRead ? GOOD[i].second : 0);
        }
        HighscoreTable table;
        EXPECT_EQ(rowsOf(table), expected) << lines << " lines";
        EXPECT_TRUE(table.load()) << lines << " lines";
    }
}

TEST_F(HighscoreFile, SomethingOtherThanAFileHoldsNoTable)
{
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    fs::create_directory("folder");
    fs::create_symlink("/dev/zero", "zeros");
    for (const char* target : {"fifo", "folder", "zeros"}) {
        fs::remove(HIGHSCORE_FILE);
        fs::create_symlink(target, HIGHSCORE_FILE);
        HighscoreTable table;
        EXPECT_EQ(rowsOf(table), DEFAULT_ROWS) << target;
        EXPECT_FALSE(table.load()) << target;
    }
}

using HighscoreSave = ScoreDirTest;

TEST_F(HighscoreSave, FailedSavesKeepThePreviousFile)
{
    struct Fault {
        const char* what;
        void (*arrange)();
        void (*undo)();
    };
    static rlimit savedLimit;
    const std::vector<Fault> faults = {
        {"the file is a folder that cannot be replaced",
         [] {
             fs::remove(HIGHSCORE_FILE);
             fs::create_directory(HIGHSCORE_FILE);
             writeFile(std::string(HIGHSCORE_FILE) + "/keep", fileFor(GOOD));
         },
         [] {}},
        {"the file system stops the write part-way",
         [] {
             writeFile(HIGHSCORE_FILE, fileFor(GOOD));
             signal(SIGXFSZ, SIG_IGN);
             getrlimit(RLIMIT_FSIZE, &savedLimit);
             rlimit small = savedLimit;
             small.rlim_cur = 10;
             setrlimit(RLIMIT_FSIZE, &small);
         },
         [] {
             setrlimit(RLIMIT_FSIZE, &savedLimit);
             signal(SIGXFSZ, SIG_DFL);
         }},
    };
    for (const Fault& fault : faults) {
        fs::remove_all(HIGHSCORE_FILE);
        HighscoreTable table;
        fault.arrange();
        table.rows[0] = HighscoreEntry{"Winner", 999};
        const bool saved = table.save();
        fault.undo();
        EXPECT_FALSE(saved) << fault.what;
        const std::string previous = fs::is_directory(HIGHSCORE_FILE)
                                         ? readFile(std::string(HIGHSCORE_FILE) + "/keep")
                                         : readFile(HIGHSCORE_FILE);
        EXPECT_EQ(previous, fileFor(GOOD)) << fault.what;
        EXPECT_TRUE(strayFiles().empty()) << fault.what;
    }
}

TEST_F(HighscoreSave, GoneWorkingFolderFailsQuietly)
{
    fs::create_directory("gone");
    fs::current_path("gone");
    fs::remove("../gone");
    HighscoreTable* table = HighscoreTable::instance();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rank(10), 0u);
    EXPECT_FALSE(table->save());
    HighscoreTable::shutdown();  // saves again, and must cope just as well
    fs::current_path(dir);
    EXPECT_TRUE(strayFiles({}).empty());
}

TEST_F(HighscoreSave, LeavesTheGamesRandomSequenceAlone)
{
    HighscoreTable table;
    srand(7);
    const int expected = rand();
    srand(7);
    EXPECT_TRUE(table.save());
    EXPECT_EQ(rand(), expected);
}

TEST_F(HighscoreSave, RacingSavesLeaveOneWholeTable)
{
    constexpr int WRITERS = 3;
    constexpr int SAVES = 200;
    writeFile(HIGHSCORE_FILE, fileFor(DEFAULT_ROWS));
    std::set<std::string> whole = {fileFor(DEFAULT_ROWS)};
    std::vector<pid_t> writers;
    for (int w = 0; w < WRITERS; ++w) {
        Rows rows;
        for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
            rows.emplace_back("W" + std::to_string(w) + " r" + std::to_string(i), 100 * w + i);
        }
        whole.insert(fileFor(rows));
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            HighscoreTable table;
            for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
                table.rows[i] = HighscoreEntry{rows[i].first, rows[i].second};
            }
            int failures = 0;
            for (int s = 0; s < SAVES; ++s) {
                failures += table.save() ? 0 : 1;
            }
            _exit(failures == 0 ? 0 : 1);
        }
        writers.push_back(pid);
    }
    // While they write, every reader sees one complete table or another.
    size_t running = writers.size();
    int torn = 0;
    while (running > 0) {
        torn += whole.count(readFile(HIGHSCORE_FILE)) == 1 ? 0 : 1;
        for (pid_t& pid : writers) {
            int status = 0;
            if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
                pid = 0;
                --running;
            }
        }
    }
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(whole.count(readFile(HIGHSCORE_FILE)), 1u);
    EXPECT_NE(readFile(HIGHSCORE_FILE), fileFor(DEFAULT_ROWS));
    EXPECT_TRUE(strayFiles().empty());
}
