// libFuzzer target: any bytes as hiscores.dat. Loading must not crash, keep
// names within NAME_MAX_LEN, invent no score the file does not hold as a
// number line, and a table the game saves must read back unchanged.
#include "scores/highscores.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// Every value the input holds as a line of a number alone, blanks around it.
std::set<uint64_t> numberLines(const std::string& input)
{
    std::set<uint64_t> numbers;
    std::istringstream lines(input);
    for (std::string line; std::getline(lines, line);) {
        const size_t first = line.find_first_not_of(" \t\r");
        const size_t last = line.find_last_not_of(" \t\r");
        const std::string digits = first == std::string::npos ? "" : line.substr(first, last - first + 1);
        if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos) {
            const size_t zeros = std::min(digits.find_first_not_of('0'), digits.size());
            numbers.insert(digits.size() - zeros <= 10 ? std::stoull(digits.substr(zeros) + "0") / 10
                                                       : 0);
        }
    }
    return numbers;
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
    const std::set<uint64_t> numbers = numberLines(input);
    bool endsInReturn = false;
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        const HighscoreEntry& row = table.rows[i];
        require(row.name.size() <= NAME_MAX_LEN, "a name longer than NAME_MAX_LEN");
        require(row.score == 0 || numbers.count(row.score) == 1, "a score not in the file");
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
