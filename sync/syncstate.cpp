#include "sync/syncstate.h"

#include "engine/fileio.h"
#include "platform/xdgdirs.h"

#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace quenlark::sync {

namespace {

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS resources(
    href TEXT PRIMARY KEY, etag TEXT NOT NULL, vcard BLOB NOT NULL,
    record BLOB, position INTEGER NOT NULL, reason TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS tombstones(digest INTEGER PRIMARY KEY);
CREATE TABLE IF NOT EXISTS steps(
    id INTEGER PRIMARY KEY, kind INTEGER NOT NULL, href TEXT NOT NULL, vcard BLOB NOT NULL,
    record BLOB, done INTEGER NOT NULL, etag TEXT NOT NULL);
)";

// A prepared statement that finalises itself.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        ok_ = sqlite3_prepare_v2(db, sql, -1, &s_, nullptr) == SQLITE_OK;
    }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool ok() const { return ok_; }
    void text(int i, const std::string& v) {
        sqlite3_bind_text(s_, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
    }
    void blob(int i, const std::string& v) {
        sqlite3_bind_blob(s_, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
    }
    void null(int i) { sqlite3_bind_null(s_, i); }
    void integer(int i, std::int64_t v) { sqlite3_bind_int64(s_, i, v); }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() { return sqlite3_step(s_); }
    bool run() {
        const int rc = sqlite3_step(s_);
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
        return rc == SQLITE_DONE;
    }
    std::string column(int i) const {
        const void* p = sqlite3_column_blob(s_, i);
        return p ? std::string(static_cast<const char*>(p),
                               std::size_t(sqlite3_column_bytes(s_, i)))
                 : std::string();
    }
    bool isNull(int i) const { return sqlite3_column_type(s_, i) == SQLITE_NULL; }
    std::int64_t integerAt(int i) const { return sqlite3_column_int64(s_, i); }

private:
    sqlite3_stmt* s_ = nullptr;
    bool ok_ = false;
};

std::optional<ContactFields> decodedRecord(const Statement& s, int column) {
    if (s.isNull(column))
        return std::nullopt;
    ContactFields f;
    if (!ContactFields::Decode(s.column(column), f))
        return std::nullopt;
    return f;
}

} // namespace

SyncState::~SyncState() {
    close();
}

void SyncState::close() {
    if (db_)
        sqlite3_close(db_);
    db_ = nullptr;
}

Result SyncState::failure(const std::string& what) const {
    return Result::Fail(Failure::Io,
                        what + " (" + path_ + "): " + (db_ ? sqlite3_errmsg(db_) : "cannot open"));
}

Result SyncState::exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return {};
    const std::string why = message ? message : "unknown error";
    sqlite3_free(message);
    return Result::Fail(Failure::Io, "The sync state cannot be written (" + path_ + "): " + why);
}

Result SyncState::open(const std::string& path) {
    close();
    path_ = path;
    if (Result made = MakeFolders(fileio::parentDir(path)); !made)
        return made;
    // Created private before SQLite sees it; its journal files take the same mode.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return Result::FromErrno("Cannot open the sync state \"" + path + "\"", errno);
    ::close(fd);
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW,
                        nullptr) != SQLITE_OK) {
        Result why = failure("The sync state cannot be opened");
        close();
        return why;
    }
    sqlite3_busy_timeout(db_, 5000);
    for (const char* sql : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL", kSchema})
        if (Result done = exec(sql); !done) {
            close();
            return done;
        }
    return {};
}

Result SyncState::load(StateSnapshot& out) {
    out = StateSnapshot();
    {
        Statement s(db_, "SELECT key, value FROM meta");
        if (!s.ok())
            return failure("The sync state cannot be read");
        while (s.step() == SQLITE_ROW) {
            const std::string key = s.column(0), value = s.column(1);
            if (key == "collection")
                out.collection = value;
            else if (key == "book")
                out.book.path = value;
            else if (key == "device")
                out.book.device = std::strtoull(value.c_str(), nullptr, 10);
            else if (key == "inode")
                out.book.inode = std::strtoull(value.c_str(), nullptr, 10);
            else if (key == "token")
                out.token = value;
        }
    }
    {
        Statement s(db_, "SELECT href, etag, vcard, record, position, reason FROM resources");
        if (!s.ok())
            return failure("The sync state cannot be read");
        while (s.step() == SQLITE_ROW) {
            StoredResource r;
            r.href = s.column(0);
            r.etag = s.column(1);
            r.vcard = s.column(2);
            r.record = decodedRecord(s, 3);
            r.position = s.integerAt(4);
            r.reason = s.column(5);
            const std::string href = r.href;
            out.resources.emplace(href, std::move(r));
        }
    }
    {
        Statement s(db_, "SELECT digest FROM tombstones");
        if (!s.ok())
            return failure("The sync state cannot be read");
        while (s.step() == SQLITE_ROW)
            out.tombstones.insert(std::uint64_t(s.integerAt(0)));
    }
    Statement s(db_, "SELECT id, kind, href, vcard, record, done, etag FROM steps ORDER BY id");
    if (!s.ok())
        return failure("The sync state cannot be read");
    while (s.step() == SQLITE_ROW) {
        PendingStep p;
        p.id = s.integerAt(0);
        p.kind = static_cast<StepKind>(s.integerAt(1));
        p.href = s.column(2);
        p.vcard = s.column(3);
        p.record = decodedRecord(s, 4);
        p.done = s.integerAt(5) != 0;
        p.etag = s.column(6);
        out.steps.push_back(std::move(p));
    }
    return {};
}

Result SyncState::beginStep(PendingStep& step) {
    Statement s(db_, "INSERT INTO steps(kind, href, vcard, record, done, etag) "
                     "VALUES(?, ?, ?, ?, 0, '')");
    if (!s.ok())
        return failure("The sync state cannot be written");
    s.integer(1, static_cast<std::int64_t>(step.kind));
    s.text(2, step.href);
    s.blob(3, step.vcard);
    if (step.record)
        s.blob(4, step.record->encode());
    else
        s.null(4);
    if (!s.run())
        return failure("The sync state cannot be written");
    step.id = sqlite3_last_insert_rowid(db_);
    return {};
}

Result SyncState::endStep(const PendingStep& step) {
    Statement s(db_, "UPDATE steps SET done = 1, etag = ? WHERE id = ?");
    if (!s.ok())
        return failure("The sync state cannot be written");
    s.text(1, step.etag);
    s.integer(2, step.id);
    return s.run() ? Result() : failure("The sync state cannot be written");
}

Result SyncState::commit(const StateCommit& c) {
    if (Result begun = exec("BEGIN IMMEDIATE"); !begun)
        return begun;
    bool ok = true;
    {
        Statement meta(db_, "INSERT OR REPLACE INTO meta(key, value) VALUES(?, ?)");
        const std::pair<const char*, std::string> values[] = {
            {"collection", c.collection},
            {"book", c.book.path},
            {"device", std::to_string(c.book.device)},
            {"inode", std::to_string(c.book.inode)},
            {"token", c.token},
        };
        ok = meta.ok();
        for (const auto& [key, value] : values) {
            meta.text(1, key);
            meta.text(2, value);
            ok = ok && meta.run();
        }
        Statement put(db_, "INSERT OR REPLACE INTO resources(href, etag, vcard, record, position, "
                           "reason) VALUES(?, ?, ?, ?, ?, ?)");
        ok = ok && put.ok();
        for (const StoredResource& r : c.written) {
            put.text(1, r.href);
            put.text(2, r.etag);
            put.blob(3, r.vcard);
            if (r.record)
                put.blob(4, r.record->encode());
            else
                put.null(4);
            put.integer(5, r.position);
            put.text(6, r.reason);
            ok = ok && put.run();
        }
        Statement drop(db_, "DELETE FROM resources WHERE href = ?");
        ok = ok && drop.ok();
        for (const std::string& href : c.dropped) {
            drop.text(1, href);
            ok = ok && drop.run();
        }
        Statement move(db_, "UPDATE resources SET position = ? WHERE href = ?");
        ok = ok && move.ok();
        for (const auto& [href, position] : c.moved) {
            move.integer(1, position);
            move.text(2, href);
            ok = ok && move.run();
        }
        Statement tomb(db_, "INSERT OR IGNORE INTO tombstones(digest) VALUES(?)");
        ok = ok && tomb.ok();
        for (const std::uint64_t digest : c.tombstones) {
            tomb.integer(1, static_cast<std::int64_t>(digest));
            ok = ok && tomb.run();
        }
    }
    if (ok)
        ok = bool(exec("DELETE FROM steps"));
    if (!ok) {
        Result why = failure("The sync state cannot be written");
        (void)exec("ROLLBACK");
        return why;
    }
    return exec("COMMIT");
}

Result SyncState::reset() {
    return exec("BEGIN IMMEDIATE; DELETE FROM meta; DELETE FROM resources; "
                "DELETE FROM tombstones; DELETE FROM steps; COMMIT");
}

std::string DefaultSyncStatePath() {
    const std::string folder = QuenlarkFolder(XdgConfigHome());
    return folder.empty() ? std::string() : folder + "/sync.sqlite";
}

} // namespace quenlark::sync
