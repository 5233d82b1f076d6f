// "hiscores.dat", written: a save adds this run's new rows to the table as
// the file holds it at that moment, so two copies of the game playing at
// once both keep their scores, and replaces the file only by renaming a
// complete new copy over it, so a failed or interrupted save never costs
// the scores already kept. Saves take turns under a lock on the folder. A
// save also holds a lock on its temporary copy until the rename is done; a
// copy that nobody holds was left by a save that was killed, and the next
// table to start removes it.
#include "scores/score_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

// How often a save tries another temporary name that someone else holds.
constexpr int SAVE_ATTEMPTS = 16;
// How long a save waits for another copy's save to finish; one that takes
// longer (a stopped process) is not waited for, and both still leave one
// whole table.
constexpr int TURN_WAIT_STEPS = 200;
constexpr useconds_t TURN_WAIT_STEP_US = 10000;

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

std::string fileContent(const HighscoreEntry* rows)
{
    std::string content = std::to_string(TABLE_SIZE) + "\n";
    for (uint32_t i = 0; i < TABLE_SIZE; ++i) {
        content += rows[i].name + "\n" + std::to_string(rows[i].score) + "\n";
    }
    return content;
}

// Held while a save reads, merges and replaces the file, so that saves of
// copies of the game sharing this folder take turns. Where the folder
// cannot be locked (some network file systems) the save goes on alone.
class FolderTurn {
public:
    FolderTurn() : fd(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        for (int step = 0; fd >= 0 && step < TURN_WAIT_STEPS; ++step) {
            if (flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) {
                return;
            }
            usleep(TURN_WAIT_STEP_US);
        }
    }
    ~FolderTurn()
    {
        if (fd >= 0) {
            close(fd);
        }
    }
    FolderTurn(const FolderTurn&) = delete;
    FolderTurn& operator=(const FolderTurn&) = delete;

private:
    int fd;
};

// Writes `content` to a fresh temporary copy and renames it over the file.
// Returns 0, or the error of the step that failed (the copy is then gone).
int replaceFile(const std::string& content, const void* owner)
{
    std::string temporary;
    FILE* file = nullptr;
    int lock = -1;  // held from creation to rename: marks the copy as in use
    for (int attempt = 0; attempt < SAVE_ATTEMPTS && file == nullptr; ++attempt) {
        temporary = temporaryName(owner);
        // "x": never write into a file that another save has made.
        file = std::fopen(temporary.c_str(), "wx");
        if (file == nullptr && errno != EEXIST) {
            return errno;
        }
        if (file == nullptr) {
            continue;
        }
        lock = dup(fileno(file));
        if (lock < 0 || flock(lock, LOCK_EX) != 0) {
            const int error = errno;
            std::fclose(file);
            std::remove(temporary.c_str());
            if (lock >= 0) {
                close(lock);
            }
            return error;
        }
        if (!stillNamed(lock, temporary.c_str())) {
            // Taken for abandoned by another table starting up.
            std::fclose(file);
            close(lock);
            file = nullptr;
        }
    }
    if (file == nullptr) {
        return EEXIST;
    }
    errno = 0;
    bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    written = std::fflush(file) == 0 && written;
    written = std::ferror(file) == 0 && written;
    int error = written ? 0 : (errno != 0 ? errno : EIO);
    if (std::fclose(file) != 0 && error == 0) {
        error = errno != 0 ? errno : EIO;
    }
    if (error == 0 && std::rename(temporary.c_str(), HIGHSCORE_FILE) != 0) {
        error = errno;
    }
    close(lock);
    if (error != 0) {
        std::remove(temporary.c_str());
    }
    return error;
}

}  // namespace

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

bool HighscoreTable::save()
{
    int error = ENOMEM;
    try {
        const FolderTurn turn;
        HighscoreEntry saved[TABLE_SIZE];
        if (!readScoreFile(saved)) {
            std::fill(std::begin(saved), std::end(saved), HighscoreEntry{});
        }
        for (const ScoreChange& change : unsaved) {
            change.renames ? renameAt(saved, change.row, change.name)
                           : insertAt(saved, change.row, rankAmong(saved, change.row.score));
        }
        error = replaceFile(fileContent(saved), this);
        if (error == 0) {
            std::copy(std::begin(saved), std::end(saved), rows);
            unsaved.clear();
            dirty = false;
            return true;
        }
    } catch (...) {
        // Out of memory: said below like any other failure.
    }
    std::error_code unknown;
    const fs::path path = fs::absolute(HIGHSCORE_FILE, unknown);
    std::fprintf(stderr, "tessalorium: cannot save the high scores in %s: %s\n",
                 unknown ? HIGHSCORE_FILE : path.c_str(), std::strerror(error));
    return false;
}
