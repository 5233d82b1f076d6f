// file_replace.h on Windows. A file is replaced only by moving a complete,
// flushed new copy over it (MoveFileExW). Saves take turns under a lock on
// a file in the folder, which the clean-up of abandoned copies takes too, so
// it never removes the copy of a save still going on. Names are UTF-8 and
// go to the wide-character calls, so a folder like C:\Users\Jürgen works.
#include "scores/file_replace.h"

#include "scores/highscores.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <regex>
#include <string>
#include <utility>

namespace {

// How long a save waits for another copy's save to finish, as on POSIX.
constexpr int TURN_WAIT_STEPS = 200;
constexpr DWORD TURN_WAIT_STEP_MS = 10;
// How long an open or a move is tried again while another program (a virus
// scanner, a backup) holds the file for a moment.
constexpr int HELD_ATTEMPTS = 16;
constexpr DWORD HELD_WAIT_MS = 25;
// How much of a file a write or copyFile moves at a time.
constexpr DWORD COPY_BUFFER_BYTES = 65536;
// The file whose first byte saves lock in turn; made once, then kept.
constexpr const char* LOCK_FILE = "hiscores.lock";
constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The errno values nearest to Windows errors, for the messages the table
// says (std::strerror) and the cases it tells apart; EIO for the others.
constexpr std::pair<DWORD, int> ERRNO_OF[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},    {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_NAME, ENOENT},      {ERROR_ACCESS_DENIED, EACCES},
    {ERROR_SHARING_VIOLATION, EACCES}, {ERROR_LOCK_VIOLATION, EACCES},
    {ERROR_FILE_EXISTS, EEXIST},       {ERROR_ALREADY_EXISTS, EEXIST},
    {ERROR_DISK_FULL, ENOSPC},         {ERROR_HANDLE_DISK_FULL, ENOSPC},
    {ERROR_WRITE_PROTECT, EROFS},      {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
    {ERROR_OUTOFMEMORY, ENOMEM},       {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
};

int errnoOf(DWORD error)
{
    for (const auto& [windows, posix] : ERRNO_OF) {
        if (windows == error) {
            return posix;
        }
    }
    return EIO;
}

int lastError()
{
    return errnoOf(GetLastError());
}

// The UTF-16 name of a UTF-8 one; empty, which no call accepts, for bytes
// that are not UTF-8.
std::wstring wide(const std::string& utf8)
{
    const int size = static_cast<int>(utf8.size());
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    std::wstring name(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, name.data(), length);
    return name;
}

bool isFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Calls `attempt` again while it fails because another program holds the
// file (or its open is still refused: a file being removed). The last
// failure's error stays for GetLastError.
template <typename Attempt>
bool whileHeld(const Attempt& attempt)
{
    for (int tried = 1; !attempt(); ++tried) {
        const DWORD error = GetLastError();
        if (tried == HELD_ATTEMPTS ||
            (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)) {
            return false;
        }
        Sleep(HELD_WAIT_MS);
        SetLastError(error);
    }
    return true;
}

// Opened for reading so that others may read, write, and replace the file
// meanwhile.
HANDLE openShared(const std::wstring& path)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    whileHeld([&] {
        file = CreateFileW(path.c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return file != INVALID_HANDLE_VALUE;
    });
    return file;
}

// A name for a temporary file that no other save, in this process or
// another, will pick: the file name, a dot, 16 hex digits (the process and
// the time), a dot and a counter, as on POSIX.
std::wstring temporaryName()
{
    static unsigned long long counter = 0;
    const unsigned long long tag = (ULONGLONG{GetCurrentProcessId()} << 32) ^ GetTickCount64();
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%016llx.%llu", tag, ++counter);
    return wide(HIGHSCORE_FILE + std::string(suffix));
}

bool isTemporaryName(const std::wstring& name)
{
    const std::wstring prefix = wide(HIGHSCORE_FILE) + L".";
    return name.compare(0, prefix.size(), prefix) == 0 &&
           std::regex_match(name.substr(prefix.size()), std::wregex(L"[0-9a-f]{16}\\.[0-9]+"));
}

int writeAll(HANDLE file, const char* data, size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size < COPY_BUFFER_BYTES ? static_cast<DWORD>(size) : COPY_BUFFER_BYTES;
        if (!WriteFile(file, data, chunk, &written, nullptr)) {
            return lastError();
        }
        data += written;
        size -= written;
    }
    return 0;
}

// replaceFile and copyFile, with the new copy's content written through
// `write` (given the copy's handle; returns 0 or an error).
template <typename Write>
int replaceWith(const char* target, const Write& write)
{
    // Shared with nobody: should a start-up clean up without the lock (a
    // folder that cannot be locked), its delete of this copy fails.
    const std::wstring temporary = temporaryName(), to = wide(target);
    const HANDLE copy = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
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
    CloseHandle(copy);  // a file open without FILE_SHARE_DELETE cannot be moved
    if (error == 0 && isFolder(to)) {
        error = EISDIR;  // refused for good, not only while held
    } else if (error == 0 && !whileHeld([&] {
                   return MoveFileExW(temporary.c_str(), to.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
               })) {
        error = lastError();
    }
    if (error != 0) {
        DeleteFileW(temporary.c_str());
    }
    return error;
}

}  // namespace

FolderTurn::FolderTurn()
    : handle(reinterpret_cast<std::intptr_t>(CreateFileW(wide(LOCK_FILE).c_str(), GENERIC_READ,
                                                         SHARE_ALL, nullptr, OPEN_ALWAYS,
                                                         FILE_ATTRIBUTE_HIDDEN, nullptr)))
{
    // A lock file that cannot be made (a folder not to be written) cannot
    // be locked at all either: the save goes on, and fails on its own.
    const HANDLE lock = reinterpret_cast<HANDLE>(handle);
    for (int step = 0; lock != INVALID_HANDLE_VALUE; ++step) {
        OVERLAPPED first = {};
        if (LockFileEx(lock, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &first)) {
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION) {
            const bool unsupported =
                error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
            failure = unsupported ? 0 : errnoOf(error);
            return;
        }
        if (step == TURN_WAIT_STEPS) {
            failure = EWOULDBLOCK;
            return;
        }
        Sleep(TURN_WAIT_STEP_MS);
    }
}

FolderTurn::~FolderTurn()
{
    const HANDLE lock = reinterpret_cast<HANDLE>(handle);
    if (lock != INVALID_HANDLE_VALUE) {
        // Unlocked now: at the close alone Windows may take its time.
        OVERLAPPED first = {};
        UnlockFileEx(lock, 0, 1, 0, &first);
        CloseHandle(lock);
    }
}

std::FILE* openRegularFile(const char* path, int& error)
{
    error = 0;
    const std::wstring name = wide(path);
    if (isFolder(name)) {
        return nullptr;
    }
    HANDLE file = openShared(name);
    if (file == INVALID_HANDLE_VALUE) {
        error = lastError();
        return nullptr;
    }
    // Only a file on a disk: no pipe, console or device.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    std::FILE* stream = fd < 0 ? nullptr : _fdopen(fd, "rb");
    if (stream == nullptr) {
        error = errno;
        if (fd < 0) {
            CloseHandle(file);
        } else {
            _close(fd);
        }
    }
    return stream;
}

int replaceFile(const char* target, const std::string& content)
{
    return replaceWith(
        target, [&content](HANDLE copy) { return writeAll(copy, content.data(), content.size()); });
}

int copyFile(const char* from, const char* to)
{
    const HANDLE source = openShared(wide(from));
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

// Under the folder's lock no save is going on, so every temporary copy is
// one a killed save left. Where the folder cannot be locked, a live save's
// copy is still safe while written: it is open without FILE_SHARE_DELETE.
void removeAbandonedCopies()
{
    const FolderTurn turn;
    WIN32_FIND_DATAW found;
    const HANDLE search =
        turn.error() != 0
            ? INVALID_HANDLE_VALUE
            : FindFirstFileW(wide(HIGHSCORE_FILE + std::string(".*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (isTemporaryName(found.cFileName)) {
            DeleteFileW(found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}
