#include "engine/addressbookengine.h"

#include "engine/atomicfile.h"
#include "engine/fileio.h"
#include "engine/journal.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenlark {

namespace {

// Serial numbers of index entries. They are never reused within the process, so a handle
// taken from an index that has since been rebuilt names no entry.
std::atomic<std::uint64_t> g_nextSerial{1};

// Records read per block while building the index.
constexpr std::size_t kIndexBlockRecords = 512;
// Records gathered per write while appending many.
constexpr std::size_t kAppendBlockRecords = 256;
// Bytes copied between two reports of progress.
constexpr std::int64_t kProgressStep = 64 << 20;

constexpr char kRepairDoneTitle[] = "Recovary complete!";
constexpr char kRepairFailedTitle[] = "Recovary failed!";
constexpr char kRepairFailedText[] = "Recovary failed.  Please reover the database manually.";

std::string repairDoneText() {
    return std::string("Your address book should be fixed now.  If you have problems with this "
                       "please contact ") +
           kSupportEmail + " so I can make it better.  Thank you.";
}

bool sameFile(int fd, const std::string& path) {
    struct stat a {
    }, b{};
    return fileio::Fs().fstat(fd, &a) == 0 && fileio::Fs().stat(path.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

Result ioFailure(const std::string& what, int error) {
    return Result::FromErrno(what, error);
}

} // namespace

AddressBookEngine::AddressBookEngine(SettingsAccess& settings, MessageSink& messages,
                                     std::string executableDir)
    : settings_(settings), messages_(messages), executableDir_(std::move(executableDir)) {}

AddressBookEngine::~AddressBookEngine() {
    CloseAddressBook();
}

Result AddressBookEngine::GetActiveAddressBookPath(std::string& path) {
    std::optional<std::string> stored;
    if (Result read = settings_.readText(kActiveAddressBookValue, stored); !read)
        return read;
    if (stored) {
        path = std::move(*stored);
        return {};
    }
    // Without a folder of its own the program has no default: "/addressbook.qab" would be
    // a guess.
    if (executableDir_.empty())
        return Result::Fail(Failure::NotOpen, "The program's own folder is not known");
    path = executableDir_;
    if (path.back() != '/')
        path += '/';
    path += kDefaultDatabaseName;
    // A store that cannot be written does not keep the program from its database; the path
    // is simply worked out again at the next start.
    [[maybe_unused]] const Result recorded = settings_.storeText(kActiveAddressBookValue, path);
    return {};
}

int AddressBookEngine::openDatabaseFile(const std::string& path, bool& held) {
    held = false;
    fileio::LockOutcome lock{};
    int fd = fileio::openLocked(path, O_RDWR, true, lock);
    if (fd < 0) {
        held = lock == fileio::LockOutcome::HeldByOther;
        return -1;
    }
    lockingUnsupported_ = lock == fileio::LockOutcome::Unsupported;
    std::string real;
    if (!fileio::followLinks(path, real) || !RollbackJournal::Recover(real, fd)) {
        const int why = errno;
        fileio::closeFd(fd);
        errno = why;
        return -1;
    }
    RemoveLeftoverTemps(fileio::parentDir(real));
    return fd;
}

bool AddressBookEngine::OpenAddressBook() {
    CloseAddressBook();
    headerSize_ = kHeaderSize;
    std::string path;
    if (!GetActiveAddressBookPath(path)) {
        status_ = StatusCannotOpen;
        return false;
    }
    bool held = false;
    fd_ = openDatabaseFile(path, held);
    if (fd_ < 0) {
        status_ = StatusCannotOpen;
        return false;
    }
    path_ = path;
    const std::int64_t size = fileio::sizeOf(fd_);
    if (size >= 0 && size < headerSize_) {
        const auto header = MakeHeader();
        if (fileio::Fs().ftruncate(fd_, 0) != 0 ||
            !fileio::writeAt(fd_, header.data(), header.size(), 0) || !fileio::sync(fd_)) {
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
    path_.clear();
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
        std::uint64_t serial = g_nextSerial.fetch_add(records, std::memory_order_relaxed);
        for (std::size_t k = 0; k < records; ++k) {
            const char* rec = block.data() + k * kRecordSize + name.offset;
            ContactIndexEntry& e = index_.emplace_back();
            e.offset = pos + std::int64_t(k * kRecordSize);
            e.name.assign(rec, strnlen(rec, name.width));
            e.serial = serial++;
        }
        if (records == 0)
            break;
        pos += std::int64_t(records * kRecordSize);
        if (listener_ && (pos / std::int64_t(block.size())) % 64 == 0)
            listener_(pos, end);
    }
}

std::vector<ContactIndexEntry>::iterator AddressBookEngine::entryAt(std::int64_t offset) {
    // Offsets grow in index order.
    const auto it =
        std::lower_bound(index_.begin(), index_.end(), offset,
                         [](const ContactIndexEntry& e, std::int64_t o) { return e.offset < o; });
    return it != index_.end() && it->offset == offset ? it : index_.end();
}

void AddressBookEngine::indexAppended(std::int64_t offset, const ContactRecord& record) {
    if (!hasIndex_)
        return;
    ContactIndexEntry& e = index_.emplace_back();
    e.offset = offset;
    e.name = record.text(Field::Name);
    e.serial = g_nextSerial.fetch_add(1, std::memory_order_relaxed);
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
    // Serials grow in index order, so the index is sorted by them.
    const auto it =
        std::lower_bound(index_.begin(), index_.end(), serial,
                         [](const ContactIndexEntry& e, std::uint64_t s) { return e.serial < s; });
    return it != index_.end() && it->serial == serial ? &*it : nullptr;
}

const ContactIndexEntry* AddressBookEngine::EntryFromHandle(std::string_view handle) const {
    if (handle.empty())
        return nullptr;
    std::uint64_t serial = 0;
    const auto [end, ec] = std::from_chars(handle.data(), handle.data() + handle.size(), serial);
    if (ec != std::errc() || end != handle.data() + handle.size())
        return nullptr;
    return EntryFromSerial(serial);
}

bool AddressBookEngine::IsDatabaseFile(const std::string& path) const {
    return fd_ >= 0 && sameFile(fd_, path);
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

AddressBookEngine::RecordStream::RecordStream(int fd, std::vector<std::int64_t> offsets)
    : fd_(fd), offsets_(std::move(offsets)) {}

AddressBookEngine::RecordStream
AddressBookEngine::StreamContacts(std::vector<std::int64_t> offsets) const {
    return RecordStream(fd_, std::move(offsets));
}

bool AddressBookEngine::RecordStream::next(ContactRecord& record) {
    if (nextOffset_ >= offsets_.size())
        return false;
    if (nextOffset_ >= blockFirst_ + blockCount_) {
        // The run of records that lie one after another from here, read at once.
        std::size_t run = 1;
        while (nextOffset_ + run < offsets_.size() && run < kIndexBlockRecords &&
               offsets_[nextOffset_ + run] ==
                   offsets_[nextOffset_] + std::int64_t(run * kRecordSize))
            ++run;
        block_.assign(run * kRecordSize, 0);
        const std::int64_t got =
            fd_ < 0 ? -1 : fileio::readAt(fd_, block_.data(), block_.size(), offsets_[nextOffset_]);
        if (got < 0)
            std::fill(block_.begin(), block_.end(), 0);
        blockFirst_ = nextOffset_;
        blockCount_ = run;
    }
    const char* at = block_.data() + (nextOffset_ - blockFirst_) * kRecordSize;
    std::copy(at, at + kRecordSize, record.bytes.begin());
    ++nextOffset_;
    return true;
}

bool AddressBookEngine::copyInSteps(int in, std::int64_t inOffset, int out, std::int64_t outOffset,
                                    std::int64_t size, std::int64_t done,
                                    std::int64_t total) const {
    for (std::int64_t copied = 0; copied < size;) {
        const std::int64_t step = std::min(kProgressStep, size - copied);
        if (!fileio::copyRange(in, inOffset + copied, out, outOffset + copied, step))
            return false;
        // Start writing this part to the disk now, so the flush at the end is short.
        ::sync_file_range(out, outOffset + copied, step, SYNC_FILE_RANGE_WRITE);
        copied += step;
        if (listener_)
            listener_(done + copied, total);
    }
    return true;
}

Result AddressBookEngine::checkInPlace() const {
    if (fd_ < 0)
        return Result::Fail(Failure::NotOpen, "No address book is open");
    struct stat open {
    }, named{};
    if (fileio::Fs().fstat(fd_, &open) != 0)
        return ioFailure("Cannot look at the address book", errno);
    if (fileio::Fs().stat(path_.c_str(), &named) != 0 || named.st_dev != open.st_dev ||
        named.st_ino != open.st_ino)
        return Result::Fail(Failure::DatabaseMoved,
                            "\"" + path_ + "\" is no longer the file that was opened");
    return {};
}

Result AddressBookEngine::writeInPlace(std::int64_t offset, const char* data, std::size_t size) {
    if (Result here = checkInPlace(); !here)
        return here;
    std::string real;
    if (!fileio::followLinks(path_, real))
        return ioFailure("Cannot follow the link \"" + path_ + "\"", errno);
    const std::int64_t oldSize = fileio::sizeOf(fd_);
    if (oldSize < 0)
        return ioFailure("Cannot look at \"" + real + "\"", errno);
    // What the change overwrites, to be put back if it does not finish.
    std::string saved;
    if (offset < oldSize) {
        saved.resize(std::size_t(std::min<std::int64_t>(oldSize - offset, std::int64_t(size))));
        if (fileio::readAt(fd_, saved.data(), saved.size(), offset) != std::int64_t(saved.size()))
            return ioFailure("Cannot read \"" + real + "\"", errno ? errno : EIO);
    }
    RollbackJournal journal;
    if (Result begun = journal.begin(real, oldSize, offset, saved); !begun)
        return begun;
    Result failure;
    if (!fileio::writeAt(fd_, data, size, offset))
        failure = ioFailure("Cannot write \"" + real + "\"", errno);
    else if (!fileio::sync(fd_))
        failure = ioFailure("Cannot flush \"" + real + "\"", errno);
    else if (Result ended = journal.end(); !ended)
        failure = ended; // the change would be rolled back at the next open: undo it now
    else
        return {};
    putBack(saved, offset, oldSize, journal);
    return failure;
}

void AddressBookEngine::putBack(const std::string& saved, std::int64_t offset, std::int64_t oldSize,
                                RollbackJournal& journal) {
    // The journal, while it is there, holds the same bytes: if this fails too, the next open
    // puts them back.
    if (fileio::writeAt(fd_, saved.data(), saved.size(), offset) &&
        fileio::Fs().ftruncate(fd_, off_t(oldSize)) == 0 && fileio::sync(fd_))
        (void)journal.end();
}

Result AddressBookEngine::AppendContact(const ContactRecord& record) {
    if (fd_ < 0)
        return Result::Fail(Failure::NotOpen, "No address book is open");
    // A trailing fragment shorter than a record is not a contact; the new record goes
    // after the last whole record so that every record stays at its proper offset.
    const std::int64_t at = recordAreaEnd();
    Result written = writeInPlace(at, record.bytes.data(), record.bytes.size());
    if (written)
        indexAppended(at, record);
    return written;
}

Result AddressBookEngine::AppendContacts(const RecordSource& next, const Progress& progress) {
    if (Result here = checkInPlace(); !here)
        return here;
    std::string real;
    if (!fileio::followLinks(path_, real))
        return ioFailure("Cannot follow the link \"" + path_ + "\"", errno);
    const std::int64_t oldSize = fileio::sizeOf(fd_);
    const std::int64_t start = recordAreaEnd();
    std::string saved;
    if (start < oldSize) {
        saved.resize(std::size_t(oldSize - start));
        if (fileio::readAt(fd_, saved.data(), saved.size(), start) != std::int64_t(saved.size()))
            return ioFailure("Cannot read \"" + real + "\"", errno ? errno : EIO);
    }
    RollbackJournal journal;
    if (Result begun = journal.begin(real, oldSize, start, saved); !begun)
        return begun;
    Result outcome;
    std::vector<char> block;
    block.reserve(kAppendBlockRecords * kRecordSize);
    std::int64_t at = start;
    std::int64_t count = 0;
    ContactRecord record;
    const auto flush = [&] {
        if (block.empty())
            return true;
        if (!fileio::writeAt(fd_, block.data(), block.size(), at)) {
            outcome = ioFailure("Cannot write \"" + real + "\"", errno);
            return false;
        }
        at += std::int64_t(block.size());
        block.clear();
        if (progress && !progress(count)) {
            outcome = Result::Fail(Failure::Cancelled, "The import was cancelled");
            return false;
        }
        return true;
    };
    const std::size_t indexed = index_.size();
    bool more = true;
    while (outcome && more) {
        more = next(record);
        if (more) {
            indexAppended(start + count * std::int64_t(kRecordSize), record);
            block.insert(block.end(), record.bytes.begin(), record.bytes.end());
            ++count;
        }
        if ((!more || block.size() >= kAppendBlockRecords * kRecordSize) && !flush())
            break;
    }
    // The last word before the change is made final.
    if (outcome && progress && !progress(count))
        outcome = Result::Fail(Failure::Cancelled, "The import was cancelled");
    if (outcome && !fileio::sync(fd_))
        outcome = ioFailure("Cannot flush \"" + real + "\"", errno);
    if (outcome) {
        outcome = journal.end();
        if (outcome)
            return {};
    }
    putBack(saved, start, oldSize, journal);
    if (hasIndex_)
        index_.resize(indexed);
    return outcome;
}

Result AddressBookEngine::RewriteContact(const ContactIndexEntry& entry,
                                         const ContactRecord& record) {
    if (fd_ < 0)
        return Result::Fail(Failure::NotOpen, "No address book is open");
    if (entry.offset < headerSize_ ||
        entry.offset + std::int64_t(kRecordSize) > fileio::sizeOf(fd_))
        return Result::Fail(Failure::BadArgument, "The contact is no longer in the address book");
    const std::int64_t at = entry.offset;
    Result written = writeInPlace(at, record.bytes.data(), record.bytes.size());
    if (written && hasIndex_)
        if (const auto it = entryAt(at); it != index_.end())
            it->name = record.text(Field::Name);
    return written;
}

Result AddressBookEngine::replaceDatabase(const Filler& fill) {
    if (Result here = checkInPlace(); !here)
        return here;
    // The new file is locked from its creation, so the lock on the database never lapses
    // when it takes the database's name.
    AtomicFileWriter next;
    if (Result opened = next.open(path_); !opened)
        return opened;
    if (Result filled = fill(next.fd()); !filled)
        return filled;
    Result committed = next.commit();
    if (!committed && next.renamed()) {
        // The new file took the name but the folder could not be flushed: put a copy of the
        // old content back under the name, so that a failure leaves the book as it was.
        AtomicFileWriter back;
        const std::int64_t size = fileio::sizeOf(fd_);
        if (back.open(path_) && fileio::copyRange(fd_, 0, back.fd(), 0, size) && back.commit()) {
            fileio::closeFd(fd_);
            fd_ = back.releaseFd();
        } else {
            // Nothing better can be done: the new content stays and is what the list shows.
            fileio::closeFd(fd_);
            fd_ = next.releaseFd();
        }
        return committed;
    }
    if (!committed)
        return committed;
    fileio::closeFd(fd_);
    fd_ = next.releaseFd();
    return {};
}

Result AddressBookEngine::DeleteContact(const ContactIndexEntry& entry) {
    if (fd_ < 0)
        return Result::Fail(Failure::NotOpen, "No address book is open");
    const std::int64_t size = fileio::sizeOf(fd_);
    if (entry.offset < headerSize_ || entry.offset + std::int64_t(kRecordSize) > size)
        return Result::Fail(Failure::BadArgument, "The contact is no longer in the address book");
    // The new file holds everything but the record: the part before it, then the records
    // after it, moved up by one record.
    const int from = fd_;
    const std::int64_t gap = entry.offset;
    Result replaced = replaceDatabase([&](int out) -> Result {
        const std::int64_t tail = size - gap - std::int64_t(kRecordSize);
        if (!copyInSteps(from, 0, out, 0, gap, 0, size) ||
            !copyInSteps(from, gap + std::int64_t(kRecordSize), out, gap, tail, gap, size))
            return ioFailure("Cannot write the new copy of the address book", errno);
        return {};
    });
    if (replaced && hasIndex_) {
        // The other contacts keep their entries and handles; those after the gap move up.
        if (auto it = entryAt(gap); it != index_.end()) {
            for (auto later = it + 1; later != index_.end(); ++later)
                later->offset -= std::int64_t(kRecordSize);
            index_.erase(it);
        }
    }
    return replaced;
}

Result AddressBookEngine::SaveBackupCopy(const std::string& path) {
    if (fd_ < 0)
        return Result::Fail(Failure::NotOpen, "No address book is open");
    if (path.empty())
        return Result::Fail(Failure::BadArgument, "No file name was given");
    // Writing the database over itself would destroy it.
    if (sameFile(fd_, path))
        return Result::Fail(Failure::IsDatabase, "\"" + path + "\" is the address book itself");
    AtomicFileWriter backup;
    if (Result opened = backup.open(path); !opened)
        return opened;
    if (IsDatabaseFile(backup.target()))
        return Result::Fail(Failure::IsDatabase, "\"" + path + "\" is the address book itself");
    const std::int64_t size = fileio::sizeOf(fd_);
    if (!copyInSteps(fd_, 0, backup.fd(), 0, size, 0, size))
        return ioFailure("Cannot write \"" + backup.target() + "\"", errno);
    return backup.commit();
}

Result AddressBookEngine::copyBackup(const std::string& path, int out) const {
    int in = -1;
    if (Result opened = fileio::openRegularForReading(path, in); !opened)
        return opened;
    // Nobody may write the backup while it is copied.
    if (fileio::Fs().flock(in, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        fileio::closeFd(in);
        return ioFailure("Cannot read \"" + path + "\"", EWOULDBLOCK);
    }
    char header[kHeaderSize];
    const std::int64_t size = fileio::sizeOf(in);
    const std::int64_t got = fileio::readAt(in, header, sizeof header, 0);
    Result outcome;
    if (got < 0)
        outcome = ioFailure("Cannot read \"" + path + "\"", errno);
    else if (CheckHeader(std::string_view(header, std::size_t(got))) != HeaderCheck::Valid)
        outcome = Result::Fail(Failure::NotABackup,
                               "\"" + path + "\" is not an address book of this version");
    else if (!copyInSteps(in, 0, out, 0, size, 0, size))
        outcome = ioFailure("Cannot copy \"" + path + "\"", errno);
    fileio::closeFd(in);
    return outcome;
}

Result AddressBookEngine::RestoreBackupCopy(const std::string& path) {
    if (fd_ < 0)
        return Result::Fail(Failure::NotOpen, "No address book is open");
    if (sameFile(fd_, path))
        return Result::Fail(Failure::IsDatabase, "\"" + path + "\" is the address book itself");
    Result replaced = replaceDatabase([&](int out) { return copyBackup(path, out); });
    // Every contact is new: no handle from before names one of them.
    if (replaced && hasIndex_)
        LoadContactIndex();
    return replaced;
}

void AddressBookEngine::RepairAddressBook(const std::string& path) {
    if (fd_ < 0) {
        std::string database;
        bool held = false;
        if (GetActiveAddressBookPath(database))
            fd_ = openDatabaseFile(database, held);
        if (fd_ >= 0)
            path_ = database;
    }
    const bool ok = fd_ >= 0 && replaceDatabase([&](int out) { return copyBackup(path, out); });
    CloseAddressBook();
    if (ok)
        messages_.showMessage(kRepairDoneTitle, repairDoneText(), MessageKind::Information);
    else
        messages_.showMessage(kRepairFailedTitle, kRepairFailedText, MessageKind::Error);
}

} // namespace quenlark
