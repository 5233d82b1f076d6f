// The high score table, two copies of the game sharing its file, and the
// name entry.
#include "tests/scores/score_samples.h"
#include "tests/support/fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <regex>
#include <sstream>

using namespace std::string_literals;

using Scores = GameTest;

// Two games saving into one folder and killed at any moment: the file is
// always one whole table, and the next start clears what the kills left.
TEST_F(Scores, KilledAndRacingSavesLeaveOneWholeTable)
{
    writeFile(HIGHSCORE_FILE, NOBODY);
    const std::regex whole("5\n((A|B|Nobody)\n[0-9]+\n){5}");
    std::mt19937 random(1);
    for (int round = 0; round < 100; ++round) {
        pid_t savers[2];
        for (const char* name : {"A", "B"}) {
            if ((savers[*name - 'A'] = fork()) == 0) {
                prctl(PR_SET_PDEATHSIG, SIGKILL);  // no saver outlives the test
                HighscoreTable table;
                for (uint32_t score = 1;; ++score) {
                    table.insert({name, score}, table.rank(score));
                    table.save();
                }
            }
        }
        bool torn = false;
        for (unsigned reads = random() % 1000; reads > 0 && !torn; --reads) {
            torn = !std::regex_match(readFile(HIGHSCORE_FILE), whole);
        }
        for (pid_t saver : savers) {
            kill(saver, SIGKILL);
            waitpid(saver, nullptr, 0);
        }
        ASSERT_FALSE(torn || !std::regex_match(readFile(HIGHSCORE_FILE), whole)) << "torn";
    }
    // A copy whose save is still going on holds a lock, and is left alone.
    writeFile(HIGHSCORE_FILE + ".0123456789abcdef.1"s, NOBODY);
    const int live = open((HIGHSCORE_FILE + ".0123456789abcdef.1"s).c_str(), O_RDONLY);
    flock(live, LOCK_EX);
    HighscoreTable next;
    EXPECT_EQ(strays(), 1u) << "only the copies that killed saves left are gone";
    close(live);
}

// Two copies of the game share one file: each adds its rows to the file as
// it is when it saves (a score below an equal one), and a copy shows the
// table as saved. Game over puts
// the score in the file under an empty name before anything can go wrong,
// and the name typed follows it there. Steps: a copy (A, B), then i its row
// inserted with an empty name, n named (AAA, BBB), s saved, q the copy quits,
// x it quits with nothing left to save, writing nothing.
TEST_F(Scores, TwoCopiesKeepBothScoresAndTheNameTypedGoesToThisRunsRow)
{
    const std::string four = NOBODY.substr(11), three = NOBODY.substr(20);
    const std::string both = "5\n\n392\n\n155\n" + three;
    // clang-format off
    const std::tuple<std::string, uint32_t, uint32_t, std::string, std::string> cases[] = {
        {NOBODY, 392, 155, "Ai Bi As Bs Ax Bx", both}, {NOBODY, 392, 155, "Ai Bi As Bs Bx Ax", both},
        {NOBODY, 392, 155, "Ai Bi As Ax Bs Bx", both}, {NOBODY, 392, 155, "Ai Bi Bs As Ax Bx", both},
        {NOBODY, 392, 155, "Ai Bi Bs As Bx Ax", both}, {NOBODY, 392, 155, "Ai Bi Bs Bx As Ax", both},
        {NOBODY, 392, 155, "Ai As Bi Bs An As", "5\nAAA\n392\n\n155\n" + three},
        {NOBODY, 392, 155, "Ai As Bi Bs An As Bn Bq Ax", "5\nAAA\n392\nBBB\n155\n" + three},
        {NOBODY, 392, 155, "Ai An As", "5\nAAA\n392\n" + four},  // both unsaved
        {NOBODY, 392, 155, "Ai As An Aq", "5\nAAA\n392\n" + four},
        {NOBODY, 300, 300, "Ai As Bi Bs An As Bn Bs", "5\nAAA\n300\nBBB\n300\n" + three},
        {NOBODY, 300, 300, "Ai Bi As Bs Bn Bs An Aq", "5\nBBB\n300\nAAA\n300\n" + three},
        {SAMPLE, 150, 600, "Ai As Bi Bs An As", "5\n\n600" + SAMPLE.substr(1, 32)}};  // out
    // clang-format on
    for (const auto& [start, scoreA, scoreB, script, file] : cases) {
        writeFile(HIGHSCORE_FILE, start);
        std::unique_ptr<HighscoreTable> copies[] = {std::make_unique<HighscoreTable>(),
                                                    std::make_unique<HighscoreTable>()};
        std::istringstream steps(script);
        for (std::string step; steps >> step;) {
            std::unique_ptr<HighscoreTable>& copy = copies[step[0] - 'A'];
            const HighscoreEntry row{"", step[0] == 'A' ? scoreA : scoreB};
            if (step[1] == 'i') {
                copy->insert(row, copy->rank(row.score));
            } else if (step[1] == 'n') {
                copy->rename(row, std::string(3, step[0]));
            } else if (step[1] == 's') {
                srand(7);
                EXPECT_TRUE(copy->save() && textOf(*copy) == readFile(HIGHSCORE_FILE))
                    << script << ", at " << step;
                const int next = rand();
                EXPECT_EQ(next, (srand(7), rand())) << "a save draws no random number";
            } else {
                struct stat before = {}, after = {};
                stat(HIGHSCORE_FILE, &before);
                copy.reset();
                stat(HIGHSCORE_FILE, &after);
                EXPECT_TRUE(step[1] == 'q' || before.st_ino == after.st_ino) << script << step;
            }
        }
        copies[0].reset();
        copies[1].reset();
        EXPECT_EQ(readFile(HIGHSCORE_FILE), file) << script;
    }
}

TEST_F(Scores, TheNameEntryTypesEditsAndShowsTheName)
{
    const auto typed = [](int sym, int mod) { return keyToChar({0, SDLKey(sym), SDLMod(mod), 0}); };
    for (int sym = 0; sym < SDLK_LAST; ++sym) {
        const bool letter = sym >= 'a' && sym <= 'z';
        const bool plain = sym > 0 && sym < 128 && strchr("0123456789 !\"#$&'()*+-,./:;<>?@", sym);
        EXPECT_EQ(typed(sym, KMOD_CTRL | KMOD_ALT), letter || plain ? sym : 0) << sym;
        for (int mod : {+KMOD_LSHIFT, +KMOD_RSHIFT, +KMOD_CAPS}) {
            EXPECT_EQ(typed(sym, mod), letter ? sym - 32 : typed(sym, 0)) << sym << " " << mod;
        }
    }
    // Keys as characters: \b Backspace, \r Return, \x1b Escape, \x01 the
    // desktop's close, \x02 a press in the close box, capitals with Shift;
    // then the name, how often it changed, and whether the program is to end.
    // clang-format off
    const std::tuple<std::string, std::string, unsigned, bool> scripts[] = {
        {"\rx", "", 0, false}, {"ok\x1bz", "ok", 2, false}, {"q", "q", 1, false} /* input ran out */,
        {"\bq\b\b\r", "", 2, false}, {"%?\r", "1?", 2, false} /* after keys without a character */,
        {"Ti\x01x", "Ti", 2, true}, {"\x02x", "", 0, true}, {"abcdefg\bZ\r", "abcdeZ", 8, false}};
    // clang-format on
    for (const auto& [keys, name, fields, closes] : scripts) {
        harness::reset();
        if (name == "1?") {
            harness::push({harness::key(SDLK_1, KMOD_LSHIFT), harness::key(SDLK_KP1),
                           harness::key(SDLK_UP), harness::key(SDLK_LSHIFT),
                           harness::mouse(SDL_MOUSEBUTTONDOWN, 50, 50),
                           harness::key(SDLK_m, KMOD_NONE, SDL_KEYUP)});
        }
        for (char c : keys) {
            harness::push({c == 1   ? harness::QUIT
                           : c == 2 ? harness::mouse(SDL_MOUSEBUTTONDOWN, 198, 6)
                                    : harness::key(SDLKey(tolower(c)),
                                                   isupper(c) ? KMOD_RSHIFT : KMOD_NONE)});
        }
        bool closing = false;
        EXPECT_EQ(enterName(*game, closing), name);
        EXPECT_EQ(closing, closes) << name;
        EXPECT_EQ(harness::flips, 2 + 2 * fields) << name << ": drawn again only on a change";
        EXPECT_TRUE(fields > 0 || looksLike("name-entry-empty", {0, 60, 206, 120}));
    }
    EXPECT_TRUE(looksLike("name-entry", {0, 60, 206, 120})) << "the last name, abcdeZ";
}
