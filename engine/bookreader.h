// Reading a database file from start to end without opening it for writing and without
// its lock, for readers that must work while the program has the book open (a mail
// client's address query, an export). What it reads is the file as it is at that moment,
// as the next open will find it: a change that a journal beside it would undo (one that a
// killed program left, or one the program is making now) is left out.
#pragma once

#include "engine/atomicfile.h"
#include "engine/contactrecord.h"
#include "engine/journal.h"
#include "engine/result.h"

#include <optional>
#include <string>
#include <vector>

namespace quenlark {

class BookReader {
public:
    BookReader() = default;
    ~BookReader();
    BookReader(const BookReader&) = delete;
    BookReader& operator=(const BookReader&) = delete;

    // Opens the file and checks that it is an address book of this version, at most
    // kLargestBook long. While it is open, no writer of this process replaces the file.
    Result open(const std::string& path);
    // The next record in file order; false after the last (or when a read fails: see
    // failed()). A trailing fragment shorter than a record is not a contact.
    bool next(ContactRecord& record);
    // Gives each record's bytes in place, without copying them, for quick scans.
    bool nextBytes(const char*& record);
    bool failed() const { return failed_; }

private:
    bool fill();

    int fd_ = -1;
    FileGuard guard_;
    std::int64_t position_ = 0;
    std::int64_t end_ = 0;
    std::optional<RollbackJournal::Rollback> rollback_;
    std::vector<char> block_;
    std::size_t used_ = 0;
    std::size_t filled_ = 0;
    bool failed_ = false;
};

} // namespace quenlark
