#include "engine/atomicfile.h"

#include "engine/fileio.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace quenlark {

namespace {

// A short name for a file that is being written: it never makes a long target name too
// long, and starts with a dot so that folder listings hide it.
std::string tempName(const std::string& dir) {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t seed =
        std::uint64_t(::getpid()) * 0x9E3779B97F4A7C15ull ^
        std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (counter.fetch_add(1) << 48);
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = dir + "/.qab-";
    for (int i = 0; i < 8; ++i) {
        name += kLetters[seed % 36];
        seed /= 36;
    }
    return name;
}

bool procFdAvailable() {
    return ::access("/proc/self/fd", X_OK) == 0;
}

// The name a new copy may have been left under when the program was killed in the instant
// between naming it and renaming it over its target.
bool isLeftoverTemp(const std::string& name) {
    return name.size() == 13 && name.compare(0, 5, ".qab-") == 0;
}

// The files FileGuards keep; a file guarded twice is listed twice.
std::mutex g_guardedLock;
std::multiset<std::pair<dev_t, ino_t>>& guarded() {
    static std::multiset<std::pair<dev_t, ino_t>> files;
    return files;
}

} // namespace

FileGuard::~FileGuard() {
    release();
}

void FileGuard::guard(int fd) {
    release();
    struct stat st {};
    if (fd < 0 || fileio::Fs().fstat(fd, &st) != 0)
        return;
    const std::lock_guard lock(g_guardedLock);
    device_ = st.st_dev;
    inode_ = st.st_ino;
    guarded().insert({device_, inode_});
    active_ = true;
}

void FileGuard::release() {
    if (!active_)
        return;
    const std::lock_guard lock(g_guardedLock);
    if (const auto it = guarded().find({device_, inode_}); it != guarded().end())
        guarded().erase(it);
    active_ = false;
}

bool IsGuarded(dev_t device, ino_t inode) {
    const std::lock_guard lock(g_guardedLock);
    return guarded().count({device, inode}) > 0;
}

void RemoveLeftoverTemps(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (!isLeftoverTemp(name))
            continue;
        const std::string path = dir + '/' + name;
        const int fd =
            fileio::Fs().open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0);
        if (fd < 0)
            continue;
        struct stat st {};
        if (fileio::Fs().fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid() &&
            fileio::Fs().flock(fd, LOCK_EX | LOCK_NB) == 0)
            fileio::Fs().unlink(path.c_str());
        fileio::Fs().close(fd);
    }
    ::closedir(d);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (!committed_)
        discard();
    else
        fileio::closeFd(fd_);
}

Result AtomicFileWriter::fail(const std::string& what, int error) {
    return Result::FromErrno(what + " \"" + target_ + "\"", error);
}

Result AtomicFileWriter::checkNotGuarded() const {
    struct stat st {
    }, mine{};
    if (fileio::Fs().stat(target_.c_str(), &st) != 0 || !IsGuarded(st.st_dev, st.st_ino))
        return {};
    if (replacing_ >= 0 && fileio::Fs().fstat(replacing_, &mine) == 0 && mine.st_dev == st.st_dev &&
        mine.st_ino == st.st_ino)
        return {};
    return Result::Fail(Failure::IsDatabase, "\"" + target_ + "\" is the address book itself");
}

Result AtomicFileWriter::open(const std::string& path, mode_t newFileMode, int replacing) {
    discard();
    renamed_ = committed_ = false;
    written_ = 0;
    replacing_ = replacing;
    if (path.empty())
        return Result::Fail(Failure::BadArgument, "No file name was given");
    if (Result followed = fileio::followLinks(path, target_); !followed)
        return followed;
    if (Result free = checkNotGuarded(); !free)
        return free;
    struct stat st {};
    if (fileio::Fs().stat(target_.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return Result::Fail(Failure::NotRegularFile,
                                "\"" + target_ + "\" is not a regular file");
        mode_ = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return fail("Cannot look at", errno);
    } else {
        mode_ = newFileMode;
    }
    dir_ = fileio::parentDir(target_);
    RemoveLeftoverTemps(dir_);

    fd_ = procFdAvailable() ? fileio::Fs().open(dir_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode_)
                            : -1;
    if (fd_ < 0 && procFdAvailable() && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return fail("Cannot create a file beside", errno);
    if (fd_ < 0) {
        // A file system without unnamed files: a named one, removed again on failure.
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            namedTemp_ = tempName(dir_);
            fd_ =
                fileio::Fs().open(namedTemp_.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, mode_);
            if (fd_ < 0 && errno != EEXIST)
                break;
        }
        if (fd_ < 0) {
            const int why = errno;
            namedTemp_.clear();
            return fail("Cannot create a file beside", why);
        }
    }
    // Locked while it is written: a program opening the folder's database then knows it is
    // not a leftover of a killed run. A file system without locks goes on without.
    (void)fileio::Fs().flock(fd_, LOCK_EX | LOCK_NB);
    if (fileio::Fs().fchmod(fd_, mode_) != 0) {
        const int why = errno;
        discard();
        return fail("Cannot set the permissions of", why);
    }
    return {};
}

Result AtomicFileWriter::write(const char* data, std::size_t size) {
    if (fd_ < 0)
        return Result::Fail(Failure::NotOpen, "No file is being written");
    if (!fileio::writeAt(fd_, data, size, written_))
        return fail("Cannot write", errno);
    written_ += std::int64_t(size);
    return {};
}

Result AtomicFileWriter::commit() {
    if (fd_ < 0)
        return Result::Fail(Failure::NotOpen, "No file is being written");
    if (!fileio::sync(fd_))
        return fail("Cannot flush", errno);
    // The target may have become a guarded file's name since open().
    if (Result free = checkNotGuarded(); !free)
        return free;
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    // With no file of that name yet, the new file takes the name itself: a kill then never
    // leaves a copy under a name of its own.
    bool named = false;
    if (namedTemp_.empty()) {
        if (fileio::Fs().link(self.c_str(), target_.c_str(), AT_SYMLINK_FOLLOW) == 0)
            named = true;
        else if (errno != EEXIST)
            return fail("Cannot name the new copy of", errno);
    }
    if (!named && namedTemp_.empty()) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = tempName(dir_);
            if (fileio::Fs().link(self.c_str(), name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                namedTemp_ = name;
                break;
            }
            if (errno != EEXIST)
                return fail("Cannot name the new copy of", errno);
        }
        if (namedTemp_.empty())
            return fail("Cannot name the new copy of", EEXIST);
    }
    if (!named && fileio::Fs().rename(namedTemp_.c_str(), target_.c_str()) != 0)
        return fail("Cannot replace", errno);
    namedTemp_.clear();
    renamed_ = committed_ = true;
    if (!fileio::syncDir(dir_))
        return Result::Warning(fail("Cannot flush the folder of", errno).message());
    return {};
}

int AtomicFileWriter::releaseFd() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void AtomicFileWriter::discard() {
    const int saved = errno;
    fileio::closeFd(fd_);
    if (!namedTemp_.empty()) {
        fileio::Fs().unlink(namedTemp_.c_str());
        namedTemp_.clear();
    }
    errno = saved;
}

} // namespace quenlark
