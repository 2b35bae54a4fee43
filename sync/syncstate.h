// What the last sync left, kept in an SQLite file beside the settings (WAL, every commit
// flushed): for each resource of the collection its ETag, the server's vCard as it was last
// seen, the contact as the book held it after that sync (none for a contact the book cannot
// store, with the reason) and its position in the book; the contents of contacts deleted on
// either side (so a restored book does not bring them back); the server steps of a sync that
// has not finished, written before and after each; and the collection, the book it was
// synced with and the collection's sync token.
#pragma once

#include "engine/result.h"
#include "sync/contactfields.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct sqlite3;

namespace quenlark::sync {

struct StoredResource {
    std::string href;
    std::string etag;
    std::string vcard;
    std::optional<ContactFields> record; // as last synced; none: kept on the server only
    std::int64_t position = -1;          // in the book after the last sync
    std::string reason;                  // why the book does not hold it
};

enum class StepKind { Create, Update, Remove };

// A server step of a sync that was not committed: begun (its outcome unknown) or done.
struct PendingStep {
    std::int64_t id = 0;
    StepKind kind = StepKind::Create;
    std::string href;
    std::string vcard;                   // what was sent
    std::optional<ContactFields> record; // the contact it carries
    bool done = false;
    std::string etag; // the ETag the server gave, once done
};

// The book a state belongs to: its path and the identity of its file.
struct BookIdentity {
    std::string path;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const BookIdentity&) const = default;
};

struct StateSnapshot {
    std::string collection;
    BookIdentity book;
    std::string token;
    std::map<std::string, StoredResource> resources;
    std::set<std::uint64_t> tombstones;
    std::vector<PendingStep> steps;
};

// What a finished sync writes, in one transaction.
struct StateCommit {
    std::string collection;
    BookIdentity book;
    std::string token;
    std::vector<StoredResource> written;                     // new or changed rows
    std::vector<std::string> dropped;                        // hrefs no longer in the collection
    std::vector<std::pair<std::string, std::int64_t>> moved; // new positions only
    std::vector<std::uint64_t> tombstones;
};

class SyncState {
public:
    SyncState() = default;
    ~SyncState();
    SyncState(const SyncState&) = delete;
    SyncState& operator=(const SyncState&) = delete;

    // Opens the state file, creating it (mode 0600, and its folder) when missing.
    Result open(const std::string& path);
    void close();

    Result load(StateSnapshot& out);
    // Records a step before it is sent; `step.id` is set.
    Result beginStep(PendingStep& step);
    // Records that the step was done, with the ETag the server gave.
    Result endStep(const PendingStep& step);
    // Writes the outcome of a sync and forgets its steps, all in one transaction.
    Result commit(const StateCommit& commit);
    // Forgets everything (another collection).
    Result reset();

private:
    Result exec(const char* sql);
    Result failure(const std::string& what) const;

    sqlite3* db_ = nullptr;
    std::string path_;
};

// $XDG_CONFIG_HOME/quenlark/sync.sqlite.
std::string DefaultSyncStatePath();

} // namespace quenlark::sync
