// The address book engine: owns the open database file and its in-memory contact index.
#pragma once

#include "engine/atomicfile.h"
#include "engine/contactrecord.h"
#include "engine/enginehost.h"
#include "engine/fileio.h"
#include "engine/result.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quenlark {

enum OpenStatus : std::int32_t {
    StatusOpen = 0,
    StatusCannotOpen = 1,
    StatusNotADatabase = 7,
    StatusOtherVersion = 8,
};

inline constexpr char kActiveAddressBookValue[] = "Active Address Book";
inline constexpr char kDefaultDatabaseName[] = "addressbook.qab";
inline constexpr char kSupportEmail[] = "support@quenlark.example";

class RollbackJournal;

struct ContactIndexEntry {
    std::int64_t offset = 0; // byte offset of the record in the file
    std::string name;        // the record's name field, Windows-1252
    std::uint64_t serial = 0;
};

class AddressBookEngine {
public:
    // `executableDir` is where the default database lives.
    AddressBookEngine(SettingsAccess& settings, MessageSink& messages, std::string executableDir);
    ~AddressBookEngine();
    AddressBookEngine(const AddressBookEngine&) = delete;
    AddressBookEngine& operator=(const AddressBookEngine&) = delete;

    // Opens the database at the active path; false with GetOpenStatus() telling why, and
    // openFailure() the cause: Failure::InUse, ReadOnly, TooLarge, NotRegularFile,
    // CannotInitialise (a short file could not be reset to an empty address book), Io.
    // What the person should hear on the way (a file under the journal's name that was not
    // used) goes to the message sink.
    bool OpenAddressBook();
    const Result& openFailure() const { return openFailure_; }
    void CloseAddressBook();
    std::int32_t GetOpenStatus() const { return status_; }
    static constexpr std::int32_t GetFormatVersion() { return kFormatVersion; }
    // Puts the database path from the settings in `path`, writing the default (beside the
    // executable) on first use. A failure when the settings cannot give a path (the value
    // is not a text, the store cannot be read) or the executable's folder is unknown.
    Result GetActiveAddressBookPath(std::string& path);

    // Rebuilds the index from the file, in file order, with new handles. Requires an open
    // database. Once loaded, the index follows every successful change by itself, exactly as
    // a rebuild would show the file: an appended contact gets a new entry at the end, a
    // modified one keeps its entry (and handle) with the new name, a deleted one's entry goes
    // and later entries keep theirs with their new offsets; a restore rebuilds the index.
    void LoadContactIndex();
    // Replaces the list's content by one handle per entry; returns the count.
    std::size_t CopyContactIndex(std::vector<std::string>& list) const;
    // The entry a handle names in the current index, or nullptr for any other text.
    const ContactIndexEntry* EntryFromHandle(std::string_view handle) const;
    // The entry with that serial number in the current index, or nullptr.
    const ContactIndexEntry* EntryFromSerial(std::uint64_t serial) const;
    static std::string HandleOf(const ContactIndexEntry& entry);
    const std::vector<ContactIndexEntry>& index() const { return index_; }

    // The entry's record; any part that cannot be read is zero-filled.
    ContactRecord ReadContact(const ContactIndexEntry& entry) const;

    // Reads the records at `offsets`, in that order, neighbouring ones a block at a time (so
    // all the contacts of a large book in file order take a few hundred reads, not a read
    // each). Valid while the database file is not changed; a record that cannot be read
    // comes back zero-filled, as from ReadContact.
    class RecordStream {
    public:
        bool next(ContactRecord& record);
        std::size_t count() const { return offsets_.size(); }

    private:
        friend class AddressBookEngine;
        RecordStream(int fd, std::vector<std::int64_t> offsets);
        int fd_;
        std::vector<std::int64_t> offsets_;
        std::size_t nextOffset_ = 0;
        std::vector<char> block_;
        std::size_t blockFirst_ = 0; // index into offsets_ of the block's first record
        std::size_t blockCount_ = 0;
    };
    RecordStream StreamContacts(std::vector<std::int64_t> offsets) const;
    // Every change below first checks that the file is still the one that was read, as it
    // was read (size, modification and change times, header): when another program changed
    // it, nothing is done (Failure::BookChanged) and the index must be read again. A failure
    // leaves the file as it was; a success is on the disk, and may carry a warning when a
    // flush failed after the change became final.
    //
    // Writes a record after the last one.
    Result AppendContact(const ContactRecord& record);
    // Appends the records `next` gives (it returns false after the last) as one change: all
    // of them are on the disk, or none is. `progress`, when given, hears the count written
    // so far now and then, and once more before the change is made final; it may return
    // false to cancel (Failure::Cancelled, nothing added).
    using RecordSource = std::function<bool(ContactRecord& record)>;
    using Progress = std::function<bool(std::int64_t done)>;
    Result AppendContacts(const RecordSource& next, const Progress& progress = {});
    // Writes a record over the entry's record. Success once it is on the disk.
    Result RewriteContact(const ContactIndexEntry& entry, const ContactRecord& record);
    // Removes the entry's record, moving later records up. Success once it is on the disk.
    Result DeleteContact(const ContactIndexEntry& entry);

    // Many changes made as one, as a sync brings them: records rewritten and removed at their
    // positions in the book as it was read (0 for the first record), then the records
    // `appends` gives written after the last. `before` is each record as it was read: when
    // the book no longer holds `count` records, or another record at one of the positions,
    // nothing is done (Failure::BookChanged). A batch that rewrites or removes builds the new
    // book in a file of its own renamed over the old one, as Delete does; one that only
    // appends is written as AppendContacts writes. All or nothing; the index is read again.
    struct Batch {
        struct Rewrite {
            std::size_t position = 0;
            ContactRecord before;
            ContactRecord after;
        };
        struct Removal {
            std::size_t position = 0;
            ContactRecord before;
        };
        std::size_t count = 0;
        std::vector<Rewrite> rewrites;
        std::vector<Removal> removals;
    };
    Result ApplyBatch(const Batch& batch, const RecordSource& appends = {});

    // Writes a complete copy of the database to `path`; an existing file there is only
    // replaced once the copy is complete.
    Result SaveBackupCopy(const std::string& path);
    // Replaces the database's content by a valid backup. A file that is not a database
    // of this version is refused and the database is left as it was.
    Result RestoreBackupCopy(const std::string& path);
    // Start-up repair from a backup; tells the outcome through the message sink and
    // leaves no database open.
    void RepairAddressBook(const std::string& path);

    // True when `path` names the open database file, through any symbolic or hard link.
    bool IsDatabaseFile(const std::string& path) const;

    // Hears how far a long operation (reading the index, a delete, a restore, a repair or a
    // backup) has come, in bytes of `total`, now and then while it runs; nothing by default.
    using ProgressListener = std::function<void(std::int64_t done, std::int64_t total)>;
    void SetProgressListener(ProgressListener listener) { listener_ = std::move(listener); }

    bool isOpen() const { return fd_ >= 0; }
    bool hasIndex() const { return hasIndex_; }
    // The path the open database was opened by (as the settings give it).
    const std::string& databasePath() const { return path_; }
    // True when the database's file system offers no locks, so the last open could not stop
    // another copy of the program from writing the file.
    bool lockingUnsupported() const { return lockingUnsupported_; }

private:
    void releaseIndex();
    void closeFile();
    std::int64_t recordAreaEnd() const;
    // The index entry of the record at `offset`, or index_.end().
    std::vector<ContactIndexEntry>::iterator entryAt(std::int64_t offset);
    void indexAppended(std::int64_t offset, const ContactRecord& record);
    // Success when the database's path still names the open file and the file is as this
    // engine last saw it; puts back first a failed change that could not be undone at once.
    Result checkUnchanged();
    // Success when the record at the entry's offset still holds the entry's name (a book
    // rewritten within one tick of the file system's clock keeps its times).
    Result checkEntry(const ContactIndexEntry& entry) const;
    // Remembers the file as it is now, after it was read or written by this engine.
    void rememberFile();
    // Opens the database file itself, locked, and finishes or undoes what a killed run left
    // half done. -1 with openFailure_ telling why.
    int openDatabaseFile(const std::string& path);
    // Overwrites `size` bytes at `offset` (growing the file when they lie past its end),
    // with a rollback journal so that the change happens whole or not at all.
    Result writeInPlace(std::int64_t offset, const char* data, std::size_t size);
    // Undoes an in-place change that failed: the saved bytes back at `offset`, the old size.
    // When that fails too, the journal stays and is put back before the next change.
    void putBack(const std::string& saved, std::int64_t offset, std::int64_t oldSize,
                 RollbackJournal& journal);
    // Makes an in-place change final: removes its journal. A failure before the journal is
    // gone undoes the change; after that, only a warning is left.
    Result finish(const std::string& saved, std::int64_t offset, std::int64_t oldSize,
                  RollbackJournal& journal);
    // Replaces the whole database by a new file that `fill` writes, renamed over it.
    using Filler = std::function<Result(int out)>;
    Result replaceDatabase(const Filler& fill);
    // Copies a valid backup into `out`: refused before anything is written when it is not
    // a regular file or not an address book of this version.
    Result copyBackup(const std::string& path, int out) const;
    // Copies `size` bytes in steps, telling the listener after each; `done` counts what came
    // before in the same operation. Holes of `in` are left holes in `out`, which must be
    // new, and is made long enough to hold the range.
    bool copyInSteps(int in, std::int64_t inOffset, int out, std::int64_t outOffset,
                     std::int64_t size, std::int64_t done, std::int64_t total) const;

    SettingsAccess& settings_;
    MessageSink& messages_;
    std::string executableDir_;
    int fd_ = -1;
    std::string path_;
    // No writer of this process replaces the open book.
    FileGuard guard_;
    // The file as this engine last read or wrote it.
    fileio::FileStamp seen_;
    std::array<char, kHeaderSize> header_{};
    // A failed change whose journal could not be put back at once.
    bool rollbackPending_ = false;
    Result openFailure_;
    bool lockingUnsupported_ = false;
    ProgressListener listener_;
    std::int32_t status_ = StatusCannotOpen;
    std::int64_t headerSize_ = kHeaderSize;
    std::vector<ContactIndexEntry> index_;
    bool hasIndex_ = false;
};

} // namespace quenlark
