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

constexpr char kJournalNotUsedTitle[] = "Journal not used";

// Why the book could not be opened for writing.
Result whyNotOpened(const std::string& path, int error, fileio::LockOutcome lock) {
    const std::string name = "\"" + path + "\"";
    if (lock == fileio::LockOutcome::HeldByOther)
        return Result::Fail(Failure::InUse, name + " is in use by another program");
    if (error == EROFS)
        return Result::Fail(Failure::ReadOnly, name + " is on a read-only file system");
    if ((error == EACCES || error == EPERM) && ::access(path.c_str(), R_OK) == 0)
        return Result::Fail(Failure::ReadOnly, name + " is read-only");
    if (error == EISDIR || error == EINVAL)
        return Result::Fail(Failure::NotRegularFile, name + " is not a regular file");
    return Result::FromErrno("Cannot open " + name, error);
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

int AddressBookEngine::openDatabaseFile(const std::string& path) {
    fileio::LockOutcome lock{};
    int fd = fileio::openLocked(path, O_RDWR, true, lock);
    if (fd < 0) {
        openFailure_ = whyNotOpened(path, errno, lock);
        return -1;
    }
    // A book nobody may write is left as it is, even by a program that could write it.
    struct stat st {};
    if (fileio::Fs().fstat(fd, &st) == 0 && (st.st_mode & 0222) == 0) {
        fileio::closeFd(fd);
        openFailure_ = Result::Fail(Failure::ReadOnly, "\"" + path + "\" is read-only");
        return -1;
    }
    lockingUnsupported_ = lock == fileio::LockOutcome::Unsupported;
    std::string real;
    std::string notice;
    Result recovered = fileio::followLinks(path, real);
    if (recovered)
        recovered = RollbackJournal::Recover(real, fd, notice);
    if (!notice.empty())
        messages_.showMessage(kJournalNotUsedTitle, notice, MessageKind::Information);
    if (!recovered) {
        fileio::closeFd(fd);
        openFailure_ = recovered;
        return -1;
    }
    RemoveLeftoverTemps(fileio::parentDir(real));
    return fd;
}

bool AddressBookEngine::OpenAddressBook() {
    CloseAddressBook();
    headerSize_ = kHeaderSize;
    openFailure_ = {};
    status_ = StatusCannotOpen;
    std::string path;
    if (Result found = GetActiveAddressBookPath(path); !found) {
        openFailure_ = found;
        return false;
    }
    fd_ = openDatabaseFile(path);
    if (fd_ < 0)
        return false;
    path_ = path;
    guard_.guard(fd_);
    const std::int64_t size = fileio::sizeOf(fd_);
    if (size > kLargestBook) {
        closeFile();
        openFailure_ = Result::Fail(Failure::TooLarge, "\"" + path +
                                                           "\" is larger than 4 GiB, more than "
                                                           "an address book may be");
        return false;
    }
    if (size >= 0 && size < headerSize_) {
        const auto header = MakeHeader();
        if (fileio::Fs().ftruncate(fd_, 0) != 0 ||
            !fileio::writeAt(fd_, header.data(), header.size(), 0) || !fileio::sync(fd_)) {
            openFailure_ =
                Result::Fail(Failure::CannotInitialise, "Cannot write a new header to \"" + path +
                                                            "\": " + std::strerror(errno));
            closeFile();
            return false;
        }
    }
    char header[kHeaderSize];
    if (fileio::readAt(fd_, header, sizeof header, 0) != std::int64_t(sizeof header)) {
        openFailure_ = ioFailure("Cannot read \"" + path + "\"", errno ? errno : EIO);
        closeFile();
        return false;
    }
    rememberFile();
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

void AddressBookEngine::rememberFile() {
    if (fd_ < 0)
        return;
    if (!fileio::StampOf(fd_, seen_))
        seen_ = {};
    // A header that cannot be read now is compared with the one read before.
    std::array<char, kHeaderSize> header{};
    if (fileio::readAt(fd_, header.data(), header.size(), 0) >= 0)
        header_ = header;
}

void AddressBookEngine::releaseIndex() {
    index_.clear();
    index_.shrink_to_fit();
    hasIndex_ = false;
}

void AddressBookEngine::closeFile() {
    guard_.release();
    fileio::closeFd(fd_);
    path_.clear();
    seen_ = {};
    rollbackPending_ = false;
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
    // Remembered before the read: a change made while it reads shows at the next check.
    rememberFile();
    const std::int64_t end = recordAreaEnd();
    // Room for contacts added later too, so that an Add does not move a million entries.
    const auto stored = std::size_t((end - headerSize_) / std::int64_t(kRecordSize));
    index_.reserve(stored + stored / 2 + 1024);
    std::vector<char> block(kIndexBlockRecords * kRecordSize);
    const FieldSlot name = slotOf(Field::Name);
    for (std::int64_t pos = headerSize_; pos < end;) {
        // A hole of a sparse file holds nothing but zeros: the records wholly inside it are
        // nameless, and need not be read.
        std::int64_t dataEnd = end;
        const auto inHole = std::size_t((fileio::nextData(fd_, pos, end, dataEnd) - pos) /
                                        std::int64_t(kRecordSize));
        std::uint64_t holeSerial = g_nextSerial.fetch_add(inHole, std::memory_order_relaxed);
        for (std::size_t k = 0; k < inHole; ++k)
            index_.push_back({pos + std::int64_t(k * kRecordSize), {}, holeSerial++});
        pos += std::int64_t(inHole * kRecordSize);
        if (pos >= end)
            break;
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
    if (index_.empty() || serial < index_.front().serial)
        return nullptr;
    // Serials grow in index order, by one from entry to entry until a delete leaves a gap:
    // the entry lies at most as far in as its serial is past the first one, and most often
    // exactly there.
    const std::uint64_t past = serial - index_.front().serial;
    if (past < index_.size() && index_[past].serial == serial)
        return &index_[past];
    const auto end = index_.begin() + std::ptrdiff_t(std::min<std::uint64_t>(past, index_.size()));
    const auto it =
        std::lower_bound(index_.begin(), end, serial,
                         [](const ContactIndexEntry& e, std::uint64_t s) { return e.serial < s; });
    return it != end && it->serial == serial ? &*it : nullptr;
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
    const std::int64_t end = inOffset + size;
    std::vector<char> hole;
    for (std::int64_t at = inOffset; at < end;) {
        std::int64_t dataEnd = end;
        const std::int64_t data = fileio::nextData(in, at, end, dataEnd);
        // What the file system calls a hole is still read, and only what is not zeros is
        // written: a file system that misreports holes loses nothing, and the new file
        // takes no disk space for them.
        for (std::int64_t from = at; from < data;) {
            hole.resize(std::size_t(std::min<std::int64_t>(kProgressStep >> 6, data - from)));
            if (fileio::readAt(in, hole.data(), hole.size(), from) != std::int64_t(hole.size())) {
                if (errno == 0)
                    errno = EIO;
                return false;
            }
            const std::int64_t to = outOffset + (from - inOffset);
            if (std::any_of(hole.begin(), hole.end(), [](char c) { return c != 0; }) &&
                !fileio::writeAt(out, hole.data(), hole.size(), to))
                return false;
            from += std::int64_t(hole.size());
            if (listener_ && (from - inOffset) % kProgressStep == 0)
                listener_(done + (from - inOffset), total);
        }
        for (std::int64_t from = data; from < dataEnd;) {
            const std::int64_t step = std::min(kProgressStep, dataEnd - from);
            const std::int64_t to = outOffset + (from - inOffset);
            if (!fileio::copyRange(in, from, out, to, step))
                return false;
            // Start writing this part to the disk now, so the flush at the end is short.
            ::sync_file_range(out, to, step, SYNC_FILE_RANGE_WRITE);
            from += step;
            if (listener_)
                listener_(done + (from - inOffset), total);
        }
        at = dataEnd;
    }
    // A hole at the end was not written: the new file still needs its length.
    const std::int64_t length = outOffset + size;
    return fileio::sizeOf(out) >= length || fileio::Fs().ftruncate(out, off_t(length)) == 0;
}

Result AddressBookEngine::checkUnchanged() {
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
    std::array<char, kHeaderSize> header{};
    if (fileio::readAt(fd_, header.data(), header.size(), 0) < 0)
        return ioFailure("Cannot read \"" + path_ + "\"", errno);
    if (!(fileio::StampOf(open) == seen_) || header != header_)
        return Result::Fail(Failure::BookChanged,
                            "\"" + path_ + "\" was changed by another program since it was read");
    if (rollbackPending_) {
        // A change failed and could not be undone then: its journal is put back first.
        std::string real;
        std::string notice;
        Result back = fileio::followLinks(path_, real);
        if (back)
            back = RollbackJournal::Recover(real, fd_, notice);
        if (!notice.empty())
            messages_.showMessage(kJournalNotUsedTitle, notice, MessageKind::Information);
        rememberFile();
        if (!back)
            return back;
        rollbackPending_ = false;
    }
    return {};
}

Result AddressBookEngine::checkEntry(const ContactIndexEntry& entry) const {
    constexpr FieldSlot slot = slotOf(Field::Name);
    char name[slot.width];
    const std::int64_t got =
        fileio::readAt(fd_, name, sizeof name, entry.offset + std::int64_t(slot.offset));
    if (got < 0)
        return ioFailure("Cannot read \"" + path_ + "\"", errno);
    if (std::string_view(name, strnlen(name, std::size_t(got))) != entry.name)
        return Result::Fail(Failure::BookChanged, "\"" + path_ +
                                                      "\" holds another contact where the "
                                                      "chosen one was: another program changed it");
    return {};
}

Result AddressBookEngine::writeInPlace(std::int64_t offset, const char* data, std::size_t size) {
    std::string real;
    if (Result followed = fileio::followLinks(path_, real); !followed)
        return followed;
    const std::int64_t oldSize = fileio::sizeOf(fd_);
    if (oldSize < 0)
        return ioFailure("Cannot look at \"" + real + "\"", errno);
    const std::int64_t newEnd = std::max(oldSize, offset + std::int64_t(size));
    if (newEnd > kLargestBook)
        return Result::Fail(Failure::TooLarge, "The address book would grow past 4 GiB, the most "
                                               "it may hold");
    // What the change overwrites, to be put back if it does not finish.
    std::string saved;
    if (offset < oldSize) {
        saved.resize(std::size_t(std::min<std::int64_t>(oldSize - offset, std::int64_t(size))));
        if (fileio::readAt(fd_, saved.data(), saved.size(), offset) != std::int64_t(saved.size()))
            return ioFailure("Cannot read \"" + real + "\"", errno ? errno : EIO);
    }
    RollbackJournal journal;
    if (Result begun = journal.begin(real, fd_, oldSize, newEnd, offset, saved); !begun)
        return begun;
    Result failure;
    if (!fileio::writeAt(fd_, data, size, offset))
        failure = ioFailure("Cannot write \"" + real + "\"", errno);
    else if (!fileio::sync(fd_))
        failure = ioFailure("Cannot flush \"" + real + "\"", errno);
    else
        return finish(saved, offset, oldSize, journal);
    putBack(saved, offset, oldSize, journal);
    return failure;
}

Result AddressBookEngine::finish(const std::string& saved, std::int64_t offset,
                                 std::int64_t oldSize, RollbackJournal& journal) {
    Result ended = journal.end();
    if (!ended && journal.active()) {
        // Still there, the journal would undo the change at the next open: undo it now.
        putBack(saved, offset, oldSize, journal);
        return ended;
    }
    rememberFile();
    // Once the journal is gone the change is made; a failed flush of the folder after that
    // is no reason to call it undone.
    return ended ? Result() : Result::Warning(ended.message());
}

void AddressBookEngine::putBack(const std::string& saved, std::int64_t offset, std::int64_t oldSize,
                                RollbackJournal& journal) {
    // The journal, while it is there, holds the same bytes: if this fails too, it is put
    // back before the next change, or by the next open.
    if (fileio::writeAt(fd_, saved.data(), saved.size(), offset) &&
        fileio::Fs().ftruncate(fd_, off_t(oldSize)) == 0 && fileio::sync(fd_))
        (void)journal.end();
    else
        rollbackPending_ = journal.active();
    rememberFile();
}

Result AddressBookEngine::AppendContact(const ContactRecord& record) {
    if (Result here = checkUnchanged(); !here)
        return here;
    // A trailing fragment shorter than a record is not a contact; the new record goes
    // after the last whole record so that every record stays at its proper offset.
    const std::int64_t at = recordAreaEnd();
    Result written = writeInPlace(at, record.bytes.data(), record.bytes.size());
    if (written)
        indexAppended(at, record);
    return written;
}

Result AddressBookEngine::AppendContacts(const RecordSource& next, const Progress& progress) {
    if (Result here = checkUnchanged(); !here)
        return here;
    std::string real;
    if (Result followed = fileio::followLinks(path_, real); !followed)
        return followed;
    const std::int64_t oldSize = fileio::sizeOf(fd_);
    const std::int64_t start = recordAreaEnd();
    std::string saved;
    if (start < oldSize) {
        saved.resize(std::size_t(oldSize - start));
        if (fileio::readAt(fd_, saved.data(), saved.size(), start) != std::int64_t(saved.size()))
            return ioFailure("Cannot read \"" + real + "\"", errno ? errno : EIO);
    }
    RollbackJournal journal;
    if (Result begun = journal.begin(real, fd_, oldSize, RollbackJournal::kOpenEnded, start, saved);
        !begun)
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
        if (at + std::int64_t(block.size()) > kLargestBook) {
            outcome = Result::Fail(Failure::TooLarge, "The address book would grow past 4 GiB, "
                                                      "the most it may hold");
            return false;
        }
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
    if (outcome) {
        // Where the change ends, so that the journal is never taken for a larger book's.
        journal.settle(std::max(at, oldSize));
        if (!fileio::sync(fd_))
            outcome = ioFailure("Cannot flush \"" + real + "\"", errno);
        else if (Result done = finish(saved, start, oldSize, journal); done)
            return done;
        else
            outcome = done;
    }
    if (journal.active())
        putBack(saved, start, oldSize, journal);
    if (hasIndex_)
        index_.resize(indexed);
    return outcome;
}

Result AddressBookEngine::RewriteContact(const ContactIndexEntry& entry,
                                         const ContactRecord& record) {
    if (Result here = checkUnchanged(); !here)
        return here;
    if (entry.offset < headerSize_ ||
        entry.offset + std::int64_t(kRecordSize) > fileio::sizeOf(fd_))
        return Result::Fail(Failure::BadArgument, "The contact is no longer in the address book");
    if (Result same = checkEntry(entry); !same)
        return same;
    const std::int64_t at = entry.offset;
    Result written = writeInPlace(at, record.bytes.data(), record.bytes.size());
    if (written && hasIndex_)
        if (const auto it = entryAt(at); it != index_.end())
            it->name = record.text(Field::Name);
    return written;
}

Result AddressBookEngine::replaceDatabase(const Filler& fill) {
    // The new file is locked from its creation, so the lock on the database never lapses
    // when it takes the database's name.
    AtomicFileWriter next;
    if (Result opened = next.open(path_, 0600, fd_); !opened)
        return opened;
    if (Result filled = fill(next.fd()); !filled)
        return filled;
    Result committed = next.commit();
    if (!committed)
        return committed; // the book is as it was
    // The new file has the name: the change is made, even when a warning came with it.
    fileio::closeFd(fd_);
    fd_ = next.releaseFd();
    guard_.guard(fd_);
    rememberFile();
    return committed;
}

Result AddressBookEngine::DeleteContact(const ContactIndexEntry& entry) {
    if (Result here = checkUnchanged(); !here)
        return here;
    const std::int64_t size = fileio::sizeOf(fd_);
    if (entry.offset < headerSize_ || entry.offset + std::int64_t(kRecordSize) > size)
        return Result::Fail(Failure::BadArgument, "The contact is no longer in the address book");
    if (Result same = checkEntry(entry); !same)
        return same;
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

Result AddressBookEngine::ApplyBatch(const Batch& batch, const RecordSource& appends) {
    if (Result here = checkUnchanged(); !here)
        return here;
    const std::int64_t areaEnd = recordAreaEnd();
    const auto count = std::size_t((areaEnd - headerSize_) / std::int64_t(kRecordSize));
    const Result changed = Result::Fail(
        Failure::BookChanged, "\"" + path_ + "\" was changed by another program since it was read");
    if (count != batch.count)
        return changed;
    // Each position with its new record, or nullptr for a removal, in file order.
    std::vector<std::pair<std::size_t, const ContactRecord*>> changes;
    changes.reserve(batch.rewrites.size() + batch.removals.size());
    const auto check = [&](std::size_t position, const ContactRecord& before) {
        if (position >= count)
            return Result::Fail(Failure::BadArgument,
                                "The contact is no longer in the address book");
        ContactRecord now;
        const std::int64_t at = headerSize_ + std::int64_t(position * kRecordSize);
        if (fileio::readAt(fd_, now.bytes.data(), kRecordSize, at) != std::int64_t(kRecordSize))
            return ioFailure("Cannot read \"" + path_ + "\"", errno ? errno : EIO);
        return SameContact(now, before) ? Result() : changed;
    };
    for (const Batch::Rewrite& r : batch.rewrites) {
        if (Result same = check(r.position, r.before); !same)
            return same;
        changes.emplace_back(r.position, &r.after);
    }
    for (const Batch::Removal& r : batch.removals) {
        if (Result same = check(r.position, r.before); !same)
            return same;
        changes.emplace_back(r.position, nullptr);
    }
    std::sort(changes.begin(), changes.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t k = 1; k < changes.size(); ++k)
        if (changes[k].first == changes[k - 1].first)
            return Result::Fail(Failure::BadArgument, "A contact is changed twice in one batch");
    if (changes.empty())
        return appends ? AppendContacts(appends) : Result();

    const int from = fd_;
    const std::int64_t size = fileio::sizeOf(fd_);
    Result replaced = replaceDatabase([&](int out) -> Result {
        const auto offsetOf = [&](std::size_t position) {
            return headerSize_ + std::int64_t(position * kRecordSize);
        };
        std::int64_t at = 0;
        const auto copy = [&](std::int64_t inAt, std::int64_t bytes) {
            if (bytes > 0 && !copyInSteps(from, inAt, out, at, bytes, at, size))
                return false;
            at += bytes;
            return true;
        };
        const auto write = [&](const char* data, std::size_t bytes) {
            if (at + std::int64_t(bytes) > kLargestBook) {
                errno = EFBIG;
                return false;
            }
            if (!fileio::writeAt(out, data, bytes, at))
                return false;
            at += std::int64_t(bytes);
            return true;
        };
        if (!copy(0, headerSize_))
            return ioFailure("Cannot write the new copy of the address book", errno);
        std::size_t next = 0; // the first record not yet copied
        for (const auto& [position, after] : changes) {
            if (!copy(offsetOf(next), std::int64_t((position - next) * kRecordSize)) ||
                (after && !write(after->bytes.data(), kRecordSize)))
                return ioFailure("Cannot write the new copy of the address book", errno);
            next = position + 1;
        }
        if (!copy(offsetOf(next), std::int64_t((count - next) * kRecordSize)))
            return ioFailure("Cannot write the new copy of the address book", errno);
        if (!appends) {
            // A trailing fragment shorter than a record stays behind the records, as Delete
            // keeps it; appended records take its place.
            if (!copy(areaEnd, size - areaEnd))
                return ioFailure("Cannot write the new copy of the address book", errno);
            return {};
        }
        std::vector<char> block;
        block.reserve(kAppendBlockRecords * kRecordSize);
        ContactRecord record;
        for (bool more = true; more;) {
            more = appends(record);
            if (more)
                block.insert(block.end(), record.bytes.begin(), record.bytes.end());
            if ((!more || block.size() >= kAppendBlockRecords * kRecordSize) && !block.empty()) {
                if (!write(block.data(), block.size()))
                    return errno == EFBIG ? Result::Fail(Failure::TooLarge,
                                                         "The address book would grow past 4 "
                                                         "GiB, the most it may hold")
                                          : ioFailure("Cannot write the new copy of the address "
                                                      "book",
                                                      errno);
                block.clear();
            }
        }
        return {};
    });
    if (replaced && hasIndex_)
        LoadContactIndex();
    return replaced;
}

Result AddressBookEngine::SaveBackupCopy(const std::string& path) {
    if (fd_ < 0)
        return Result::Fail(Failure::NotOpen, "No address book is open");
    if (path.empty())
        return Result::Fail(Failure::BadArgument, "No file name was given");
    // Writing the database over itself would destroy it (the writer refuses it too).
    if (sameFile(fd_, path))
        return Result::Fail(Failure::IsDatabase, "\"" + path + "\" is the address book itself");
    AtomicFileWriter backup;
    if (Result opened = backup.open(path); !opened)
        return opened;
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
    else if (size > kLargestBook)
        outcome = Result::Fail(Failure::TooLarge, "\"" + path +
                                                      "\" is larger than 4 GiB, more than an "
                                                      "address book may be");
    else if (!copyInSteps(in, 0, out, 0, size, 0, size))
        outcome = ioFailure("Cannot copy \"" + path + "\"", errno);
    fileio::closeFd(in);
    return outcome;
}

Result AddressBookEngine::RestoreBackupCopy(const std::string& path) {
    if (Result here = checkUnchanged(); !here)
        return here;
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
        if (GetActiveAddressBookPath(database))
            fd_ = openDatabaseFile(database);
        if (fd_ >= 0) {
            path_ = database;
            guard_.guard(fd_);
            rememberFile();
        }
    }
    const bool ok = fd_ >= 0 && replaceDatabase([&](int out) { return copyBackup(path, out); });
    CloseAddressBook();
    if (ok)
        messages_.showMessage(kRepairDoneTitle, repairDoneText(), MessageKind::Information);
    else
        messages_.showMessage(kRepairFailedTitle, kRepairFailedText, MessageKind::Error);
}

} // namespace quenlark
