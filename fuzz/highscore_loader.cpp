// libFuzzer target: any bytes as hiscores.dat. Loading must not crash, keep
// names within NAME_MAX_LEN, take no score the file does not spell out, and
// a table the game saves must read back unchanged.
#include "scores/highscores.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static char dir[] = "/tmp/tessalorium-scores-XXXXXX";
    static const bool inScratch = [] {  // every run writes hiscores.dat
        std::atexit([] {
            std::remove(HIGHSCORE_FILE);
            rmdir(dir);
        });
        return mkdtemp(dir) != nullptr && chdir(dir) == 0;
    }();
    require(inScratch, "no scratch folder");
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::ofstream(HIGHSCORE_FILE, std::ios::binary | std::ios::trunc) << input;

    HighscoreTable table;
    bool endsInReturn = false;
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        const HighscoreEntry& row = table.rows[i];
        require(row.name.size() <= NAME_MAX_LEN, "a name longer than NAME_MAX_LEN");
        require(row.score == 0 || input.find(std::to_string(row.score)) != std::string::npos,
                "a score the file does not hold");
        endsInReturn |= !row.name.empty() && row.name.back() == '\r';
    }
    require(!table.dirty, "loading marked the table for saving");
    // A name ending in CR loses it on the next read, as a CR LF line end.
    if (!endsInReturn && table.save()) {
        HighscoreTable reread;
        for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
            require(reread.rows[i].name == table.rows[i].name &&
                        reread.rows[i].score == table.rows[i].score,
                    "a row changed by a save");
        }
    }
    return 0;
}
