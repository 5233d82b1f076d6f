// "hiscores.dat", read: the file that keeps the high score table between
// runs.
//
// The file is 11 lines: the row count, then name and score per row, best
// first. It is read line by line so that every name the name entry can make
// (empty, blanks, punctuation) comes back exactly; see score_save.cpp for
// how it is written.
#include "scores/score_file.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// A line of ours is a few bytes long. Longer lines are kept only up to
// LINE_KEEP bytes, and one that does not end within LINE_SCAN_LIMIT bytes is
// taken as the end of the readable file, so neither memory nor time spent
// depend on what the file holds.
constexpr size_t LINE_KEEP = 4096;
constexpr size_t LINE_SCAN_LIMIT = size_t{1} << 20;

struct Line {
    std::string text;   // without its line end, at most LINE_KEEP bytes
    bool whole = true;  // false when the line was longer than what is kept
};

// The next line of the file, ended by LF or CR LF or the end of the file.
// False when the file has no more lines or the line runs on past any
// plausible length.
bool readLine(std::streambuf& in, Line& line)
{
    using Traits = std::char_traits<char>;
    line.text.clear();
    line.whole = true;
    Traits::int_type c = in.sbumpc();
    if (Traits::eq_int_type(c, Traits::eof())) {
        return false;
    }
    size_t length = 0;
    for (; !Traits::eq_int_type(c, Traits::eof()) && c != '\n'; c = in.sbumpc()) {
        if (++length > LINE_SCAN_LIMIT) {
            return false;
        }
        if (line.text.size() < LINE_KEEP) {
            line.text.push_back(Traits::to_char_type(c));
        } else {
            line.whole = false;
        }
    }
    if (line.whole && !line.text.empty() && line.text.back() == '\r') {
        line.text.pop_back();
    }
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A plain unsigned decimal that fits 32 bits, blanks around it allowed;
// anything else (a sign, a letter, a second number, nothing) is no number.
bool parseNumber(const Line& line, uint32_t& value)
{
    if (!line.whole) {
        return false;
    }
    const std::string& text = line.text;
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    const size_t digitsStart = i;
    uint64_t number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        number = number * 10 + static_cast<uint64_t>(text[i] - '0');
        if (number > UINT32_MAX) {
            return false;
        }
    }
    if (i == digitsStart) {
        return false;
    }
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    if (i != text.size()) {
        return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

}  // namespace

bool readScoreFile(HighscoreEntry* rows)
{
    // Only a regular file can hold a table; a FIFO or device would block the
    // reader or never end.
    std::error_code error;
    const fs::file_type type = fs::status(HIGHSCORE_FILE, error).type();
    if (type == fs::file_type::not_found || type == fs::file_type::none) {
        return true;
    }
    if (type != fs::file_type::regular) {
        return false;
    }
    try {
        std::ifstream file(HIGHSCORE_FILE, std::ios::in | std::ios::binary);
        if (!file.is_open()) {
            return true;
        }
        std::streambuf& in = *file.rdbuf();
        Line line;
        uint32_t count = 0;
        if (!readLine(in, line) || !parseNumber(line, count) || count != TABLE_SIZE) {
            return false;
        }
        // From the first missing or unreadable item on nothing more is read:
        // the later rows get empty names and zero scores.
        bool readable = true;
        for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
            std::string name;
            readable = readable && readLine(in, line);
            if (readable) {
                name = line.text.substr(0, NAME_MAX_LEN);
            }
            uint32_t score = 0;
            readable = readable && readLine(in, line) && parseNumber(line, score);
            rows[i].name = name;
            rows[i].score = score;
        }
    } catch (...) {
        return false;
    }
    return true;
}

HighscoreTable::HighscoreTable() : rows(new HighscoreEntry[TABLE_SIZE]), dirty(false)
{
    removeAbandonedCopies();
    if (!load()) {
        reset();
    }
}

bool HighscoreTable::load()
{
    return readScoreFile(rows);
}
