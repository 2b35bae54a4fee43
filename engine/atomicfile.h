// Replacing a file as a whole: the new content goes to a file without a name in the same
// folder, is flushed to the disk, and only then takes the target's name in one rename. A
// failure or a kill at any moment leaves the target as it was and no stray file behind.
#pragma once

#include "engine/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace quenlark {

class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    // Discards a file that was not committed.
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Prepares to replace the file `path` names. A symbolic link is followed, so the file it
    // points to is replaced and the link stays (another user's link in a shared folder is
    // refused: fileio::followLinks). A target that exists and is not a regular file (a
    // folder, FIFO or device) is refused, and so is a file a FileGuard keeps
    // (Failure::IsDatabase), whatever name reaches it, unless it is the file `replacing` is
    // open on (the engine replacing its own book). A new file gets `newFileMode`; a file
    // that is replaced keeps its permissions.
    Result open(const std::string& path, mode_t newFileMode = 0600, int replacing = -1);

    // The new file, to write into at any offset.
    int fd() const { return fd_; }
    // The file that will be replaced (symbolic links followed).
    const std::string& target() const { return target_; }

    // Appends bytes after those written so far through write().
    Result write(const char* data, std::size_t size);

    // Flushes the new file and gives it the target's name (in one rename, or by linking it
    // when there is no file of that name yet), then flushes the folder. After a failure the
    // target holds what it held. Once the new file has the name the change is made: a
    // failed flush of the folder after that is a warning (Result::hasWarning()).
    Result commit();
    bool renamed() const { return renamed_; }

    // Hands over the descriptor of the committed file (the caller closes it).
    int releaseFd();
    // Drops the new file; the target is untouched.
    void discard();

private:
    Result fail(const std::string& what, int error);
    // Refuses a target that a FileGuard keeps.
    Result checkNotGuarded() const;

    int fd_ = -1;
    int replacing_ = -1;
    std::string target_;
    std::string dir_;
    std::string namedTemp_; // set while the new file has a name of its own
    std::int64_t written_ = 0;
    mode_t mode_ = 0600;
    bool renamed_ = false;
    bool committed_ = false;
};

// While it guards a file, no AtomicFileWriter of this process replaces that file, under any
// name that reaches it (a link, a relative path, a second hard link): the engine guards the
// book it has open, a reader the book it reads, so no export, backup, report or settings
// write can ever land on it.
class FileGuard {
public:
    FileGuard() = default;
    ~FileGuard();
    FileGuard(const FileGuard&) = delete;
    FileGuard& operator=(const FileGuard&) = delete;

    // Guards the file `fd` is open on (and no longer the one guarded before).
    void guard(int fd);
    void release();

private:
    bool active_ = false;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// True when a FileGuard keeps the file with this identity.
bool IsGuarded(dev_t device, ino_t inode);

// Removes what a killed writer left in a folder: new copies that had been named but not yet
// renamed over their targets. Only files of this user that no process holds locked are
// removed (a copy that is being written is locked by its writer).
void RemoveLeftoverTemps(const std::string& dir);

} // namespace quenlark
