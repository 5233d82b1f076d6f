// "hiscores.dat", the file that keeps the high score table between runs:
// its format, read and written.
//
// The file is 11 lines: the row count, then name and score per row, best
// first. It is read line by line so that every name the name entry can make
// (empty, blanks, punctuation) comes back exactly.
#include "scores/score_file.h"

#include "scores/file_replace.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

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
bool readLine(std::FILE* in, Line& line)
{
    line.text.clear();
    line.whole = true;
    int c = std::getc(in);
    if (c == EOF) {
        return false;
    }
    size_t length = 0;
    for (; c != EOF && c != '\n'; c = std::getc(in)) {
        if (++length > LINE_SCAN_LIMIT) {
            return false;
        }
        if (line.text.size() < LINE_KEEP) {
            line.text.push_back(static_cast<char>(c));
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

ScoreFileRead readScoreFile(HighscoreEntry* rows, int& error)
{
    // Only a regular file can hold a table.
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        openRegularFile(HIGHSCORE_FILE, error), std::fclose);
    if (file == nullptr) {
        return error == ENOENT ? ScoreFileRead::MISSING : ScoreFileRead::UNREADABLE;
    }
    try {
        HighscoreEntry read[TABLE_SIZE];
        Line line;
        uint32_t count = 0;
        const bool counted =
            readLine(file.get(), line) && parseNumber(line, count) && count == TABLE_SIZE;
        // From the first missing or unreadable item on nothing more is read:
        // the later rows get empty names and zero scores.
        bool readable = counted;
        for (uint32_t i = 0; counted && i < TABLE_SIZE; ++i) {
            std::string name;
            readable = readable && readLine(file.get(), line);
            if (readable) {
                name = line.text.substr(0, NAME_MAX_LEN);
            }
            uint32_t score = 0;
            readable = readable && readLine(file.get(), line) && parseNumber(line, score);
            read[i].name = name;
            read[i].score = score;
        }
        if (std::ferror(file.get())) {
            error = errno != 0 ? errno : EIO;
            return ScoreFileRead::UNREADABLE;
        }
        if (!counted) {
            return ScoreFileRead::REFUSED;
        }
        std::copy(std::begin(read), std::end(read), rows);
        return readable ? ScoreFileRead::WHOLE : ScoreFileRead::PARTIAL;
    } catch (...) {
        error = ENOMEM;
        return ScoreFileRead::UNREADABLE;
    }
}

std::string scoreFileContent(const HighscoreEntry* rows)
{
    std::string content = std::to_string(TABLE_SIZE) + "\n";
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        content += rows[i].name + "\n" + std::to_string(rows[i].score) + "\n";
    }
    return content;
}
