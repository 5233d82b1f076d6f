// The score file when the game dies: the real program (tessalorium_scripted)
// killed with SIGKILL at random moments around a ranked game over and its
// save, two programs saving into one folder at once, and the clean-up of
// the temporary copy that a killed save leaves behind.
#include "tests/scores/score_dir.h"
#include "tests/support/fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

namespace {

// Kills per run of the test, spread over three ways of choosing the moment.
// TESSALORIUM_KILLS overrides.
constexpr unsigned KILLS_DEFAULT = 240;
constexpr unsigned TWO_INSTANCE_ROUNDS = 20;
constexpr int RUN_LIMIT_SECONDS = 60;
// The shortest span over which kills after a step of the save are spread.
constexpr microseconds SAVE_TIME_FLOOR{100};

// Ranks third with the game of seed 5 (a final score in the hundreds).
const std::string OLD_TABLE = "5\nAda\n90000\nBo\n80000\nCyd\n100\nDee\n50\nEve\n10\n";

std::string gameScript(unsigned seed, const std::string& name)
{
    return "seed " + std::to_string(seed) + "\nkey space\nplay\ntype " + name +
           "\nkey return\nend\n";
}

// Starts, finds the table, leaves the title and quits: ranks nothing.
const std::string IDLE_SCRIPT = "key space\nend\n";

pid_t start(const std::string& script)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        alarm(RUN_LIMIT_SECONDS);
        execl(TESSALORIUM_SCRIPTED_BINARY, TESSALORIUM_SCRIPTED_BINARY, script.c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

// The exit code, or 128 + the signal that ended it.
int finish(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int runClean(const std::string& script)
{
    return finish(start(script));
}

bool isCopy(const std::string& name)
{
    return name.rfind(std::string(HIGHSCORE_FILE) + ".", 0) == 0;
}

std::vector<std::string> copies()
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(".")) {
        if (isCopy(entry.path().filename().string())) {
            found.push_back(entry.path().filename().string());
        }
    }
    return found;
}

void spinFor(microseconds span)
{
    const auto until = Clock::now() + span;
    while (Clock::now() < until) {
    }
}

// Watches the folder for the steps of a save: the copy made, the copy
// renamed over the file.
class SaveWatch {
public:
    SaveWatch() : fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        inotify_add_watch(fd, ".", IN_CREATE | IN_MOVED_TO);
    }
    ~SaveWatch() { close(fd); }

    enum Step { NONE, COPY_MADE, RENAMED };

    // The next step seen within the time, or NONE.
    Step wait(int milliseconds)
    {
        pollfd ready = {fd, POLLIN, 0};
        if (poll(&ready, 1, milliseconds) <= 0) {
            return NONE;
        }
        alignas(inotify_event) char buffer[4096];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        Step step = NONE;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const std::string name = event->len > 0 ? event->name : "";
            if ((event->mask & IN_CREATE) && isCopy(name)) {
                step = std::max(step, COPY_MADE);
            }
            if ((event->mask & IN_MOVED_TO) && name == HIGHSCORE_FILE) {
                step = RENAMED;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        return step;
    }

private:
    int fd;
};

class ScoreKill : public ScoreDirTest {
protected:
    void SetUp() override
    {
        ScoreDirTest::SetUp();
        fs::create_directory_symlink(fs::path(sourceDirectory()) / "gfx", "gfx");
        writeFile("idle.script", IDLE_SCRIPT);
    }

    // The file a clean run of the script leaves, starting from OLD_TABLE,
    // and how long the run takes.
    std::string outcome(const std::string& script, microseconds& took)
    {
        writeFile(HIGHSCORE_FILE, OLD_TABLE);
        const auto begin = Clock::now();
        EXPECT_EQ(runClean(script), 0);
        took = std::chrono::duration_cast<microseconds>(Clock::now() - begin);
        return readFile(HIGHSCORE_FILE);
    }

    std::vector<std::string> strays()
    {
        return strayFiles({HIGHSCORE_FILE, "gfx", "idle.script", "a.script", "b.script"});
    }
};

}  // namespace

TEST_F(ScoreKill, AKilledGameLeavesTheOldTableOrTheNewOneAndTheNextRunTidiesUp)
{
    const char* env = std::getenv("TESSALORIUM_KILLS");
    const unsigned kills = env != nullptr ? static_cast<unsigned>(std::atoi(env)) : KILLS_DEFAULT;
    writeFile("a.script", gameScript(5, "Kim"));

    // A clean run: the new table, the run's length, the save's length.
    microseconds runTime{};
    const std::string newTable = outcome("a.script", runTime);
    ASSERT_NE(newTable, OLD_TABLE) << "the scripted game must rank";
    // Its save, from the copy made to the rename, as inotify reports it;
    // both may come in one report, when the save is quicker than the report.
    microseconds saveTime = SAVE_TIME_FLOOR;
    {
        writeFile(HIGHSCORE_FILE, OLD_TABLE);
        SaveWatch watch;
        const pid_t pid = start("a.script");
        Clock::time_point made{};
        for (SaveWatch::Step step;
             (step = watch.wait(RUN_LIMIT_SECONDS * 1000)) != SaveWatch::NONE;) {
            if (step == SaveWatch::COPY_MADE) {
                made = Clock::now();
            } else if (step == SaveWatch::RENAMED) {
                if (made != Clock::time_point{}) {
                    saveTime = std::max(
                        saveTime, std::chrono::duration_cast<microseconds>(Clock::now() - made));
                }
                break;
            }
        }
        ASSERT_EQ(finish(pid), 0);
    }

    std::mt19937 random(std::random_device{}());
    unsigned oldKept = 0, newKept = 0, copiesLeft = 0, exitedFirst = 0;
    for (unsigned k = 0; k < kills; ++k) {
        writeFile(HIGHSCORE_FILE, OLD_TABLE);
        SaveWatch watch;
        const pid_t pid = start("a.script");
        // A third at any moment of the run, a third within the save (from
        // the copy's creation on), a third just after the rename.
        const unsigned way = k % 3;
        if (way == 0) {
            spinFor(microseconds(random() % (runTime.count() + 1)));
        } else {
            const SaveWatch::Step trigger = way == 1 ? SaveWatch::COPY_MADE : SaveWatch::RENAMED;
            for (SaveWatch::Step step = SaveWatch::NONE; step < trigger;) {
                step = watch.wait(RUN_LIMIT_SECONDS * 1000);
                if (step == SaveWatch::NONE) {
                    break;
                }
            }
            spinFor(microseconds(random() % (2 * saveTime.count() + 1)));
        }
        kill(pid, SIGKILL);
        exitedFirst += finish(pid) != 128 + SIGKILL;

        const std::string file = readFile(HIGHSCORE_FILE);
        ASSERT_TRUE(file == OLD_TABLE || file == newTable)
            << "kill " << k << ": \"" << file << "\"";
        oldKept += file == OLD_TABLE;
        newKept += file == newTable;
        copiesLeft += copies().empty() ? 0 : 1;

        // The next run, which ranks nothing, finds its table and tidies up.
        ASSERT_EQ(runClean("idle.script"), 0);
        ASSERT_EQ(readFile(HIGHSCORE_FILE), file) << "kill " << k;
        ASSERT_EQ(strays(), std::vector<std::string>{}) << "kill " << k;
    }
    std::cout << "kills: " << kills << " (run " << runTime.count() << " us, save "
              << saveTime.count() << " us); old table kept " << oldKept << ", new table " << newKept
              << ", temporary copy left by the kill " << copiesLeft
              << " (all removed by the next run), finished before the kill " << exitedFirst << "\n";
}

TEST_F(ScoreKill, TwoGamesSavingInOneFolderLeaveOneWholeTable)
{
    writeFile("a.script", gameScript(5, "Ann"));
    writeFile("b.script", gameScript(6, "Bob"));
    microseconds timeA{}, timeB{};
    const std::string tableA = outcome("a.script", timeA);
    const std::string tableB = outcome("b.script", timeB);
    ASSERT_NE(tableA, OLD_TABLE);
    ASSERT_NE(tableB, OLD_TABLE);
    ASSERT_NE(tableA, tableB);
    // A game that starts after the other has saved finds that score and
    // keeps it: both scores, whichever came first.
    writeFile(HIGHSCORE_FILE, OLD_TABLE);
    ASSERT_EQ(runClean("a.script"), 0);
    ASSERT_EQ(runClean("b.script"), 0);
    const std::string tableBoth = readFile(HIGHSCORE_FILE);

    std::mt19937 random(std::random_device{}());
    unsigned onlyA = 0, onlyB = 0;
    for (unsigned round = 0; round < TWO_INSTANCE_ROUNDS; ++round) {
        writeFile(HIGHSCORE_FILE, OLD_TABLE);
        // Either first, the second started within the length of a run, so
        // that the saves fall now in order, now together, now reversed.
        const bool aFirst = random() % 2 == 0;
        const pid_t first = start(aFirst ? "a.script" : "b.script");
        spinFor(microseconds(random() % (std::max(timeA, timeB).count() + 1)));
        const pid_t second = start(aFirst ? "b.script" : "a.script");
        EXPECT_EQ(finish(first), 0);
        EXPECT_EQ(finish(second), 0);
        const std::string file = readFile(HIGHSCORE_FILE);
        ASSERT_TRUE(file == tableA || file == tableB || file == tableBoth)
            << "round " << round << ": \"" << file << "\"";
        onlyA += file == tableA;
        onlyB += file == tableB;
        EXPECT_EQ(strays(), std::vector<std::string>{}) << "round " << round;
    }
    std::cout << "two instances: " << TWO_INSTANCE_ROUNDS << " rounds; the last save was A's over "
              << "the old table " << onlyA << " times, B's " << onlyB << " times, one over the "
              << "other's " << TWO_INSTANCE_ROUNDS - onlyA - onlyB << " times\n";
}

// The clean-up on its own: a copy that no save holds goes, a copy a live
// save holds stays, and files that only look alike are never touched.
TEST_F(ScoreDirTest, ATableStartingUpRemovesOnlyAbandonedCopies)
{
    const std::string abandoned = "hiscores.dat.0123456789abcdef.1";
    const std::string held = "hiscores.dat.fedcba9876543210.2";
    const std::vector<std::string> lookalikes = {"hiscores.dat.bak",
                                                 "hiscores.dat.0123456789abcdeg.1",
                                                 "hiscores.dat.0123456789abcdef.",
                                                 "hiscores.dat.0123456789abcdef.1x",
                                                 "hiscores.dat.0123456789abcde.1",
                                                 "xhiscores.dat"};
    writeFile(abandoned, "5\n");
    for (const std::string& name : lookalikes) {
        writeFile(name, "keep");
    }
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t saver = fork();
    if (saver == 0) {
        // A save in progress: its copy made and locked.
        const int fd = open(held.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
        flock(fd, LOCK_EX);
        ssize_t ignored = write(ready[1], "x", 1);
        (void)ignored;
        pause();
        _exit(0);
    }
    char signal = 0;
    ASSERT_EQ(read(ready[0], &signal, 1), 1);

    {
        HighscoreTable table;
    }
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::exists(held)) << "a live save's copy was taken away";
    for (const std::string& name : lookalikes) {
        EXPECT_EQ(readFile(name), "keep") << name;
    }

    kill(saver, SIGKILL);
    finish(saver);
    {
        HighscoreTable table;
    }
    EXPECT_FALSE(fs::exists(held)) << "the killed save's copy stayed";
    close(ready[0]);
    close(ready[1]);
}
