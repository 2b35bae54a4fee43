#include "engine/journal.h"

#include "engine/contactrecord.h"
#include "engine/fileio.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenlark {

namespace {

// Layout, numbers as 8 bytes little endian: magic (16 bytes), salt, the book's device and
// inode, its size when the journal began, its size after the change (all ones while not
// known), the offset, the saved length, a checksum of the bytes before the offset (the
// header and the record before it), the saved bytes, and a checksum of everything before
// it. An open-ended journal may be followed by a trailer: the size after the change and a
// checksum of it.
constexpr char kMagic[16] = "QuenlarkJrnl-v2";
constexpr std::size_t kSaltAt = 16;
constexpr std::size_t kDeviceAt = 24;
constexpr std::size_t kInodeAt = 32;
constexpr std::size_t kOriginalSizeAt = 40;
constexpr std::size_t kNewEndAt = 48;
constexpr std::size_t kOffsetAt = 56;
constexpr std::size_t kSavedLengthAt = 64;
constexpr std::size_t kAnchorAt = 72;
constexpr std::size_t kFixedPart = 80;
constexpr std::size_t kChecksumSize = 8;
constexpr std::size_t kTrailerSize = 16;
// A journal saves at most a few records; anything longer is not one of ours.
constexpr std::uint64_t kLongestSaved = 64 * 1024 * 1024;
constexpr std::uint64_t kOpenEndedField = ~std::uint64_t(0);

void putU64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

std::uint64_t getU64(const char* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(p[i]);
    return v;
}

// FNV-1a, started from the journal's salt.
std::uint64_t checksum(std::string_view bytes, std::uint64_t salt) {
    std::uint64_t h = 0xcbf29ce484222325ull ^ salt;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ull;
    }
    return h;
}

std::uint64_t newSalt() {
    std::uint64_t salt = 0;
    if (::getrandom(&salt, sizeof salt, GRND_NONBLOCK) != sizeof salt)
        salt = std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) *
                   0x9E3779B97F4A7C15ull ^
               std::uint64_t(::getpid());
    return salt;
}

// A checksum of what a change never writes: the header and the record before `offset`.
bool anchorOf(int bookFd, std::int64_t offset, std::uint64_t salt, std::uint64_t& anchor) {
    const std::int64_t from =
        std::max<std::int64_t>(kHeaderSize, offset - std::int64_t(kRecordSize));
    std::string bytes(kHeaderSize + std::size_t(std::max<std::int64_t>(0, offset - from)), '\0');
    const std::int64_t header = fileio::readAt(bookFd, bytes.data(), kHeaderSize, 0);
    const std::int64_t before = header < 0 ? -1
                                           : fileio::readAt(bookFd, bytes.data() + kHeaderSize,
                                                            bytes.size() - kHeaderSize, from);
    if (header < 0 || before < 0)
        return false;
    if (header != std::int64_t(kHeaderSize) || before != std::int64_t(bytes.size() - kHeaderSize)) {
        errno = EIO; // the file ended early
        return false;
    }
    anchor = checksum(bytes, salt);
    return true;
}

Result removeJournal(const std::string& path) {
    if (fileio::Fs().unlink(path.c_str()) != 0 && errno != ENOENT)
        return Result::FromErrno("Cannot remove the journal \"" + path + "\"", errno);
    if (!fileio::syncDir(fileio::parentDir(path)))
        return Result::FromErrno("Cannot flush the folder of \"" + path + "\"", errno);
    return {};
}

// What was found under the journal's name.
struct Inspection {
    enum Verdict { None, Replay, Unfinished, Foreign, Unreadable } verdict = None;
    std::string what; // Foreign: what the file is, as the person is told
    int error = 0;    // Unreadable
    RollbackJournal::Rollback rollback;
};

Inspection foreign(std::string what) {
    Inspection i;
    i.verdict = Inspection::Foreign;
    i.what = std::move(what);
    return i;
}

Inspection unreadable(int error) {
    Inspection i;
    i.verdict = Inspection::Unreadable;
    i.error = error;
    return i;
}

// Checks the parts of a complete journal against the book.
Inspection matchBook(const std::string& bytes, std::uint64_t newEnd, int bookFd) {
    const char* p = bytes.data();
    struct stat book {};
    if (fileio::Fs().fstat(bookFd, &book) != 0)
        return unreadable(errno);
    if (getU64(p + kDeviceAt) != std::uint64_t(book.st_dev) ||
        getU64(p + kInodeAt) != std::uint64_t(book.st_ino))
        return foreign("a journal of another file");
    const std::uint64_t original = getU64(p + kOriginalSizeAt);
    const std::uint64_t offset = getU64(p + kOffsetAt);
    const std::uint64_t saved = getU64(p + kSavedLengthAt);
    // A change only ever grows the book from a size it could have, and writes after the
    // header within it.
    if (original < kHeaderSize || original > std::uint64_t(kLargestBook) || offset < kHeaderSize ||
        offset > original || saved > original - offset ||
        (newEnd != kOpenEndedField && (newEnd < original || newEnd > std::uint64_t(kLargestBook))))
        return foreign("a journal whose sizes do not fit an address book");
    const auto size = std::uint64_t(book.st_size);
    std::uint64_t anchor = 0;
    if (size < original || (newEnd != kOpenEndedField && size > newEnd))
        return foreign("a journal of this file as it was before another program changed it");
    if (!anchorOf(bookFd, std::int64_t(offset), getU64(p + kSaltAt), anchor))
        return unreadable(errno);
    if (anchor != getU64(p + kAnchorAt))
        return foreign("a journal of this file as it was before another program changed it");
    Inspection i;
    i.verdict = Inspection::Replay;
    i.rollback.originalSize = std::int64_t(original);
    i.rollback.offset = std::int64_t(offset);
    i.rollback.saved.assign(p + kFixedPart, std::size_t(saved));
    return i;
}

Inspection inspect(const std::string& path, int bookFd) {
    struct stat st {};
    if (fileio::Fs().lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? Inspection{} : unreadable(errno);
    if (S_ISLNK(st.st_mode))
        return foreign("a symbolic link");
    if (S_ISDIR(st.st_mode))
        return foreign("a folder");
    if (S_ISFIFO(st.st_mode))
        return foreign("a FIFO");
    if (!S_ISREG(st.st_mode))
        return foreign("a device or socket, not a file");
    if (st.st_uid != ::geteuid())
        return foreign("a file of another user");
    if ((st.st_mode & 07777) != 0600)
        return foreign("a file that others may read or write (not mode 0600)");
    const std::uint64_t longest = kFixedPart + kLongestSaved + kChecksumSize + kTrailerSize;
    if (std::uint64_t(st.st_size) > longest)
        return foreign("a file too large to be a journal");

    const int fd =
        fileio::Fs().open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0)
        return unreadable(errno);
    struct stat opened {};
    std::string bytes;
    std::int64_t got = -1;
    if (fileio::Fs().fstat(fd, &opened) == 0 && opened.st_ino == st.st_ino &&
        opened.st_dev == st.st_dev && std::uint64_t(opened.st_size) <= longest) {
        bytes.resize(std::size_t(opened.st_size));
        got = fileio::readAt(fd, bytes.data(), bytes.size(), 0);
    } else {
        errno = EAGAIN; // it was replaced while it was looked at
    }
    const int why = errno;
    int toClose = fd;
    fileio::closeFd(toClose);
    if (got != std::int64_t(bytes.size()))
        return unreadable(got < 0 ? why : EIO);

    // Cut short before its end: the change it was written for never began.
    Inspection unfinished;
    unfinished.verdict = Inspection::Unfinished;
    const std::size_t magicSeen = std::min(bytes.size(), sizeof kMagic);
    if (std::memcmp(bytes.data(), kMagic, magicSeen) != 0)
        return foreign("not a journal of this program");
    if (bytes.size() < kFixedPart + kChecksumSize)
        return unfinished;
    const std::uint64_t saved = getU64(bytes.data() + kSavedLengthAt);
    if (saved > kLongestSaved)
        return foreign("a journal whose sizes do not fit an address book");
    const std::size_t main = kFixedPart + std::size_t(saved) + kChecksumSize;
    const std::uint64_t salt = getU64(bytes.data() + kSaltAt);
    if (bytes.size() < main ||
        getU64(bytes.data() + main - kChecksumSize) !=
            checksum(std::string_view(bytes).substr(0, main - kChecksumSize), salt))
        return unfinished;
    if (bytes.size() > main + kTrailerSize)
        return foreign("not a journal of this program");
    std::uint64_t newEnd = getU64(bytes.data() + kNewEndAt);
    if (newEnd == kOpenEndedField && bytes.size() == main + kTrailerSize) {
        const std::string_view trailer = std::string_view(bytes).substr(main, 8);
        if (getU64(bytes.data() + main + 8) ==
            checksum(trailer, getU64(bytes.data() + main - kChecksumSize)))
            newEnd = getU64(trailer.data());
    }
    return matchBook(bytes.substr(0, main), newEnd, bookFd);
}

// Moves what is under the journal's name to a free name beside it; the name it got, or
// empty with errno set.
std::string moveAside(const std::string& path) {
    for (int n = 1; n < 100; ++n) {
        const std::string to = path + ".not-applied" + (n > 1 ? "-" + std::to_string(n) : "");
        int moved = fileio::Fs().renameNoReplace(path.c_str(), to.c_str());
        if (moved != 0 && errno == EINVAL) {
            // A file system without a rename that keeps existing names.
            struct stat st {};
            if (fileio::Fs().lstat(to.c_str(), &st) == 0)
                continue;
            moved = fileio::Fs().rename(path.c_str(), to.c_str());
        }
        if (moved == 0) {
            (void)fileio::syncDir(fileio::parentDir(path));
            return to;
        }
        if (errno != EEXIST)
            return {};
    }
    errno = EEXIST;
    return {};
}

} // namespace

std::string RollbackJournal::PathFor(const std::string& databasePath) {
    return databasePath + "-journal";
}

Result RollbackJournal::begin(const std::string& databasePath, int bookFd,
                              std::int64_t originalSize, std::int64_t newEnd, std::int64_t offset,
                              std::string_view saved) {
    const std::string path = PathFor(databasePath);
    struct stat book {};
    if (fileio::Fs().fstat(bookFd, &book) != 0)
        return Result::FromErrno("Cannot look at \"" + databasePath + "\"", errno);
    const std::uint64_t salt = newSalt();
    std::uint64_t anchor = 0;
    if (!anchorOf(bookFd, offset, salt, anchor))
        return Result::FromErrno("Cannot read \"" + databasePath + "\"", errno);
    std::string bytes(kMagic, sizeof kMagic);
    putU64(bytes, salt);
    putU64(bytes, std::uint64_t(book.st_dev));
    putU64(bytes, std::uint64_t(book.st_ino));
    putU64(bytes, std::uint64_t(originalSize));
    putU64(bytes, newEnd == kOpenEnded ? kOpenEndedField : std::uint64_t(newEnd));
    putU64(bytes, std::uint64_t(offset));
    putU64(bytes, saved.size());
    putU64(bytes, anchor);
    bytes.append(saved);
    const std::uint64_t sum = checksum(bytes, salt);
    putU64(bytes, sum);

    // A journal left from before was rolled back when the database was opened; one that is
    // there now was left by a failed removal after its change was undone.
    struct stat st {};
    if (fileio::Fs().lstat(path.c_str(), &st) == 0 && fileio::Fs().unlink(path.c_str()) != 0)
        return Result::FromErrno("Cannot remove the old journal \"" + path + "\"", errno);
    int fd =
        fileio::Fs().open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Result::FromErrno("Cannot create the journal \"" + path + "\"", errno);
    path_ = path;
    salt_ = salt;
    checksum_ = sum;
    size_ = std::int64_t(bytes.size());
    // Exactly 0600 whatever the umask: the next open accepts nothing else.
    if (fileio::Fs().fchmod(fd, 0600) != 0 || !fileio::writeAt(fd, bytes.data(), bytes.size(), 0) ||
        !fileio::sync(fd)) {
        const int why = errno;
        fileio::closeFd(fd);
        (void)end();
        return Result::FromErrno("Cannot write the journal \"" + path + "\"", why);
    }
    fileio::closeFd(fd);
    if (!fileio::syncDir(fileio::parentDir(path))) {
        const int why = errno;
        (void)end();
        return Result::FromErrno("Cannot flush the folder of \"" + path + "\"", why);
    }
    return {};
}

void RollbackJournal::settle(std::int64_t newEnd) {
    if (path_.empty())
        return;
    std::string trailer;
    putU64(trailer, std::uint64_t(newEnd));
    putU64(trailer, checksum(trailer, checksum_));
    int fd = fileio::Fs().open(path_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0)
        return;
    if (fileio::writeAt(fd, trailer.data(), trailer.size(), size_))
        (void)fileio::sync(fd);
    fileio::closeFd(fd);
}

Result RollbackJournal::end() {
    if (path_.empty())
        return {};
    Result removed = removeJournal(path_);
    // A journal that is still there can be removed by a later call.
    struct stat st {};
    if (removed || fileio::Fs().lstat(path_.c_str(), &st) != 0)
        path_.clear();
    return removed;
}

std::optional<RollbackJournal::Rollback> RollbackJournal::Pending(const std::string& databasePath,
                                                                  int bookFd) {
    Inspection found = inspect(PathFor(databasePath), bookFd);
    if (found.verdict != Inspection::Replay)
        return std::nullopt;
    return std::move(found.rollback);
}

Result RollbackJournal::Recover(const std::string& databasePath, int bookFd, std::string& notice) {
    notice.clear();
    const std::string path = PathFor(databasePath);
    const Inspection found = inspect(path, bookFd);
    switch (found.verdict) {
    case Inspection::None:
        return {};
    case Inspection::Unreadable:
        return Result::FromErrno("Cannot read the journal \"" + path + "\"", found.error);
    case Inspection::Unfinished:
        (void)removeJournal(path);
        return {};
    case Inspection::Foreign: {
        notice = "The file \"" + path + "\" beside the address book is " + found.what +
                 ", not a journal of this address book, so it was not used.  ";
        const std::string to = moveAside(path);
        if (!to.empty())
            notice += "It has been moved to \"" + to + "\".";
        else
            notice += std::string("It could not be moved aside (") + std::strerror(errno) +
                      "); the address book can be read, but no change to it can be saved "
                      "until that file is removed.";
        return {};
    }
    case Inspection::Replay:
        break;
    }
    const Rollback& r = found.rollback;
    if (!fileio::writeAt(bookFd, r.saved.data(), r.saved.size(), r.offset) ||
        fileio::Fs().ftruncate(bookFd, off_t(r.originalSize)) != 0 || !fileio::sync(bookFd))
        return Result::FromErrno(
            "Cannot roll back the unfinished change of \"" + databasePath + "\"", errno);
    // Put back: a journal that cannot be removed now is rolled back again (to the same
    // bytes) by the next open, or replaced by the next change.
    (void)removeJournal(path);
    return {};
}

} // namespace quenlark
