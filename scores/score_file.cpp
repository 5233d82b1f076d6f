// "hiscores.dat", the file that keeps the high score table between runs.
//
// The file is 11 lines: the row count, then name and score per row, best
// first. It is read line by line so that every name the name entry can make
// (empty, blanks, punctuation) comes back exactly, and it is replaced only
// by renaming a complete new copy over it, so a failed or interrupted save
// never costs the scores already kept. A save holds a lock on its temporary
// copy until the rename is done; a copy that nobody holds was left by a save
// that was killed, and the next table to start removes it.
#include "scores/highscores.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

// A line of ours is a few bytes long. Longer lines are kept only up to
// LINE_KEEP bytes, and one that does not end within LINE_SCAN_LIMIT bytes is
// taken as the end of the readable file, so neither memory nor time spent
// depend on what the file holds.
constexpr size_t LINE_KEEP = 4096;
constexpr size_t LINE_SCAN_LIMIT = size_t{1} << 20;

// How often save() tries another temporary name that someone else holds.
constexpr int SAVE_ATTEMPTS = 16;

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

// A name for this save's temporary file that no other save, in this process
// or another, is likely to pick. The game's own random sequence (rand) is
// left alone: the boards it deals must not depend on saving.
std::string temporaryName(const void* owner)
{
    static unsigned long long counter = 0;
    unsigned long long tag = reinterpret_cast<uintptr_t>(owner);
    try {
        std::random_device entropy;
        tag = (static_cast<unsigned long long>(entropy()) << 32) ^ entropy();
    } catch (...) {
        // The address and the counter still keep this process's saves apart,
        // and the exclusive open catches any clash with another process.
    }
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%016llx.%llu", tag, ++counter);
    return std::string(HIGHSCORE_FILE) + suffix;
}

// The names temporaryName makes: the file name, a dot, 16 hex digits, a dot
// and a decimal counter.
bool isTemporaryName(const std::string& name)
{
    const std::string prefix = std::string(HIGHSCORE_FILE) + ".";
    constexpr size_t TAG_DIGITS = 16;
    if (name.compare(0, prefix.size(), prefix) != 0 ||
        name.size() < prefix.size() + TAG_DIGITS + 2 || name[prefix.size() + TAG_DIGITS] != '.') {
        return false;
    }
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const bool tag = i < prefix.size() + TAG_DIGITS;
        if (i != prefix.size() + TAG_DIGITS && !(tag ? std::isxdigit(c) : std::isdigit(c))) {
            return false;
        }
    }
    return true;
}

// The open file is still the one the path names.
bool stillNamed(int fd, const char* path)
{
    struct stat open = {};
    struct stat named = {};
    return fstat(fd, &open) == 0 && lstat(path, &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

// Removes the temporary copies of saves that died before their rename. A
// live save holds its copy's lock, so its copy is left alone; one caught
// between creating its copy and locking it finds the copy gone once it has
// the lock, and starts again.
void removeAbandonedCopies()
{
    std::error_code error;
    for (fs::directory_iterator entry(".", error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!isTemporaryName(name)) {
            continue;
        }
        const int fd = open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd, name.c_str())) {
            unlink(name.c_str());
        }
        close(fd);
    }
}

std::string fileContent(const HighscoreEntry* rows)
{
    std::string content = std::to_string(TABLE_SIZE) + "\n";
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        content += rows[i].name + "\n" + std::to_string(rows[i].score) + "\n";
    }
    return content;
}

}  // namespace

HighscoreTable::HighscoreTable() : rows(new HighscoreEntry[TABLE_SIZE]), dirty(false)
{
    removeAbandonedCopies();
    if (!load()) {
        reset();
    }
}

bool HighscoreTable::load()
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

bool HighscoreTable::save()
{
    std::string temporary;
    bool created = false;
    try {
        const std::string content = fileContent(rows);
        FILE* file = nullptr;
        // Held from creation to rename: marks the copy as in use.
        int lock = -1;
        for (int attempt = 0; attempt < SAVE_ATTEMPTS && file == nullptr; ++attempt) {
            temporary = temporaryName(this);
            // "x": never write into a file that another save has made.
            file = std::fopen(temporary.c_str(), "wx");
            if (file == nullptr && errno != EEXIST) {
                return false;
            }
            if (file != nullptr) {
                lock = dup(fileno(file));
                if (lock < 0 || flock(lock, LOCK_EX) != 0) {
                    std::fclose(file);
                    std::remove(temporary.c_str());
                    if (lock >= 0) {
                        close(lock);
                    }
                    return false;
                }
                if (!stillNamed(lock, temporary.c_str())) {
                    // Taken for abandoned by another table starting up.
                    std::fclose(file);
                    close(lock);
                    file = nullptr;
                }
            }
        }
        if (file == nullptr) {
            return false;
        }
        created = true;
        bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
        written = std::fflush(file) == 0 && written;
        written = std::ferror(file) == 0 && written;
        written = std::fclose(file) == 0 && written;
        const bool renamed = written && std::rename(temporary.c_str(), HIGHSCORE_FILE) == 0;
        close(lock);
        if (renamed) {
            return true;
        }
    } catch (...) {
        // Falls through to the clean-up.
    }
    if (created) {
        std::remove(temporary.c_str());
    }
    return false;
}
