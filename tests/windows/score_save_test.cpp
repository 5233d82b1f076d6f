// The high score save on Windows (run under Wine), in a folder named as a
// player in Germany might name it: kills at any moment, two copies saving at
// once, a file another program holds, damaged files. The program runs
// itself as the other copies: "score_save_test save NAME COUNT".
#include "scores/file_replace.h"
#include "tests/scores/score_samples.h"

#include <gtest/gtest.h>
#include <process.h>
#include <windows.h>

#include <filesystem>
#include <memory>
#include <random>
#include <regex>
#include <thread>

#undef main  // SDL.h's SDL_main: this program starts as a console one

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

std::string here;  // the folder, as the game names it

// Read as the game reads it, never holding the file against a save.
std::string readFile(const char* path)
{
    int error = 0;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openRegularFile(path, error),
                                                               std::fclose);
    std::string bytes(1 << 16, '\0');
    bytes.resize(file ? std::fread(bytes.data(), 1, bytes.size(), file.get()) : 0);
    return bytes;
}

// Another copy of the game saving COUNT rising scores (A even, B odd; 0 for
// ever), each as a copy started afresh, whose clean-up meets others' saves.
HANDLE saver(const wchar_t* name, const wchar_t* count)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring quoted = L"\""s + self + L"\"";
    return reinterpret_cast<HANDLE>(
        _wspawnl(_P_NOWAIT, self, quoted.c_str(), L"save", name, count, nullptr));
}

int ended(HANDLE process)
{
    int status = 1;
    _cwait(&status, reinterpret_cast<intptr_t>(process), 0);
    return status;
}

TEST(WindowsSave, AKilledSaveLeavesAWholeTableAndTheNextStartClearsItsCopy)
{
    const std::regex whole("5\n((A|Nobody)\n[0-9]+\n){5}");
    std::mt19937 random(1);
    for (int round = 0; round < 60; ++round) {
        replaceFile(HIGHSCORE_FILE, NOBODY);
        const HANDLE process = saver(L"A", L"0");
        while (readFile(HIGHSCORE_FILE) == NOBODY && WaitForSingleObject(process, 0) != 0) {
        }  // its first save
        bool torn = false;
        for (unsigned reads = random() % 40; reads > 0 && !torn; --reads) {
            torn = !std::regex_match(readFile(HIGHSCORE_FILE), whole);
        }
        TerminateProcess(process, 9);
        EXPECT_EQ(ended(process), 9) << "a save failed while the file was read";
        ASSERT_FALSE(torn || !std::regex_match(readFile(HIGHSCORE_FILE), whole)) << round;
        EXPECT_EQ((HighscoreTable(), strays()), 0) << round;
    }
    // A save still going on (it has the folder's turn): its copy stays, and
    // another save waits, then gives up saying so.
    replaceFile((HIGHSCORE_FILE + ".0123456789abcdef.1"s).c_str(), NOBODY);
    auto saving = std::make_unique<FolderTurn>();
    HighscoreTable table;
    EXPECT_EQ(strays(), 1);
    table.insert({"A", 1}, table.rank(1));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(table.save());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tessalorium: cannot save the high scores in " + here +
                  "\\hiscores.dat: another save keeps the folder locked\n");
    saving.reset();
    EXPECT_TRUE(table.save());
    EXPECT_EQ((HighscoreTable(), strays()), 0);
}

TEST(WindowsSave, TwoCopiesSavingAtOnceBothKeepTheirRows)
{
    replaceFile(HIGHSCORE_FILE, NOBODY);
    const HANDLE a = saver(L"A", L"150"), b = saver(L"B", L"150");
    EXPECT_EQ(ended(a) + ended(b), 0u) << "a save failed";
    EXPECT_EQ(readFile(HIGHSCORE_FILE), "5\nA\n300\nB\n299\nA\n298\nB\n297\nA\n296\n");
}

// A virus scanner or backup holding the file makes the save wait a little,
// then say why it gave up and leave the file as it was (Windows checks the
// sharing of each open, so a handle of this process stands for another
// program's); as a folder in its place does. A damaged file is kept beside
// the new table, or not replaced.
TEST(WindowsSave, AFailedSaveSaysWhyAndLeavesTheFileADamagedOneIsKept)
{
    const std::string damaged = "4\nAnn\n500\nBo\n400\nCyd\n300\nDee\n200\n",
                      winner = "5\nJ\xc3\xbcrg\n999\n", file = here + "\\hiscores.dat",
                      cannot = "tessalorium: cannot save the high scores in " + file + ": ";
    // The file; how another program holds it: reading, throughout
    // (FILE_SHARE_READ), or sharing nothing for a moment (0), or not (-1); a
    // folder put in the way; what is said; the file after.
    const std::tuple<std::string, int, std::string, std::string, std::string> cases[] = {
        {SAMPLE, FILE_SHARE_READ, "", cannot + "Permission denied\n", SAMPLE},
        {SAMPLE, 0, "", "", winner + SAMPLE.substr(2, 31)},
        {SAMPLE, -1, HIGHSCORE_FILE, cannot + "cannot read it: not a file\n", ""},
        {damaged, -1, "",
         "tessalorium: the high scores in " + file + " were damaged; the file is kept as " + file +
             ".damaged\n",
         winner + NOBODY.substr(11)},
        {damaged, -1, "hiscores.dat.damaged/in the way",
         cannot + "cannot keep the damaged file as hiscores.dat.damaged: Is a directory\n",
         damaged},
    };
    for (const auto& [bytes, sharing, folder, said, left] : cases) {
        replaceFile(HIGHSCORE_FILE, bytes);
        HighscoreTable* table = HighscoreTable::instance();
        table->insert({"J\xc3\xbcrg", 999}, table->rank(999));
        const HANDLE held = sharing < 0 ? INVALID_HANDLE_VALUE
                                        : CreateFileW(L"hiscores.dat", GENERIC_READ, sharing,
                                                      nullptr, OPEN_EXISTING, 0, nullptr);
        std::thread moment([&] {
            if (sharing == 0) {
                Sleep(100);
                CloseHandle(held);
            }
        });
        if (!folder.empty()) {
            fs::remove(folder);
            fs::create_directories(folder);
        }
        const bool saves = said.find("cannot") == std::string::npos;
        testing::internal::CaptureStderr();
        EXPECT_EQ(table->save(), saves) << said;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), said);
        moment.join();
        if (sharing > 0) {
            CloseHandle(held);
        }
        table->dirty = false;
        HighscoreTable::shutdown();
        EXPECT_EQ(readFile(HIGHSCORE_FILE), left) << said;
        EXPECT_TRUE(!saves || textOf(HighscoreTable()) == left) << "read back";
        EXPECT_EQ(readFile("hiscores.dat.damaged"), said.find("kept") != said.npos ? bytes : "");
        fs::remove_all("hiscores.dat.damaged");
        fs::remove_all(HIGHSCORE_FILE);
        EXPECT_EQ(strays(), 0);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && argv[1] == "save"s) {
        const uint32_t count = std::atoi(argv[3]);
        for (uint32_t i = 0, first = argv[2][0] == 'A' ? 2 : 1; count == 0 || i < count; ++i) {
            HighscoreTable table;
            table.insert({argv[2], first + 2 * i}, table.rank(first + 2 * i));
            if (!table.save()) {
                return 1;
            }
        }
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    const fs::path folder = L"J\u00fcrgen";  // letters outside ASCII
    fs::create_directory(folder);
    fs::current_path(folder);
    here = fs::current_path().u8string();
    const int failed = RUN_ALL_TESTS();
    fs::current_path("..");
    fs::remove_all(folder);
    return failed;
}
