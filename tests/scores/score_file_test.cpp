// hiscores.dat: what the reader makes of any file, and saves that cannot
// be made as planned.
#include "tests/scores/score_samples.h"
#include "tests/support/fixture.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using namespace std::string_literals;

// The error every flock of the program fails with, 0 for none: a folder
// that cannot be locked at all.
static int lockFailure = 0;

extern "C" int __real_flock(int fd, int operation);
extern "C" int __wrap_flock(int fd, int operation)
{
    if (lockFailure != 0) {
        errno = lockFailure;
        return -1;
    }
    return __real_flock(fd, operation);
}

using Scores = GameTest;

// A damaged file never yields invented scores and is left as it is until
// the next save, which keeps it beside the new table first (once, the newest
// damage kept), so that the player can recover it.
TEST_F(Scores, DamagedFilesNeverYieldInventedScoresAndAreKeptBesideTheNextSave)
{
    const auto sample = [](const std::string& from, const std::string& to) {
        const std::string text = SAMPLE;
        return text.substr(0, text.find(from)) + to + text.substr(text.find(from) + from.size());
    };
    const std::string boLost = "5\nAnn\n500\nBo\n0\n\n0\n\n0\n\n0\n", rest = SAMPLE.substr(10);
    const std::string here = fs::current_path().string() + "/", damaged = "hiscores.dat.damaged";
    const std::string kept = "tessalorium: the high scores in " + here +
                             "hiscores.dat were damaged; the file is kept as " + here + damaged +
                             "\n";
    // The file, read not at all, in part or whole, and the table it gives.
    const std::tuple<std::string, int, std::string> cases[] = {
        {"", 0, NOBODY},
        {"4\nAnn\n500\nBo\n400\nCyd\n300\nDee\n200\n", 0, NOBODY},
        {"6" + SAMPLE.substr(1) + "Fay\n50\n", 0, NOBODY},
        {"5\0"s + SAMPLE.substr(1), 0, NOBODY},
        {" 5 \t" + SAMPLE.substr(1), 2, SAMPLE},
        {sample("Ann", "Alexandra"), 2, sample("Ann", "Alexan")},
        {sample("400", "-5"), 1, boLost},
        {sample("400", "4294967296"), 1, boLost},
        {sample("400", "12abc"), 1, boLost},
        {sample("400", ""), 1, boLost},
        {sample("400", "4294967295"), 2, sample("400", "4294967295")},
        {sample("400", " \t007 "), 2, sample("400", "7")},
        {"5\r\n\r\n5\r\n \r\n4\r\n  \r\n3\r\n\r\n2\r\n \r\n1\r\n", 2,
         "5\n\n5\n \n4\n  \n3\n\n2\n \n1\n"},
        {sample("Ann", "A\0B"s), 2, sample("Ann", "A\0B"s)},
        {sample("Bo", " #:?@"), 2, sample("Bo", " #:?@")},
        {sample("Ann\n500", std::string(9999, 'y') + "\n1"), 2, sample("Ann\n500", "yyyyyy\n1")},
        {"5\n" + std::string(8 << 20, 'y') + "\n500\n" + rest, 1, "5\n\n0\n\n0\n\n0\n\n0\n\n0\n"},
        {SAMPLE.substr(0, 17), 1, "5\nAnn\n500\nBo\n400\n\n0\n\n0\n\n0\n"},  // cut after a row,
        {SAMPLE.substr(0, 16), 1, "5\nAnn\n500\nBo\n400\n\n0\n\n0\n\n0\n"},  // in a line end,
        {SAMPLE.substr(0, 13), 1, boLost},                                   // after a name
    };
    for (const auto& [bytes, read, text] : cases) {
        writeFile(HIGHSCORE_FILE, bytes);
        writeFile(damaged, "older");
        HighscoreTable* table = HighscoreTable::instance();
        EXPECT_EQ(textOf(*table), text) << bytes.substr(0, 40);
        EXPECT_EQ(table->load(), read > 0) << bytes.substr(0, 40);
        EXPECT_EQ(readFile(HIGHSCORE_FILE), bytes) << "reading changed the file";
        table->insert({"Winner", 999}, table->rank(999));
        const std::string shown = textOf(*table);
        testing::internal::CaptureStderr();
        EXPECT_TRUE(table->save() && table->save()) << bytes.substr(0, 40);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), read < 2 ? kept : "")
            << bytes.substr(0, 40);
        HighscoreTable::shutdown();
        HighscoreTable::instance();  // clears what killed saves left, not the damaged file
        HighscoreTable::shutdown();
        EXPECT_EQ(readFile(damaged), read < 2 ? bytes : "older") << bytes.substr(0, 40);
        EXPECT_EQ(readFile(HIGHSCORE_FILE), shown) << "the table shown is the table saved";
    }
    fs::remove(damaged);
    std::remove(HIGHSCORE_FILE);
    EXPECT_EQ(textOf(HighscoreTable()), NOBODY) << "no file";
    fs::create_symlink("gfx", HIGHSCORE_FILE);  // a fifo and a device: the failed saves' test
    EXPECT_EQ(textOf(HighscoreTable()), NOBODY) << "a folder";
}

// A save that fails (a file there it cannot read, another copy stopped
// mid-save keeping the lock, no room, no folder, nowhere to keep a damaged
// file) leaves the file as it is, says why and keeps its score for the save
// at exit, which adds it once the cause is gone. Only where the folder cannot
// be locked at all does a save go on alone. Each case plays in a folder of
// its player's own, as that player: root could read any file.
TEST_F(Scores, AFailedSaveSaysWhyLeavesTheFileAndTriesAgainAtExit)
{
    const uid_t player = geteuid() == 0 ? 65534 : geteuid();  // nobody, for root
    const std::string told = "tessalorium: cannot save the high scores in ",
                      file = "hiscores.dat: ",
                      in = told + fs::current_path().string() + "/own/" + file;
    const auto linked = [](const char* target) {
        fs::rename(HIGHSCORE_FILE, "table");
        fs::create_symlink(target, HIGHSCORE_FILE);
    };
    const auto unlinked = [] { fs::rename("table", HIGHSCORE_FILE); };
    rlimit normal;
    getrlimit(RLIMIT_FSIZE, &normal);
    const rlimit small = {10, normal.rlim_max};
    int turn = -1, back = -1;
    // What goes wrong before the table is read and saved, what puts it right
    // before the save at exit, and what the failed save says.
    const std::tuple<std::function<void()>, std::function<void()>, std::string> cases[] = {
        {[] { chmod(HIGHSCORE_FILE, 0); }, [] { chmod(HIGHSCORE_FILE, 0644); },
         in + "cannot read it: Permission denied\n"},
        {[&] { mkfifo("fifo", 0600), linked("fifo"); }, unlinked,
         in + "cannot read it: not a file\n"},
        {[&] { linked("/dev/zero"); }, unlinked, in + "cannot read it: not a file\n"},
        {[&] { flock(turn = open(".", O_RDONLY), LOCK_EX); }, [&] { close(turn); },
         in + "another save keeps the folder locked\n"},
        {[] {
             writeFile(HIGHSCORE_FILE, PARTLY), fs::create_directories("hiscores.dat.damaged/x");
         },
         [] { fs::remove_all("hiscores.dat.damaged"), writeFile(HIGHSCORE_FILE, SAMPLE); },
         in + "cannot keep the damaged file as hiscores.dat.damaged: Is a directory\n"},
        {[&] { signal(SIGXFSZ, SIG_IGN), setrlimit(RLIMIT_FSIZE, &small); },
         [&] { setrlimit(RLIMIT_FSIZE, &normal); }, told.substr(0, 10)},  // the disk is full
        {[&] { back = open(".", O_RDONLY), mkdir("gone", 0700), chdir("gone"), rmdir("../gone"); },
         [&] { fchdir(back); }, told + file + "No such file or directory\n"},  // no folder
        {[] { lockFailure = ENOLCK; }, [] {}, ""},  // as NFS without its lock daemon
    };
    for (const auto& [cause, cure, reason] : cases) {
        fs::create_directory("own");
        writeFile("own/"s + HIGHSCORE_FILE, SAMPLE);
        const bool owned = chown("own", player, player) == 0 &&
                           chown(("own/"s + HIGHSCORE_FILE).c_str(), player, player) == 0;
        const int said = open("said", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const pid_t child = fork();
        if (child == 0) {
            dup2(said, STDERR_FILENO);
            const bool dropped =
                owned && chdir("own") == 0 &&
                (geteuid() == player ||
                 (setgroups(0, nullptr) == 0 && setgid(player) == 0 && setuid(player) == 0));
            cause();
            auto table = std::make_unique<HighscoreTable>();
            table->insert({"Winner", 999}, table->rank(999));
            struct stat before = {}, after = {};
            lstat(HIGHSCORE_FILE, &before);
            const bool saved = table->save();
            lstat(HIGHSCORE_FILE, &after);
            cure();
            table.reset();  // the save at exit
            _exit((dropped ? 0 : 1) | (saved != reason.empty()) << 1 |
                  ((before.st_ino == after.st_ino) == reason.empty()) << 2 | (strays() != 0) << 3);
        }
        int status = -1;
        waitpid(child, &status, 0);
        close(said);
        EXPECT_EQ(status, 0) << reason << ": 1 as the player, 2 saved, 4 file replaced, 8 strays";
        EXPECT_EQ(readFile("said"), reason);
        EXPECT_EQ(readFile("own/"s + HIGHSCORE_FILE), "5\nWinner\n999" + SAMPLE.substr(1, 32));
        fs::remove_all("own");
        fs::remove("said");
    }
}
