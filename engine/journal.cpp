#include "engine/journal.h"

#include "engine/fileio.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quenlark {

namespace {

// Layout: magic (16 bytes), original size, offset and saved length (8 bytes each, little
// endian), the saved bytes, and an FNV-1a checksum of everything before it (8 bytes).
constexpr char kMagic[16] = "QuenlarkJournal";
constexpr std::size_t kFixedPart = 16 + 3 * 8;
constexpr std::size_t kChecksumSize = 8;
// A journal saves at most a few records; anything longer is not one of ours.
constexpr std::uint64_t kLongestSaved = 64 * 1024 * 1024;

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

std::uint64_t checksum(std::string_view bytes) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ull;
    }
    return h;
}

Result removeJournal(const std::string& path) {
    if (fileio::Fs().unlink(path.c_str()) != 0 && errno != ENOENT)
        return Result::FromErrno("Cannot remove the journal \"" + path + "\"", errno);
    if (!fileio::syncDir(fileio::parentDir(path)))
        return Result::FromErrno("Cannot flush the folder of \"" + path + "\"", errno);
    return {};
}

} // namespace

std::string RollbackJournal::PathFor(const std::string& databasePath) {
    return databasePath + "-journal";
}

Result RollbackJournal::begin(const std::string& databasePath, std::int64_t originalSize,
                              std::int64_t offset, std::string_view saved) {
    std::string bytes(kMagic, sizeof kMagic);
    putU64(bytes, std::uint64_t(originalSize));
    putU64(bytes, std::uint64_t(offset));
    putU64(bytes, saved.size());
    bytes.append(saved);
    putU64(bytes, checksum(bytes));

    const std::string path = PathFor(databasePath);
    // A journal left from before was rolled back when the database was opened; one that is
    // there now was left by a failed removal after its change was undone.
    struct stat st {};
    if (fileio::Fs().lstat(path.c_str(), &st) == 0 && fileio::Fs().unlink(path.c_str()) != 0)
        return Result::FromErrno("Cannot remove the old journal \"" + path + "\"", errno);
    int fd = fileio::Fs().open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return Result::FromErrno("Cannot create the journal \"" + path + "\"", errno);
    path_ = path;
    if (!fileio::writeAt(fd, bytes.data(), bytes.size(), 0) || !fileio::sync(fd)) {
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

Result RollbackJournal::Recover(const std::string& databasePath, int dbFd) {
    const std::string path = PathFor(databasePath);
    int fd = -1;
    if (Result opened = fileio::openRegularForReading(path, fd); !opened) {
        struct stat st {};
        if (fileio::Fs().lstat(path.c_str(), &st) != 0 && errno == ENOENT)
            return {}; // no journal: the last change finished
        return opened;
    }
    const std::int64_t size = fileio::sizeOf(fd);
    std::string bytes;
    bool complete = false;
    if (size >= std::int64_t(kFixedPart + kChecksumSize) &&
        size <= std::int64_t(kFixedPart + kChecksumSize + kLongestSaved)) {
        bytes.resize(std::size_t(size));
        complete = fileio::readAt(fd, bytes.data(), bytes.size(), 0) == size &&
                   std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0 &&
                   getU64(bytes.data() + 32) + kFixedPart + kChecksumSize == std::uint64_t(size) &&
                   getU64(bytes.data() + bytes.size() - kChecksumSize) ==
                       checksum(std::string_view(bytes).substr(0, bytes.size() - kChecksumSize));
    }
    fileio::closeFd(fd);
    if (complete) {
        const auto originalSize = std::int64_t(getU64(bytes.data() + 16));
        const auto offset = std::int64_t(getU64(bytes.data() + 24));
        const std::size_t savedSize = bytes.size() - kFixedPart - kChecksumSize;
        if (!fileio::writeAt(dbFd, bytes.data() + kFixedPart, savedSize, offset) ||
            fileio::Fs().ftruncate(dbFd, off_t(originalSize)) != 0 || !fileio::sync(dbFd))
            return Result::FromErrno(
                "Cannot roll back the unfinished change of \"" + databasePath + "\"", errno);
    }
    return removeJournal(path);
}

} // namespace quenlark
