// Keeps the book and one server address book in step. A sync runs in three steps, so that a
// window can do the slow part on a worker thread and change the book on its own:
//
//     Synchroniser sync(collection, state, options);
//     sync.run(snapshot);                          // server side: read, merge, send
//     engine.ApplyBatch(sync.bookBatch(), sync.bookAppends());   // one change of the book
//     sync.commit(identityAfter);                  // the state, in one transaction
//
// run() reads what changed on the server and what changed in the book since the last sync
// (the state), pairs the contacts, merges each three ways, stops before any change when the
// plan would delete more than half of either side (unless allowed), and then makes every
// server change, each recorded in the state before and after it. A kill or a failure at any
// point leaves both sides consistent, and the next sync finishes the work: contacts are
// paired by content before anything is created, so nothing is ever doubled.
#pragma once

#include "engine/addressbookengine.h"
#include "sync/carddavcollection.h"
#include "sync/contactfields.h"
#include "sync/merge.h"
#include "sync/syncstate.h"

#include <memory>
#include <string>
#include <vector>

namespace quenlark::sync {

// The book as it was read for a sync.
struct BookSnapshot {
    BookIdentity identity;
    std::vector<ContactFields> records; // in file order
    std::int64_t modified = 0;          // the file's modification time, seconds since 1970
};

struct SyncOptions {
    std::string collection; // the collection's URL: a state of another one is started afresh
    bool allowMassDeletion = false;
    int retries = 3; // attempts after a 412 for one contact
};

struct SyncConflict {
    std::string contact; // UTF-8
    FieldConflict field;
};

struct ServerOnlyContact {
    std::string contact; // UTF-8
    std::string reason;
};

struct SyncSummary {
    std::size_t receivedNew = 0, receivedChanged = 0, receivedDeleted = 0;
    std::size_t sentNew = 0, sentChanged = 0, sentDeleted = 0;
    std::vector<SyncConflict> conflicts;
    std::vector<ServerOnlyContact> serverOnly;
    bool matchedByContent = false; // a slow sync: the book no longer matched the state
    bool olderCopy = false;        // the book held contacts deleted since: an older copy
};

// The summary as lines a person reads.
std::vector<std::string> SummaryLines(const SyncSummary& summary);

class Synchroniser {
public:
    Synchroniser(CardDavCollection& server, SyncState& state, SyncOptions options);
    ~Synchroniser();
    Synchroniser(const Synchroniser&) = delete;
    Synchroniser& operator=(const Synchroniser&) = delete;

    // The server part. A failure changed nothing in the book; server steps made before it
    // are recorded in the state. Failure::MassDeletion: nothing was changed anywhere.
    Result run(const BookSnapshot& book);
    // The book's change: rewrites and removals at the snapshot's positions, then the
    // records bookAppends() gives. Valid after a successful run().
    const AddressBookEngine::Batch& bookBatch() const;
    AddressBookEngine::RecordSource bookAppends() const;
    bool changesBook() const;
    // Writes the state once the book holds the batch (`book`: its identity now).
    Result commit(const BookIdentity& book);

    const SyncSummary& summary() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace quenlark::sync
