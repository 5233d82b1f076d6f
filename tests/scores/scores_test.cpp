// The high score table, hiscores.dat and the name entry.
#include "scores/highscores.h"
#include "tests/support/fixture.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <set>

namespace fs = std::filesystem;
using namespace std::string_literals;
using Rows = std::vector<std::pair<std::string, uint32_t>>;

namespace {

const Rows NOBODY(TABLE_SIZE, {"Nobody", 0});
const Rows SAMPLE = {{"Ann", 500}, {"Bo", 400}, {"Cyd", 300}, {"Dee", 200}, {"Eve", 100}};

std::string fileFor(const Rows& rows)
{
    std::string bytes = "5\n";
    for (const auto& [name, score] : rows) {
        bytes += name + "\n" + std::to_string(score) + "\n";
    }
    return bytes;
}

Rows rowsOf(const HighscoreTable& table)
{
    Rows rows;
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        rows.emplace_back(table.rows[i].name, table.rows[i].score);
    }
    return rows;
}

void save(const Rows& rows)
{
    HighscoreTable table;
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        table.rows[i] = {rows[i].first, rows[i].second};
    }
    EXPECT_TRUE(table.save());
}

// Copies that saves left behind.
size_t strays()
{
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(".")) {
        count += entry.path().filename().string().rfind(HIGHSCORE_FILE + "."s, 0) == 0;
    }
    return count;
}

char typed(int sym, int mod = KMOD_NONE)
{
    return keyToChar(SDL_keysym{0, static_cast<SDLKey>(sym), static_cast<SDLMod>(mod), 0});
}

}  // namespace

using Scores = GameTest;

TEST_F(Scores, EveryNameTheEntryCanTypeReadsBackAndSavingLeavesTheDealAlone)
{
    std::string typeable;
    for (int sym = 0; sym < SDLK_LAST; ++sym) {
        for (char c : {typed(sym), typed(sym, KMOD_LSHIFT)}) {
            typeable += c != 0 && typeable.find(c) == std::string::npos ? std::string(1, c) : "";
        }
    }
    std::vector<std::string> names = {"", " ", "      ", "a b", " lead", "trail "};
    for (size_t i = 0; i < typeable.size(); ++i) {
        names.push_back((typeable + typeable).substr(i, NAME_MAX_LEN));
    }
    for (size_t first = 0; first < names.size(); first += TABLE_SIZE) {
        Rows rows;
        for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
            rows.emplace_back(names[(first + i) % names.size()], 4294967295u - i);
        }
        srand(7);
        save(rows);
        const int next = rand();
        srand(7);
        EXPECT_EQ(next, rand()) << "a save draws no random number";
        EXPECT_EQ(readFile(HIGHSCORE_FILE), fileFor(rows));
        EXPECT_EQ(rowsOf(HighscoreTable()), rows);
        EXPECT_EQ(strays(), 0u);
    }
}

TEST_F(Scores, DamagedFilesNeverYieldInventedScoresAndAreLeftAsTheyAre)
{
    const std::string body = fileFor(SAMPLE).substr(2), rest = body.substr(8);
    const Rows boLost = {{"Ann", 500}, {"Bo", 0}, {"", 0}, {"", 0}, {"", 0}};
    const auto bo = [](const std::string& score) {
        return "5\nAnn\n500\nBo\n" + score + "\nCyd\n300\nDee\n200\nEve\n100\n";
    };
    const auto sampleWith = [](uint32_t row, const std::string& name, uint32_t score) {
        Rows rows = SAMPLE;
        rows[row] = {name, score};
        return rows;
    };
    std::vector<std::tuple<std::string, bool, Rows>> cases = {
        {"", false, NOBODY},
        {"4\nAnn\n500\nBo\n400\nCyd\n300\nDee\n200\n", false, NOBODY},
        {"6\n" + body + "Fay\n50\n", false, NOBODY},
        {"5\0\n"s + body, false, NOBODY},
        {" 5 \t\n" + body, true, SAMPLE},
        {"5\nAlexandra\n500\n" + rest, true, sampleWith(0, "Alexan", 500)},
        {bo("-5"), true, boLost},
        {bo("4294967296"), true, boLost},
        {bo("12abc"), true, boLost},
        {bo(""), true, boLost},
        {bo("4294967295"), true, sampleWith(1, "Bo", 4294967295u)},
        {bo(" \t007 "), true, sampleWith(1, "Bo", 7)},
        {"5\r\n\r\n5\r\n \r\n4\r\n  \r\n3\r\n\r\n2\r\n \r\n1\r\n",
         true,
         {{"", 5}, {" ", 4}, {"  ", 3}, {"", 2}, {" ", 1}}},
        {"5\nA\0B\n500\n"s + rest, true, sampleWith(0, "A\0B"s, 500)},
        {"5\n" + std::string(9999, 'y') + "\n1\n" + rest, true, sampleWith(0, "yyyyyy", 1)},
        {"5\n" + std::string(8 << 20, 'y') + "\n500\n" + rest, true, Rows(5, {"", 0})},
    };
    // Cut after every line, the last one also without its line end.
    const std::string whole = fileFor(SAMPLE);
    for (size_t end = whole.find('\n'), lines = 1; end != std::string::npos;
         end = whole.find('\n', end + 1), ++lines) {
        Rows rows;
        for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
            rows.emplace_back(lines > 1 + 2 * i ? SAMPLE[i].first : "",
                              lines > 2 + 2 * i ? SAMPLE[i].second : 0);
        }
        cases.emplace_back(whole.substr(0, end + 1), true, rows);
        cases.emplace_back(whole.substr(0, end), true, rows);
    }
    for (const auto& [bytes, loads, rows] : cases) {
        writeFile(HIGHSCORE_FILE, bytes);
        HighscoreTable table;
        EXPECT_EQ(rowsOf(table), rows) << bytes.substr(0, 40);
        EXPECT_EQ(table.load(), loads) << bytes.substr(0, 40);
        EXPECT_EQ(readFile(HIGHSCORE_FILE), bytes) << "reading changed the file";
    }
    std::remove(HIGHSCORE_FILE);
    EXPECT_EQ(rowsOf(HighscoreTable()), NOBODY) << "no file";
    mkfifo("fifo", 0600);  // opening it would wait for a writer forever
    for (const char* target : {"fifo", "gfx", "/dev/zero"}) {
        fs::remove(HIGHSCORE_FILE);
        fs::create_symlink(target, HIGHSCORE_FILE);
        EXPECT_EQ(rowsOf(HighscoreTable()), NOBODY) << target;
    }
    fs::remove("fifo");
}

TEST_F(Scores, AFailedSaveSaysSoAndKeepsTheFileAsItWas)
{
    const fs::path here = fs::current_path();
    rlimit normal;
    getrlimit(RLIMIT_FSIZE, &normal);
    signal(SIGXFSZ, SIG_IGN);
    for (int fault = 0; fault < 3; ++fault) {
        writeFile(HIGHSCORE_FILE, fileFor(SAMPLE));
        HighscoreTable* table = HighscoreTable::instance();
        table->insert({"Winner", 999}, table->rank(999));
        if (fault == 0) {  // a folder in the file's place cannot be renamed over
            fs::remove(HIGHSCORE_FILE);
            fs::create_directory(HIGHSCORE_FILE);
        } else if (fault == 1) {  // the disk fills up part-way through the write
            const rlimit small = {10, normal.rlim_max};
            setrlimit(RLIMIT_FSIZE, &small);
        } else {  // the working folder is gone
            fs::create_directory("gone");
            fs::current_path("gone");
            fs::remove("../gone");
        }
        EXPECT_FALSE(table->save()) << fault;
        HighscoreTable::shutdown();  // tries once more, failing the same way
        setrlimit(RLIMIT_FSIZE, &normal);
        fs::current_path(here);
        EXPECT_TRUE(fault == 0 || readFile(HIGHSCORE_FILE) == fileFor(SAMPLE)) << fault;
        EXPECT_EQ(strays(), 0u) << fault;
        fs::remove_all(HIGHSCORE_FILE);
    }
}

// Two games saving into one folder and killed at any moment: the file is
// always one whole table, and the next start clears what the kills left.
TEST_F(Scores, KilledAndRacingSavesLeaveOneWholeTable)
{
    const Rows a(TABLE_SIZE, {"A", 1}), b(TABLE_SIZE, {"B", 2});
    const std::set<std::string> whole = {fileFor(NOBODY), fileFor(a), fileFor(b)};
    save(NOBODY);
    std::mt19937 random(1);
    size_t leftBehind = 0;
    for (int round = 0; round < 100; ++round) {
        pid_t savers[2];
        for (int s = 0; s < 2; ++s) {
            if ((savers[s] = fork()) == 0) {
                for (;;) {
                    save(s == 0 ? a : b);
                }
            }
        }
        const auto until = random() % 1000;
        for (unsigned i = 0; i < until; ++i) {
            ASSERT_EQ(whole.count(readFile(HIGHSCORE_FILE)), 1u) << "a torn table";
        }
        for (pid_t saver : savers) {
            kill(saver, SIGKILL);
            waitpid(saver, nullptr, 0);
        }
        ASSERT_EQ(whole.count(readFile(HIGHSCORE_FILE)), 1u) << "a torn table";
        leftBehind += strays();
    }
    HighscoreTable next;
    EXPECT_EQ(strays(), 0u) << leftBehind << " copies were left by killed saves";
}

TEST_F(Scores, RankBelowEqualScoresInsertAndSaveOnlyWhenRanked)
{
    const std::vector<std::pair<uint32_t, uint32_t>> ranks = {
        {501, 0}, {500, 1}, {101, 4}, {100, 5}, {0, 5}};
    for (const auto& [score, rank] : ranks) {
        writeFile(HIGHSCORE_FILE, fileFor(SAMPLE));
        HighscoreTable* table = HighscoreTable::instance();
        EXPECT_EQ(table->rank(score), rank) << score;
        table->insert({"New", score}, rank);
        Rows expected = SAMPLE;
        if (rank < TABLE_SIZE) {
            expected.insert(expected.begin() + rank, {"New", score});
            expected.pop_back();
        }
        EXPECT_EQ(rowsOf(*table), expected) << score;
        std::remove(HIGHSCORE_FILE);
        HighscoreTable::shutdown();
        EXPECT_EQ(readFile(HIGHSCORE_FILE), rank < TABLE_SIZE ? fileFor(expected) : "") << score;
    }
}

TEST_F(Scores, TheNameEntryTypesEditsAndShowsTheName)
{
    for (int sym = 0; sym < SDLK_LAST; ++sym) {
        const bool letter = sym >= 'a' && sym <= 'z';
        const bool plain = sym > 0 && sym < 128 && strchr("0123456789 !\"#$&'()*+-,./:;<>?@", sym);
        EXPECT_EQ(typed(sym, KMOD_CTRL | KMOD_ALT), letter || plain ? sym : 0) << sym;
        for (int mod : {+KMOD_LSHIFT, +KMOD_RSHIFT, +KMOD_CAPS}) {
            EXPECT_EQ(typed(sym, mod), letter ? sym - 32 : typed(sym)) << sym << " " << mod;
        }
    }
    const auto key = [](int sym, int mod = KMOD_NONE) {
        return harness::key(static_cast<SDLKey>(sym), static_cast<SDLMod>(mod));
    };
    const SDL_Event back = key(SDLK_BACKSPACE), enter = key(SDLK_RETURN);
    const std::vector<std::tuple<std::vector<SDL_Event>, std::string, std::vector<std::string>>>
        scripts = {
            {{enter, key('x')}, "", {}},
            {{key('o'), key('k'), key(SDLK_ESCAPE)}, "ok", {"o", "ok"}},
            {{key('q')}, "q", {"q"}},  // the input runs out
            {{key('a'), key('b'), key('c'), key('d'), key('e'), key('f'), key('g'), back,
              key('z', KMOD_RSHIFT), enter},
             "abcdeZ",
             {"a", "ab", "abc", "abcd", "abcde", "abcdef", "abcde", "abcdeZ"}},
            {{back, key('q'), back, back, enter}, "", {"q", ""}},
            {{key('1', KMOD_LSHIFT), key('%'), key(SDLK_KP1), key(SDLK_UP), key(SDLK_LSHIFT),
              harness::quit(), harness::mouse(SDL_MOUSEBUTTONDOWN, 50, 50),
              harness::key(SDLK_m, KMOD_NONE, SDL_KEYUP), key('?'), enter},
             "1?",
             {"1", "1?"}},
        };
    for (const auto& [events, name, fields] : scripts) {
        std::vector<std::string> frames;
        harness::reset();
        harness::onFlip = [&, this] { frames.push_back(textAt(21, 110, NAME_MAX_LEN, WHITE)); };
        for (const SDL_Event& event : events) {
            harness::push({event});
        }
        EXPECT_EQ(enterName(*game), name);
        // drawBoard shows the bare board, then the three lines go on top.
        std::vector<std::string> expected = {"      ", "......"};
        for (const std::string& field : fields) {
            expected.push_back("      ");
            expected.push_back((field + "      ").substr(0, NAME_MAX_LEN));
        }
        EXPECT_EQ(frames, expected) << name;
        EXPECT_EQ(textAt(21, 70, 15, BLUE) + textAt(21, 150, 15, GREEN),
                  "Enter your nameAnd press ENTER");
    }
}
