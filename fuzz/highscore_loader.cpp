// libFuzzer target: any bytes as "hiscores.dat".
//
// Whatever the file holds, loading must not crash, names must stay within
// NAME_MAX_LEN, no score may appear that the file does not hold as a number
// line, and a table the game saves must read back as the same table.
#include "scores/highscores.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

std::string trimmed(const std::string& line)
{
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return line.substr(first, line.find_last_not_of(" \t") - first + 1);
}

// Every value written in the input as a line of nothing but a number.
std::set<uint64_t> numberLines(const uint8_t* data, size_t size)
{
    std::set<uint64_t> numbers;
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= input.size()) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) {
            end = input.size();
        }
        std::string line = input.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        line = trimmed(line);
        if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
            // Leading zeros are allowed; past ten digits it is no 32-bit score.
            const std::string digits =
                line.substr(std::min(line.find_first_not_of('0'), line.size()));
            if (digits.size() <= 10) {
                numbers.insert(std::strtoull(digits.c_str(), nullptr, 10));
            }
        }
        start = end + 1;
    }
    return numbers;
}

bool writeInput(const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(HIGHSCORE_FILE, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

char scratch[] = "/tmp/highscore-fuzz-XXXXXX";

void removeScratch()
{
    std::remove(HIGHSCORE_FILE);
    if (chdir("/") == 0) {
        rmdir(scratch);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every run writes hiscores.dat; keep that out of the caller's folder.
    if (mkdtemp(scratch) == nullptr || chdir(scratch) != 0) {
        std::perror("scratch directory");
        std::abort();
    }
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!writeInput(data, size)) {
        return 0;
    }
    HighscoreTable table;
    const std::set<uint64_t> numbers = numberLines(data, size);
    bool trailingReturn = false;
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        const HighscoreEntry& row = table.rows[i];
        require(row.name.size() <= NAME_MAX_LEN, "name longer than NAME_MAX_LEN");
        require(row.score == 0 || numbers.count(row.score) == 1, "score not in the file");
        trailingReturn = trailingReturn || (!row.name.empty() && row.name.back() == '\r');
    }
    require(!table.dirty, "loading marked the table for saving");

    // A name that ends in a carriage return loses it on the next read, as the
    // line end of a CR LF file; every other table must survive a save.
    if (!trailingReturn && table.save()) {
        HighscoreTable reread;
        for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
            require(reread.rows[i].name == table.rows[i].name, "name changed by a save");
            require(reread.rows[i].score == table.rows[i].score, "score changed by a save");
        }
    }
    return 0;
}
