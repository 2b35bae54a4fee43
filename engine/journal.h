// The rollback journal of in-place changes. Before the engine overwrites or appends bytes
// of the database, it writes what it is about to overwrite and the file's size to a journal
// file beside the database and makes it durable; once the change is on the disk the
// journal is removed. A journal found when the database is opened belongs to a change that
// did not finish, and is rolled back, so the file is as it was before that change.
#pragma once

#include "engine/result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quenlark {

class RollbackJournal {
public:
    // The journal's name for a database: the database's name with "-journal" added.
    static std::string PathFor(const std::string& databasePath);

    // Writes the journal for a change of `databasePath` whose size is `originalSize`, that
    // overwrites `saved` at `offset`, and flushes it and its folder entry.
    Result begin(const std::string& databasePath, std::int64_t originalSize, std::int64_t offset,
                 std::string_view saved);
    // Removes the journal and flushes the folder: the change is final.
    Result end();
    bool active() const { return !path_.empty(); }

    // Puts back what a journal found beside the database holds (into the open database
    // `dbFd`) and removes the journal. A journal that was never completed is only removed:
    // its change had not begun. Nothing to do is success.
    static Result Recover(const std::string& databasePath, int dbFd);

private:
    std::string path_;
};

} // namespace quenlark
