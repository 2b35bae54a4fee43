#include "engine/fileio.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace quenlark::fileio {

int FileSystem::open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}
int FileSystem::close(int fd) {
    return ::close(fd);
}
ssize_t FileSystem::pread(int fd, void* buffer, std::size_t size, off_t offset) {
    return ::pread(fd, buffer, size, offset);
}
ssize_t FileSystem::pwrite(int fd, const void* data, std::size_t size, off_t offset) {
    return ::pwrite(fd, data, size, offset);
}
ssize_t FileSystem::copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset,
                                  std::size_t size) {
    return ::copy_file_range(in, inOffset, out, outOffset, size, 0);
}
int FileSystem::fsync(int fd) {
    return ::fsync(fd);
}
int FileSystem::ftruncate(int fd, off_t size) {
    return ::ftruncate(fd, size);
}
int FileSystem::fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}
int FileSystem::fstat(int fd, struct stat* st) {
    return ::fstat(fd, st);
}
int FileSystem::stat(const char* path, struct stat* st) {
    return ::stat(path, st);
}
int FileSystem::lstat(const char* path, struct stat* st) {
    return ::lstat(path, st);
}
ssize_t FileSystem::readlink(const char* path, char* buffer, std::size_t size) {
    return ::readlink(path, buffer, size);
}
int FileSystem::rename(const char* from, const char* to) {
    return ::rename(from, to);
}
int FileSystem::unlink(const char* path) {
    return ::unlink(path);
}
int FileSystem::link(const char* from, const char* to, int flags) {
    return ::linkat(AT_FDCWD, from, AT_FDCWD, to, flags);
}
int FileSystem::flock(int fd, int operation) {
    return ::flock(fd, operation);
}
int FileSystem::renameNoReplace(const char* from, const char* to) {
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
off_t FileSystem::lseek(int fd, off_t offset, int whence) {
    return ::lseek(fd, offset, whence);
}

namespace {

FileSystem g_kernel;
FileSystem* g_fs = &g_kernel;

// Bytes moved per step when the kernel cannot copy by itself.
constexpr std::size_t kCopyBlock = 1024 * 1024;

bool copyThroughBuffer(int in, std::int64_t inOffset, int out, std::int64_t outOffset,
                       std::int64_t size) {
    std::vector<char> block(std::size_t(std::min<std::int64_t>(size, kCopyBlock)));
    for (std::int64_t done = 0; done < size;) {
        const auto want =
            std::size_t(std::min<std::int64_t>(std::int64_t(block.size()), size - done));
        const std::int64_t got = readAt(in, block.data(), want, inOffset + done);
        if (got < 0)
            return false;
        if (got != std::int64_t(want)) {
            errno = EIO; // the source ended early: it changed while it was copied
            return false;
        }
        if (!writeAt(out, block.data(), want, outOffset + done))
            return false;
        done += std::int64_t(want);
    }
    return true;
}

} // namespace

FileSystem& Fs() {
    return *g_fs;
}

void SetFileSystem(FileSystem* fs) {
    g_fs = fs ? fs : &g_kernel;
}

std::int64_t readAt(int fd, char* buffer, std::size_t size, std::int64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = Fs().pread(fd, buffer + done, size - done, off_t(offset) + off_t(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    return std::int64_t(done);
}

bool writeAt(int fd, const char* data, std::size_t size, std::int64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = Fs().pwrite(fd, data + done, size - done, off_t(offset) + off_t(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

bool copyRange(int in, std::int64_t inOffset, int out, std::int64_t outOffset, std::int64_t size) {
    off_t from = off_t(inOffset);
    off_t to = off_t(outOffset);
    std::int64_t left = size;
    while (left > 0) {
        const ssize_t n = Fs().copyFileRange(in, &from, out, &to, std::size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // Not between these files or on this kernel: copy the rest through memory.
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)
                return copyThroughBuffer(in, from, out, to, left);
            return false;
        }
        if (n == 0) {
            errno = EIO; // the source ended early
            return false;
        }
        left -= n;
    }
    return true;
}

std::int64_t sizeOf(int fd) {
    struct stat st {};
    if (Fs().fstat(fd, &st) != 0)
        return -1;
    return st.st_size;
}

void closeFd(int& fd) {
    if (fd >= 0)
        Fs().close(fd);
    fd = -1;
}

bool sync(int fd) {
    return Fs().fsync(fd) == 0;
}

std::string parentDir(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool syncDir(const std::string& dir) {
    const int fd = Fs().open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool ok = Fs().fsync(fd) == 0;
    const int saved = errno;
    Fs().close(fd);
    errno = saved;
    return ok;
}

Result followLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (Fs().lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return {}; // missing, or not a link: this is the file
        struct stat folder {};
        if (Fs().stat(parentDir(target).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
            (folder.st_mode & S_IWOTH) && st.st_uid != ::geteuid() && st.st_uid != folder.st_uid)
            return Result::Fail(Failure::ForeignLink,
                                "\"" + target +
                                    "\" is a link that belongs to another user in a folder "
                                    "everyone may write; it is not followed");
        char buffer[PATH_MAX];
        const ssize_t n = Fs().readlink(target.c_str(), buffer, sizeof buffer);
        if (n <= 0 || std::size_t(n) >= sizeof buffer)
            return Result::FromErrno("Cannot follow the link \"" + target + "\"",
                                     n < 0 ? errno : ENAMETOOLONG);
        const std::string link(buffer, std::size_t(n));
        target = link.front() == '/' ? link : parentDir(target) + '/' + link;
    }
    return Result::FromErrno("Cannot follow the link \"" + path + "\"", ELOOP);
}

bool FileStamp::operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

FileStamp StampOf(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

bool StampOf(int fd, FileStamp& stamp) {
    struct stat st {};
    if (Fs().fstat(fd, &st) != 0)
        return false;
    stamp = StampOf(st);
    return true;
}

std::int64_t nextData(int fd, std::int64_t from, std::int64_t end, std::int64_t& dataEnd) {
    dataEnd = end;
    if (from >= end)
        return end;
    const off_t data = Fs().lseek(fd, off_t(from), SEEK_DATA);
    if (data < 0)
        return errno == ENXIO ? end : from; // ENXIO: only a hole is left
    if (data >= end)
        return end;
    const off_t hole = Fs().lseek(fd, data, SEEK_HOLE);
    if (hole > data && hole < end)
        dataEnd = hole;
    return data;
}

int openLocked(const std::string& path, int flags, bool exclusive, LockOutcome& outcome) {
    outcome = LockOutcome::Locked;
    for (int attempt = 0; attempt < 5; ++attempt) {
        int fd;
        do {
            fd = Fs().open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return -1;
        struct stat st {};
        if (Fs().fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            const int why = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            Fs().close(fd);
            errno = why;
            return -1;
        }
        // Reads and writes of a regular file never wait; the flag only kept the open of
        // a FIFO from hanging.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (Fs().flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
            const int why = errno;
            if (why == EWOULDBLOCK || why == EINTR) {
                Fs().close(fd);
                outcome = LockOutcome::HeldByOther;
                errno = why;
                return -1;
            }
            // No locks on this file system (some network and FUSE file systems).
            outcome = LockOutcome::Unsupported;
            return fd;
        }
        // The file may have been replaced between the open and the lock (the program
        // replaces its database by renaming a new file over it): lock what the path names.
        struct stat now {};
        if (Fs().stat(path.c_str(), &now) == 0 && now.st_dev == st.st_dev &&
            now.st_ino == st.st_ino)
            return fd;
        Fs().close(fd);
    }
    outcome = LockOutcome::HeldByOther;
    errno = EWOULDBLOCK;
    return -1;
}

Result openRegularForReading(const std::string& path, int& fd) {
    fd = Fs().open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0);
    if (fd < 0)
        return Result::FromErrno("Cannot open \"" + path + "\"", errno);
    struct stat st {};
    if (Fs().fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        closeFd(fd);
        return Result::Fail(Failure::NotRegularFile, "\"" + path + "\" is not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return {};
}

} // namespace quenlark::fileio
