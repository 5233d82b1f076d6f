// file_replace.h on POSIX. A file is replaced only by renaming a complete
// new copy over it. A save holds a lock on its temporary copy until the rename
// is done; a copy that nobody holds was left by a save that was killed, and
// the next table to start removes it.
#include "scores/file_replace.h"

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
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

// How often a save tries another temporary name that someone else holds.
constexpr int SAVE_ATTEMPTS = 16;
// How long a save waits for another copy's save to finish. One that takes
// longer has stopped mid-save; its table may be newer than the one read
// here, so the save is put off rather than made without the lock.
constexpr int TURN_WAIT_STEPS = 200;
constexpr useconds_t TURN_WAIT_STEP_US = 10000;
// How much of a file copyFile moves at a time.
constexpr size_t COPY_BUFFER_BYTES = 65536;

// The lock call's answers for a folder or file that cannot be locked at all.
bool locksUnsupported(int error)
{
    return error == ENOLCK || error == EOPNOTSUPP || error == ENOTSUP || error == EINVAL;
}

// A name for a temporary file that no other save, in this process or
// another, is likely to pick. The game's own random sequence (rand) is left
// alone: the boards it deals must not depend on saving.
std::string temporaryName()
{
    static unsigned long long counter = 0;
    unsigned long long tag = static_cast<unsigned long long>(getpid());
    try {
        std::random_device entropy;
        tag = (static_cast<unsigned long long>(entropy()) << 32) ^ entropy();
    } catch (...) {
        // The process id and the counter still keep saves apart, and the
        // exclusive open catches any clash.
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

// A new, locked temporary file, or -1 with the error in `error`.
int createCopy(std::string& temporary, int& error)
{
    for (int attempt = 0; attempt < SAVE_ATTEMPTS; ++attempt) {
        temporary = temporaryName();
        // O_EXCL: never write into a file that another save has made.
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            error = errno;
            return -1;
        }
        if (fd < 0) {
            continue;
        }
        // Where nothing can be locked, no start-up takes the copy for
        // abandoned either.
        if (flock(fd, LOCK_EX) != 0 && !locksUnsupported(errno)) {
            error = errno;
            close(fd);
            unlink(temporary.c_str());
            return -1;
        }
        if (stillNamed(fd, temporary.c_str())) {
            return fd;
        }
        close(fd);  // taken for abandoned by another table starting up
    }
    error = EEXIST;
    return -1;
}

// Writes all of `size` bytes, or returns the error that stopped it.
int writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno != EINTR) {
            return errno;
        }
        if (written > 0) {
            data += written;
            size -= static_cast<size_t>(written);
        }
    }
    return 0;
}

// replaceFile and copyFile, with the new copy's content written through
// `write` (given the copy's descriptor; returns 0 or an error).
template <typename Write>
int replaceWith(const char* target, const Write& write)
{
    std::string temporary;
    int error = 0;
    const int fd = createCopy(temporary, error);  // its lock marks the copy as in use
    if (fd < 0) {
        return error;
    }
    error = write(fd);
    // On disk before the rename: otherwise a power cut may leave the new
    // name on an empty file.
    if (error == 0 && fsync(fd) != 0) {
        error = errno;
    }
    if (error == 0 && std::rename(temporary.c_str(), target) != 0) {
        error = errno;
    }
    close(fd);
    if (error != 0) {
        unlink(temporary.c_str());
        return error;
    }
    // And the rename itself. The new file is in place whatever this says;
    // some file systems cannot flush a folder at all.
    const int folder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return 0;
}

}  // namespace

FolderTurn::FolderTurn() : handle(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    // A folder that cannot even be opened cannot be locked at all either.
    for (int step = 0; handle >= 0; ++step) {
        if (flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0 || locksUnsupported(errno)) {
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            failure = errno;
            return;
        }
        if (step == TURN_WAIT_STEPS) {
            failure = EWOULDBLOCK;
            return;
        }
        usleep(TURN_WAIT_STEP_US);
    }
}

FolderTurn::~FolderTurn()
{
    if (handle >= 0) {
        close(static_cast<int>(handle));
    }
}

std::FILE* openRegularFile(const char* path, int& error)
{
    error = 0;
    // Non-blocking all the same, should something else be put in the file's
    // place between the look and the open.
    struct stat info = {};
    if (stat(path, &info) != 0) {
        error = errno;
        return nullptr;
    }
    const int fd =
        S_ISREG(info.st_mode) ? open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1;
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = fd < 0 && S_ISREG(info.st_mode) ? errno : 0;
        if (fd >= 0) {
            close(fd);
        }
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        error = errno;
        close(fd);
    }
    return file;
}

int replaceFile(const char* target, const std::string& content)
{
    return replaceWith(target,
                       [&content](int fd) { return writeAll(fd, content.data(), content.size()); });
}

int copyFile(const char* from, const char* to)
{
    const int source = open(from, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (source < 0) {
        return errno;
    }
    const int error = replaceWith(to, [source](int fd) {
        char buffer[COPY_BUFFER_BYTES];
        for (;;) {
            const ssize_t got = read(source, buffer, sizeof buffer);
            if (got < 0 && errno != EINTR) {
                return errno;
            }
            const int error = got > 0 ? writeAll(fd, buffer, static_cast<size_t>(got)) : 0;
            if (got == 0 || error != 0) {
                return error;
            }
        }
    });
    close(source);
    return error;
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
