#include "engine/addressbookengine.h"

#include "engine/fileio.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenlark {

namespace {

// Serial numbers of index entries. They are never reused within the process, so a handle
// taken from an index that has since been rebuilt names no entry.
std::atomic<std::uint64_t> g_nextSerial{1};

// Records read per block while building the index.
constexpr std::size_t kIndexBlockRecords = 512;
// Bytes moved per step while closing the gap of a deleted record.
constexpr std::size_t kMoveBlock = 4 * 1024 * 1024;

constexpr char kRepairDoneTitle[] = "Recovary complete!";
constexpr char kRepairFailedTitle[] = "Recovary failed!";
constexpr char kRepairFailedText[] = "Recovary failed.  Please reover the database manually.";

std::string repairDoneText() {
    return std::string("Your address book should be fixed now.  If you have problems with this "
                       "please contact ") +
           kSupportEmail + " so I can make it better.  Thank you.";
}

// Reads a whole backup file that is a database of this version. False when it cannot be
// opened or read, or holds anything else.
bool readValidBackup(const std::string& path, std::string& bytes) {
    int fd = fileio::openLocked(path, O_RDONLY, false);
    if (fd < 0)
        return false;
    const bool ok = fileio::readWhole(fd, bytes);
    fileio::closeFd(fd);
    return ok && CheckHeader(bytes) == HeaderCheck::Valid;
}

// Replaces the whole content of `fd` by `bytes` and flushes it. Space for a larger
// content is reserved first, so a full disk is found before any byte is overwritten.
bool replaceContent(int fd, const std::string& bytes) {
    const std::int64_t oldSize = fileio::sizeOf(fd);
    if (oldSize < 0)
        return false;
    const auto newSize = std::int64_t(bytes.size());
    if (newSize > oldSize) {
        const int rc = ::posix_fallocate(fd, 0, newSize);
        if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL) {
            (void)::ftruncate(fd, oldSize);
            return false;
        }
    }
    return fileio::writeAt(fd, bytes.data(), bytes.size(), 0) && ::ftruncate(fd, newSize) == 0 &&
           fileio::sync(fd);
}

Result lastError() {
    return Result::FromErrno("The address book could not be written", errno);
}

bool sameFile(int fd, const std::string& path) {
    struct stat a {
    }, b{};
    return ::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

} // namespace

AddressBookEngine::AddressBookEngine(SettingsAccess& settings, MessageSink& messages,
                                     std::string executableDir)
    : settings_(settings), messages_(messages), executableDir_(std::move(executableDir)) {}

AddressBookEngine::~AddressBookEngine() {
    CloseAddressBook();
}

std::string AddressBookEngine::GetActiveAddressBookPath() {
    if (auto stored = settings_.readString(kActiveAddressBookValue))
        return *stored;
    std::string path = executableDir_;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += kDefaultDatabaseName;
    settings_.writeString(kActiveAddressBookValue, path);
    return path;
}

bool AddressBookEngine::OpenAddressBook() {
    CloseAddressBook();
    headerSize_ = kHeaderSize;
    std::string path;
    try {
        path = GetActiveAddressBookPath();
    } catch (const SettingsError&) {
        status_ = StatusCannotOpen;
        return false;
    }
    fd_ = fileio::openLocked(path, O_RDWR, true);
    if (fd_ < 0) {
        status_ = StatusCannotOpen;
        return false;
    }
    const std::int64_t size = fileio::sizeOf(fd_);
    if (size >= 0 && size < headerSize_) {
        const auto header = MakeHeader();
        if (::ftruncate(fd_, 0) != 0 || !fileio::writeAt(fd_, header.data(), header.size(), 0) ||
            !fileio::sync(fd_)) {
            const std::string why = std::strerror(errno);
            closeFile();
            status_ = StatusCannotOpen;
            throw EngineError("Cannot write a new header to " + path + ": " + why);
        }
    }
    char header[kHeaderSize];
    if (fileio::readAt(fd_, header, sizeof header, 0) != std::int64_t(sizeof header)) {
        closeFile();
        status_ = StatusCannotOpen;
        return false;
    }
    switch (CheckHeader(std::string_view(header, sizeof header))) {
    case HeaderCheck::NotADatabase:
        closeFile();
        status_ = StatusNotADatabase;
        return false;
    case HeaderCheck::OtherVersion:
        // The file stays open (and locked) until the next open or close.
        status_ = StatusOtherVersion;
        return false;
    case HeaderCheck::Valid:
        break;
    }
    status_ = StatusOpen;
    return true;
}

void AddressBookEngine::releaseIndex() {
    index_.clear();
    index_.shrink_to_fit();
    hasIndex_ = false;
}

void AddressBookEngine::closeFile() {
    fileio::closeFd(fd_);
}

void AddressBookEngine::CloseAddressBook() {
    releaseIndex();
    closeFile();
}

std::int64_t AddressBookEngine::recordAreaEnd() const {
    const std::int64_t size = fileio::sizeOf(fd_);
    if (size < headerSize_)
        return headerSize_;
    return headerSize_ +
           (size - headerSize_) / std::int64_t(kRecordSize) * std::int64_t(kRecordSize);
}

void AddressBookEngine::LoadContactIndex() {
    releaseIndex();
    hasIndex_ = true;
    if (fd_ < 0)
        return;
    const std::int64_t end = recordAreaEnd();
    index_.reserve(std::size_t((end - headerSize_) / std::int64_t(kRecordSize)));
    std::vector<char> block(kIndexBlockRecords * kRecordSize);
    const FieldSlot name = slotOf(Field::Name);
    for (std::int64_t pos = headerSize_; pos < end;) {
        const auto want =
            std::size_t(std::min<std::int64_t>(std::int64_t(block.size()), end - pos));
        const std::int64_t got = fileio::readAt(fd_, block.data(), want, pos);
        if (got <= 0)
            break;
        const std::size_t records = std::size_t(got) / kRecordSize;
        for (std::size_t k = 0; k < records; ++k) {
            const char* rec = block.data() + k * kRecordSize + name.offset;
            ContactIndexEntry& e = index_.emplace_back();
            e.offset = pos + std::int64_t(k * kRecordSize);
            e.name.assign(rec, strnlen(rec, name.width));
            e.serial = g_nextSerial.fetch_add(1, std::memory_order_relaxed);
        }
        if (records == 0)
            break;
        pos += std::int64_t(records * kRecordSize);
    }
}

std::size_t AddressBookEngine::CopyContactIndex(std::vector<std::string>& list) const {
    list.clear();
    list.reserve(index_.size());
    for (const ContactIndexEntry& e : index_)
        list.push_back(HandleOf(e));
    return index_.size();
}

std::string AddressBookEngine::HandleOf(const ContactIndexEntry& entry) {
    return std::to_string(entry.serial);
}

const ContactIndexEntry* AddressBookEngine::EntryFromSerial(std::uint64_t serial) const {
    const auto it = std::lower_bound(
        index_.begin(), index_.end(), serial,
        [](const ContactIndexEntry& e, std::uint64_t s) { return e.serial < s; });
    return it != index_.end() && it->serial == serial ? &*it : nullptr;
}

bool AddressBookEngine::IsDatabaseFile(const std::string& path) const {
    return fd_ >= 0 && sameFile(fd_, path);
}

const ContactIndexEntry* AddressBookEngine::EntryFromHandle(std::string_view handle) const {
    if (index_.empty() || handle.empty())
        return nullptr;
    std::uint64_t serial = 0;
    const auto [end, ec] = std::from_chars(handle.data(), handle.data() + handle.size(), serial);
    if (ec != std::errc() || end != handle.data() + handle.size())
        return nullptr;
    const std::uint64_t first = index_.front().serial;
    if (serial < first || serial - first >= index_.size())
        return nullptr;
    const ContactIndexEntry& e = index_[std::size_t(serial - first)];
    return e.serial == serial ? &e : nullptr;
}

ContactRecord AddressBookEngine::ReadContact(const ContactIndexEntry& entry) const {
    ContactRecord record;
    if (fd_ >= 0) {
        const std::int64_t got =
            fileio::readAt(fd_, record.bytes.data(), record.bytes.size(), entry.offset);
        if (got < 0)
            record.bytes.fill(0);
    }
    return record;
}

Result AddressBookEngine::AppendContact(const ContactRecord& record) {
    if (fd_ < 0)
        return lastError();
    // A trailing fragment shorter than a record is not a contact; the new record goes
    // after the last whole record so that every record stays at its proper offset.
    const std::int64_t at = recordAreaEnd();
    if (!fileio::writeAt(fd_, record.bytes.data(), record.bytes.size(), at))
        return lastError();
    if (fileio::sizeOf(fd_) > at + std::int64_t(kRecordSize) &&
        ::ftruncate(fd_, at + std::int64_t(kRecordSize)) != 0)
        return lastError();
    return fileio::sync(fd_) ? Result() : lastError();
}

Result AddressBookEngine::RewriteContact(const ContactIndexEntry& entry,
                                       const ContactRecord& record) {
    if (fd_ < 0 || entry.offset < headerSize_ ||
        entry.offset + std::int64_t(kRecordSize) > fileio::sizeOf(fd_))
        return lastError();
    return fileio::writeAt(fd_, record.bytes.data(), record.bytes.size(), entry.offset) &&
                   fileio::sync(fd_)
               ? Result()
               : lastError();
}

Result AddressBookEngine::DeleteContact(const ContactIndexEntry& entry) {
    if (fd_ < 0)
        return lastError();
    const std::int64_t size = fileio::sizeOf(fd_);
    if (entry.offset < headerSize_ || entry.offset + std::int64_t(kRecordSize) > size)
        return lastError();
    // Move the tail up by one record, front to back, a block at a time.
    std::vector<char> block(std::size_t(std::min<std::int64_t>(kMoveBlock, size)));
    for (std::int64_t from = entry.offset + std::int64_t(kRecordSize); from < size;) {
        const auto want =
            std::size_t(std::min<std::int64_t>(std::int64_t(block.size()), size - from));
        const std::int64_t got = fileio::readAt(fd_, block.data(), want, from);
        if (got != std::int64_t(want))
            return lastError();
        if (!fileio::writeAt(fd_, block.data(), want, from - std::int64_t(kRecordSize)))
            return lastError();
        from += std::int64_t(want);
    }
    return ::ftruncate(fd_, size - std::int64_t(kRecordSize)) == 0 && fileio::sync(fd_)
               ? Result()
               : lastError();
}

Result AddressBookEngine::SaveBackupCopy(const std::string& path) {
    if (fd_ < 0 || path.empty())
        return lastError();
    // Writing the database over itself would destroy it.
    if (sameFile(fd_, path))
        return lastError();
    std::string bytes;
    if (!fileio::readWhole(fd_, bytes))
        return lastError();
    // The copy is written beside the target and renamed over it once it is complete, so
    // a failure never leaves a half-written backup under the chosen name.
    std::string temp = path + ".XXXXXX";
    int out = ::mkstemp(temp.data());
    if (out < 0)
        return lastError();
    struct stat st {};
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777; // keep the permissions of the backup being replaced
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const bool written = fileio::writeAt(out, bytes.data(), bytes.size(), 0) &&
                         ::fchmod(out, mode) == 0 && fileio::sync(out);
    fileio::closeFd(out);
    if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return lastError();
    }
    return fileio::syncParentDir(path) ? Result() : lastError();
}

Result AddressBookEngine::RestoreBackupCopy(const std::string& path) {
    if (fd_ < 0)
        return lastError();
    // The whole backup is read and checked before the database is touched.
    std::string bytes;
    if (!readValidBackup(path, bytes))
        return lastError();
    return replaceContent(fd_, bytes) ? Result() : lastError();
}

void AddressBookEngine::RepairAddressBook(const std::string& path) {
    bool ok = false;
    try {
        if (fd_ < 0)
            fd_ = fileio::openLocked(GetActiveAddressBookPath(), O_RDWR, true);
        std::string bytes;
        ok = fd_ >= 0 && readValidBackup(path, bytes) && replaceContent(fd_, bytes);
    } catch (const SettingsError&) {
        ok = false;
    }
    CloseAddressBook();
    if (ok)
        messages_.showMessage(kRepairDoneTitle, repairDoneText(), MessageKind::Information);
    else
        messages_.showMessage(kRepairFailedTitle, kRepairFailedText, MessageKind::Error);
}

} // namespace quenlark
