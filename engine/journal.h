// The rollback journal of in-place changes. Before the engine overwrites or appends bytes
// of the database, it writes what it is about to overwrite and the file's size to a journal
// file beside the database and makes it durable; once the change is on the disk the
// journal is removed. A journal found when the database is opened belongs to a change that
// did not finish, and is rolled back, so the file is as it was before that change.
//
// A journal names its book: the book's device and inode, its size when the journal began,
// the size the change leaves, and a checksum of the bytes before the change's offset. It
// is put back only when it is a regular file of the person's own with mode 0600 and all of
// that still fits the book, so that a journal planted by someone else, one of another
// book, or one of this book before another program rewrote it, never changes the book.
// Anything else found under the journal's name is moved aside and named to the person.
#pragma once

#include "engine/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quenlark {

class RollbackJournal {
public:
    // The size of a change that appends records it does not know the number of yet.
    static constexpr std::int64_t kOpenEnded = -1;

    // The journal's name for a database: the database's name with "-journal" added.
    static std::string PathFor(const std::string& databasePath);

    // Writes the journal for a change of the book `bookFd` is open on, found at
    // `databasePath` (links followed): the book is `originalSize` bytes long, the change
    // writes from `offset` on, over `saved` (the bytes there now), and leaves the book
    // `newEnd` bytes long (or kOpenEnded). Flushes it and its folder entry.
    Result begin(const std::string& databasePath, int bookFd, std::int64_t originalSize,
                 std::int64_t newEnd, std::int64_t offset, std::string_view saved);
    // Tells an open-ended journal where its change ends, before the change is flushed, so
    // that it is never taken for the journal of a larger book. A failure here is harmless
    // (the journal stays open-ended) and is not reported.
    void settle(std::int64_t newEnd);
    // Removes the journal and flushes the folder. The change is final once the journal is
    // gone (active() is false), even when the flush of the folder then failed.
    Result end();
    bool active() const { return !path_.empty(); }

    // What the next open would put back into the book: its size then, and the saved bytes.
    struct Rollback {
        std::int64_t originalSize = 0;
        std::int64_t offset = 0;
        std::string saved;
    };
    // The rollback a journal beside the book `bookFd` is open on calls for, when the next
    // open would make it; nothing otherwise. Changes nothing: for readers of the book.
    static std::optional<Rollback> Pending(const std::string& databasePath, int bookFd);

    // Puts back what the journal beside the database holds (into the open database `bookFd`)
    // and removes it. A journal that was never completed is only removed: its change had
    // not begun. Anything else under the journal's name is never applied: it is moved
    // aside, and `notice` tells the person what was found and where it went. Fails only
    // when a journal that fits the book cannot be read or put back (the book must then not
    // be used); a journal that cannot be removed afterwards leaves the book usable.
    static Result Recover(const std::string& databasePath, int bookFd, std::string& notice);

private:
    std::string path_;
    std::uint64_t salt_ = 0;
    std::uint64_t checksum_ = 0;
    std::int64_t size_ = 0;
};

} // namespace quenlark
