#include "sync/runsync.h"

#include "cli/commands.h"
#include "engine/addressbookengine.h"
#include "engine/fileio.h"
#include "sync/synchroniser.h"

#include <ostream>
#include <sys/stat.h>

namespace quenlark::sync {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

int fail(std::ostream& err, const std::string& message) {
    err << "quenlark-addressbook: " << message << '\n';
    return kExitFailed;
}

// The book's identity, modification time and size; false when it cannot be looked at.
bool lookAt(const std::string& path, BookIdentity& identity, std::int64_t& modified,
            std::int64_t& size) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    identity = {path, std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
    modified = std::int64_t(st.st_mtim.tv_sec);
    size = std::int64_t(st.st_size);
    return true;
}

} // namespace

int RunSync(CardDavCollection& collection, const SyncCommand& command, std::ostream& out,
            std::ostream& err) {
    OneBookSettings settings(command.bookPath);
    ErrorOutputMessages messages(err);
    AddressBookEngine engine(settings, messages, fileio::parentDir(command.bookPath));
    if (!engine.OpenAddressBook())
        return fail(err, WhyNotOpened(engine, command.bookPath));
    BookSnapshot book;
    std::int64_t size = 0;
    if (!lookAt(command.bookPath, book.identity, book.modified, size))
        return fail(err, "cannot read \"" + command.bookPath + "\"");
    {
        // One read of the book, record after record (the batch needs no index).
        std::vector<std::int64_t> offsets;
        for (std::int64_t at = std::int64_t(kHeaderSize); at + std::int64_t(kRecordSize) <= size;
             at += std::int64_t(kRecordSize))
            offsets.push_back(at);
        auto stream = engine.StreamContacts(std::move(offsets));
        book.records.reserve(stream.count());
        ContactRecord record;
        while (stream.next(record))
            book.records.push_back(ContactFields::Of(record));
    }

    SyncState state;
    if (Result opened = state.open(command.statePath); !opened)
        return fail(err, opened.message());
    Synchroniser sync(collection, state, {command.collection, command.yes});
    if (Result ran = sync.run(book); !ran) {
        if (ran.failure() == Failure::MassDeletion)
            return fail(err, ran.message() + ". Nothing was changed; run the sync again with "
                                             "--yes to go on.");
        return fail(err, "the sync stopped: " + ran.message() +
                             ". The address book was not changed; the next sync finishes the "
                             "work.");
    }
    if (sync.changesBook())
        if (Result applied = engine.ApplyBatch(sync.bookBatch(), sync.bookAppends()); !applied)
            return fail(err, "the address book could not be changed: " + applied.message() +
                                 ". The next sync finishes the work.");
    BookIdentity after;
    std::int64_t modified = 0;
    if (!lookAt(command.bookPath, after, modified, size))
        after = book.identity;
    if (Result committed = sync.commit(after); !committed)
        return fail(err, committed.message() + ". The next sync finishes the work.");
    for (const std::string& line : SummaryLines(sync.summary()))
        out << line << '\n';
    out.flush();
    return kExitOk;
}

} // namespace quenlark::sync
