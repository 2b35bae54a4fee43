// The outcome of an operation that can fail: success, or the kind of failure and a reason
// the person can be shown (an errno text, or a sentence of our own).
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace quenlark {

enum class Failure {
    None,
    // A read, write, sync, truncate or rename failed; message() holds the system's reason.
    Io,
    // No database is open.
    NotOpen,
    // The database's path no longer names the file the program has open: it was renamed
    // over, replaced or removed by another program.
    DatabaseMoved,
    // The chosen file is the open database itself (by identity, through links).
    IsDatabase,
    // The chosen file is a folder, a FIFO, a device or anything else but a regular file.
    NotRegularFile,
    // The chosen file is not an address book of this version.
    NotABackup,
    // The record, entry or argument does not fit the current file.
    BadArgument,
    // The person cancelled a long operation.
    Cancelled,

    // ---- Reading vCard and CSV files (interchange/) ----
    // The file is larger than an import reads.
    TooLarge,
    // The file holds nothing but blanks.
    Empty,
    // The file holds binary data, not text.
    Binary,
    // Neither a vCard file nor a CSV file with the columns of an address book.
    UnknownFormat,
    // Not valid text in the encoding the file is read in.
    BadEncoding,
    // Broken structure: END:VCARD without BEGIN:VCARD, a quote never closed.
    Malformed,
    // A valid file without a single contact.
    NoContacts,
};

class [[nodiscard]] Result {
public:
    // Success.
    Result() = default;
    static Result Fail(Failure failure, std::string message) {
        Result r;
        r.failure_ = failure;
        r.message_ = std::move(message);
        return r;
    }
    // An I/O failure: `what` names the step ("Cannot write \"x\""), `error` is the errno.
    static Result FromErrno(std::string_view what, int error);

    explicit operator bool() const { return failure_ == Failure::None; }
    bool ok() const { return failure_ == Failure::None; }
    Failure failure() const { return failure_; }
    const std::string& message() const { return message_; }

private:
    Failure failure_ = Failure::None;
    std::string message_;
};

} // namespace quenlark
