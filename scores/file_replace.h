// Replacing a file of the working folder whole, and the lock on the folder
// that saves of copies of the game take turns under; for scores/ only.
#pragma once

#include <functional>
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
    int fd;
    int failure = 0;
};

// Writes a new copy of `target` through `write` (given the copy's
// descriptor; returns 0 or an error), flushes it to disk, renames it over
// `target` and flushes the folder: a failure, a kill or a power cut leaves
// the old file or the new one, never a part. Returns 0, or the error of the
// step that failed (the copy is then gone).
int replaceFile(const std::string& target, const std::function<int(int fd)>& write);

// Writes all of `size` bytes, or returns the error that stopped it.
int writeAll(int fd, const char* data, size_t size);

// Removes the temporary copies that killed saves left behind.
void removeAbandonedCopies();
