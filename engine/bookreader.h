// Reading a database file from start to end without opening it for writing and without
// its lock, for readers that must work while the program has the book open (a mail
// client's address query, an export). What it reads is the file as it is at that moment.
#pragma once

#include "engine/contactrecord.h"
#include "engine/result.h"

#include <string>
#include <vector>

namespace quenlark {

class BookReader {
public:
    BookReader() = default;
    ~BookReader();
    BookReader(const BookReader&) = delete;
    BookReader& operator=(const BookReader&) = delete;

    // Opens the file and checks that it is an address book of this version.
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
    std::int64_t position_ = 0;
    std::vector<char> block_;
    std::size_t used_ = 0;
    std::size_t filled_ = 0;
    bool failed_ = false;
};

} // namespace quenlark
