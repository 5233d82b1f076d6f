// What the high score file needs of the platform: reading a file only when
// it is a plain file, replacing a file of the working folder whole, and the
// lock on the folder that saves of copies of the game take turns under; for
// scores/ only. Errors are errno values.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Held while a save reads, merges and replaces the file, so that saves of
// copies of the game sharing this folder take turns.
class FolderTurn {
public:
    FolderTurn();
    ~FolderTurn();
    FolderTurn(const FolderTurn&) = delete;
    FolderTurn& operator=(const FolderTurn&) = delete;

    // 0 when this save has its turn, or when the folder cannot be locked at
    // all (some network file systems) and the save goes on alone;
    // EWOULDBLOCK when another save kept the lock past the wait; otherwise
    // the lock's error.
    int error() const { return failure; }

private:
    std::intptr_t handle;  // the locked folder as the platform holds it, -1 for none
    int failure = 0;
};

// Opens `path` for reading when it is a regular file; anything else (a
// FIFO would wait for a writer forever, a device may never end or act on
// being opened) is not even opened. Null when it is not opened, `error`
// then ENOENT for nothing there, 0 for something that is not a file, or
// the error met.
std::FILE* openRegularFile(const char* path, int& error);

// Writes `content` as a new copy of `target`, flushes it to disk, renames
// it over `target` and flushes the folder: a failure, a kill or a power cut
// leaves the old file or the new one, never a part. Returns 0, or the error
// of the step that failed (the copy is then gone).
int replaceFile(const char* target, const std::string& content);

// Replaces `to` in the same way with a copy of `from` as it is, whatever it
// holds.
int copyFile(const char* from, const char* to);

// Removes the temporary copies that killed saves left behind.
void removeAbandonedCopies();
