// The engine's access to files. Every system call that reads or changes a file goes through
// one FileSystem object, so that tests can fail any single call or record the sequence of
// changes; the helpers below never report a short transfer as success.
#pragma once

#include "engine/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace quenlark::fileio {

// The system calls, one to one. Each returns what the call returns and leaves errno set on
// failure. The default implementation calls the kernel.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual int open(const char* path, int flags, mode_t mode);
    virtual int close(int fd);
    virtual ssize_t pread(int fd, void* buffer, std::size_t size, off_t offset);
    virtual ssize_t pwrite(int fd, const void* data, std::size_t size, off_t offset);
    virtual ssize_t copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset,
                                  std::size_t size);
    virtual int fsync(int fd);
    virtual int ftruncate(int fd, off_t size);
    virtual int fchmod(int fd, mode_t mode);
    virtual int fstat(int fd, struct stat* st);
    virtual int stat(const char* path, struct stat* st);
    virtual int lstat(const char* path, struct stat* st);
    virtual ssize_t readlink(const char* path, char* buffer, std::size_t size);
    virtual int rename(const char* from, const char* to);
    virtual int unlink(const char* path);
    // linkat(AT_FDCWD, from, AT_FDCWD, to, flags).
    virtual int link(const char* from, const char* to, int flags);
    virtual int flock(int fd, int operation);
    // renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE): fails with EEXIST rather
    // than replace `to`.
    virtual int renameNoReplace(const char* from, const char* to);
    virtual off_t lseek(int fd, off_t offset, int whence);
};

// The file system in use; tests install their own (not owned) and nullptr goes back to the
// kernel's.
FileSystem& Fs();
void SetFileSystem(FileSystem* fs);

// Reads up to `size` bytes at `offset`, retrying after interruptions and partial reads.
// Returns the number of bytes read (less only at the end of the file), or -1 on error.
std::int64_t readAt(int fd, char* buffer, std::size_t size, std::int64_t offset);
// Writes all `size` bytes at `offset`; false if any byte could not be written (errno set,
// ENOSPC for a write that stopped short).
bool writeAt(int fd, const char* data, std::size_t size, std::int64_t offset);
// Copies `size` bytes from `in` at `inOffset` to `out` at `outOffset`, in the kernel where
// it can and through a block buffer otherwise. False, with errno set, when fewer were copied.
bool copyRange(int in, std::int64_t inOffset, int out, std::int64_t outOffset, std::int64_t size);
// The file's size, or -1.
std::int64_t sizeOf(int fd);
void closeFd(int& fd);
// Flushes the file's data to the disk.
bool sync(int fd);
// The folder part of a path ("." when it has none).
std::string parentDir(const std::string& path);
// Flushes a folder's entries (after a file was created, renamed or removed in it).
bool syncDir(const std::string& dir);

// The file a path finally names, following symbolic links (a link to a missing file names
// that missing file, so that writing there creates it). A link in a folder that everyone
// may write and that has the sticky bit (such as /tmp) is followed only when it belongs to
// the person or to the folder's owner, as the kernel's protected_symlinks rule does for the
// links it follows itself: another user's link there is refused (Failure::ForeignLink), so
// that nobody can point a name the program writes at a file of the person's.
Result followLinks(const std::string& path, std::string& target);

// What tells whether a file changed: its identity, size, and the times of its last
// modification and change, to the nanosecond.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = -1;
    timespec modified{};
    timespec changed{};
    bool operator==(const FileStamp& other) const;
};
FileStamp StampOf(const struct stat& st);
// The stamp of an open file; false with errno set when it cannot be read.
bool StampOf(int fd, FileStamp& stamp);

// The start of the first part of the file holding data at or after `from`, and in `dataEnd`
// where that part ends (at most `end`); `end` when nothing but holes is left. A file system
// that cannot tell holes has data everywhere.
std::int64_t nextData(int fd, std::int64_t from, std::int64_t end, std::int64_t& dataEnd);

// How a lock request went.
enum class LockOutcome { Locked, HeldByOther, Unsupported };

// Opens a regular file with the given flags (a FIFO, device or folder is refused without
// waiting on it) and takes a non-blocking advisory lock, exclusive or shared. The lock is
// checked to be on the file the path still names. On a file system without locks the file
// is opened unlocked and `outcome` says so. Returns the descriptor, or -1 with `outcome`
// HeldByOther when another process holds the lock, or with errno set when the file cannot
// be opened.
int openLocked(const std::string& path, int flags, bool exclusive, LockOutcome& outcome);

// Opens an existing file for reading without blocking on it; refuses anything but a
// regular file (Failure::NotRegularFile). The descriptor is stored in `fd`.
Result openRegularForReading(const std::string& path, int& fd);

} // namespace quenlark::fileio
