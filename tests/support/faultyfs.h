// A file system for tests that fails one chosen call among those that change files (or one
// read), the way a full or failing disk would, and counts the calls it saw.
#pragma once

#include "engine/fileio.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <vector>

namespace quenlark::test {

class FaultyFileSystem : public fileio::FileSystem {
public:
    // The changing call to fail, counting from 1; 0 fails none.
    int failAt = 0;
    // Every changing call from failAt on fails too (a disk that has died).
    bool persistent = false;
    int error = EIO;
    // A failing write first writes half of its bytes, then the next write fails (a disk
    // that fills up in the middle of a write).
    bool shortWrites = false;
    // The read to fail, counting from 1; 0 fails none.
    int failReadAt = 0;
    // flock answers with this errno when it is not 0 (ENOLCK: a file system without locks).
    int lockError = 0;

    int calls = 0;
    int reads = 0;
    std::vector<std::string> names; // the changing calls, in order
    std::string failed;             // the one that was failed

    bool struck() const { return !failed.empty(); }

    // Installs itself as the engine's file system for its lifetime.
    FaultyFileSystem() { fileio::SetFileSystem(this); }
    ~FaultyFileSystem() override { fileio::SetFileSystem(nullptr); }

    int open(const char* path, int flags, mode_t mode) override {
        if ((flags & (O_CREAT | O_TMPFILE)) && strike("create"))
            return -1;
        return FileSystem::open(path, flags, mode);
    }
    ssize_t pread(int fd, void* buffer, std::size_t size, off_t offset) override {
        if (++reads == failReadAt) {
            failed = "read";
            errno = EIO;
            return -1;
        }
        return FileSystem::pread(fd, buffer, size, offset);
    }
    ssize_t pwrite(int fd, const void* data, std::size_t size, off_t offset) override {
        if (pendingShort_) {
            pendingShort_ = false;
            errno = ENOSPC;
            return -1;
        }
        if (strike("write")) {
            if (shortWrites && size > 1) {
                pendingShort_ = true;
                return FileSystem::pwrite(fd, data, size / 2, offset);
            }
            return -1;
        }
        return FileSystem::pwrite(fd, data, size, offset);
    }
    ssize_t copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset,
                          std::size_t size) override {
        if (strike("copy"))
            return -1;
        return FileSystem::copyFileRange(in, inOffset, out, outOffset, size);
    }
    int fsync(int fd) override { return strike("fsync") ? -1 : FileSystem::fsync(fd); }
    int ftruncate(int fd, off_t size) override {
        return strike("ftruncate") ? -1 : FileSystem::ftruncate(fd, size);
    }
    int fchmod(int fd, mode_t mode) override {
        return strike("fchmod") ? -1 : FileSystem::fchmod(fd, mode);
    }
    int rename(const char* from, const char* to) override {
        return strike("rename") ? -1 : FileSystem::rename(from, to);
    }
    int unlink(const char* path) override {
        return strike("unlink") ? -1 : FileSystem::unlink(path);
    }
    int link(const char* from, const char* to, int flags) override {
        return strike("link") ? -1 : FileSystem::link(from, to, flags);
    }
    int flock(int fd, int operation) override {
        if (lockError) {
            errno = lockError;
            return -1;
        }
        return FileSystem::flock(fd, operation);
    }

private:
    bool strike(const char* name) {
        names.push_back(name);
        ++calls;
        if (calls != failAt && !(persistent && failAt > 0 && calls > failAt))
            return false;
        if (failed.empty())
            failed = name;
        errno = error;
        return true;
    }
    bool pendingShort_ = false;
};

// A disk that dies at its `flush`th flush: that flush and every later call that changes a
// file fail, so a change in progress stays half done on it, as a kill in that instant would
// leave it (for an Add, the third flush is the book's: its journal and its record are there).
class DyingDisk : public fileio::FileSystem {
public:
    explicit DyingDisk(int flush) : dieAt_(flush) { fileio::SetFileSystem(this); }
    ~DyingDisk() override { fileio::SetFileSystem(nullptr); }

    int open(const char* path, int flags, mode_t mode) override {
        return dead_ && (flags & (O_CREAT | O_TMPFILE)) ? fail()
                                                        : FileSystem::open(path, flags, mode);
    }
    ssize_t pwrite(int fd, const void* data, std::size_t size, off_t offset) override {
        return dead_ ? fail() : FileSystem::pwrite(fd, data, size, offset);
    }
    int fsync(int fd) override {
        dead_ = dead_ || ++flushes_ == dieAt_;
        return dead_ ? fail() : FileSystem::fsync(fd);
    }
    int ftruncate(int fd, off_t size) override {
        return dead_ ? fail() : FileSystem::ftruncate(fd, size);
    }
    int unlink(const char* path) override { return dead_ ? fail() : FileSystem::unlink(path); }
    int rename(const char* from, const char* to) override {
        return dead_ ? fail() : FileSystem::rename(from, to);
    }

private:
    static int fail() {
        errno = EIO;
        return -1;
    }
    int dieAt_;
    int flushes_ = 0;
    bool dead_ = false;
};

} // namespace quenlark::test
