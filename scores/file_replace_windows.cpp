// file_replace.h on Windows, a first version: a file is replaced only by
// moving a complete, flushed new copy over it (MoveFileEx), so a failure or
// a kill leaves the old file or the new one. Saves of two copies of the
// game do not yet take turns under a lock (FolderTurn goes on alone, as on
// a file system without locks), and a rename that another program holds
// the file against fails at once rather than being tried again.
#include "scores/file_replace.h"

#include "scores/highscores.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// How much of a file copyFile moves at a time.
constexpr DWORD COPY_BUFFER_BYTES = 65536;
// A save's copy: "NAME.PID.N.tmp" beside the file it replaces.
constexpr const char* COPY_SUFFIX = ".tmp";

int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

int lastError()
{
    return errnoOf(GetLastError());
}

int writeAll(HANDLE file, const char* data, size_t size)
{
    while (size > 0) {
        const DWORD chunk = size > COPY_BUFFER_BYTES ? COPY_BUFFER_BYTES : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr)) {
            return lastError();
        }
        data += written;
        size -= written;
    }
    return 0;
}

// Writes a new copy through `write` (given the copy's handle; returns 0 or
// an error), flushes it and moves it over `target`. The copy is opened with
// no sharing, so removeAbandonedCopies cannot delete it while this runs.
template <typename Write>
int replaceWith(const char* target, const Write& write)
{
    static unsigned counter = 0;
    const std::string temporary = std::string(target) + "." +
                                  std::to_string(GetCurrentProcessId()) + "." +
                                  std::to_string(++counter) + COPY_SUFFIX;
    const HANDLE copy = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (copy == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    int error = write(copy);
    // On disk before the move: otherwise a power cut may leave the new
    // name on an empty file.
    if (error == 0 && !FlushFileBuffers(copy)) {
        error = lastError();
    }
    CloseHandle(copy);
    if (error == 0 && !MoveFileExA(temporary.c_str(), target,
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = lastError();
    }
    if (error != 0) {
        DeleteFileA(temporary.c_str());
    }
    return error;
}

}  // namespace

FolderTurn::FolderTurn() : handle(-1) {}

FolderTurn::~FolderTurn() {}

std::FILE* openRegularFile(const char* path, int& error)
{
    error = 0;
    std::error_code unknown;
    const fs::file_status status = fs::status(path, unknown);
    if (!fs::exists(status)) {
        error = ENOENT;
        return nullptr;
    }
    if (!fs::is_regular_file(status)) {
        return nullptr;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        error = errno;
    }
    return file;
}

int replaceFile(const char* target, const std::string& content)
{
    return replaceWith(
        target, [&content](HANDLE copy) { return writeAll(copy, content.data(), content.size()); });
}

int copyFile(const char* from, const char* to)
{
    const HANDLE source = CreateFileA(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    const int error = replaceWith(to, [source](HANDLE copy) {
        char buffer[COPY_BUFFER_BYTES];
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(source, buffer, sizeof buffer, &got, nullptr)) {
                return lastError();
            }
            const int error = got > 0 ? writeAll(copy, buffer, got) : 0;
            if (got == 0 || error != 0) {
                return error;
            }
        }
    });
    CloseHandle(source);
    return error;
}

// A live save holds its copy open without sharing, so deleting it fails;
// only the copies of saves that were killed go.
void removeAbandonedCopies()
{
    const std::string prefix = std::string(HIGHSCORE_FILE) + ".";
    const std::string suffix = COPY_SUFFIX;
    std::error_code error;
    for (fs::directory_iterator entry(".", error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.size() > prefix.size() + suffix.size() && name.rfind(prefix, 0) == 0 &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            DeleteFileA(name.c_str());
        }
    }
}
