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

    // ---- What other programs, other users and hostile files do to the book ----
    // The book was changed by another program since it was read: nothing was done, and
    // positions taken from the old index mean nothing until it is read again.
    BookChanged,
    // The file is read-only (its permissions, or a read-only file system).
    ReadOnly,
    // Another program holds the book locked.
    InUse,
    // The file is larger than the program reads: an address book over kLargestBook, or an
    // import file over what an import takes.
    TooLarge,
    // An empty or short file could not be made an empty address book (its header could not
    // be written).
    CannotInitialise,
    // A symbolic link in a folder that everyone may write (such as /tmp) belongs to another
    // user, so it is not followed.
    ForeignLink,

    // ---- Talking to a CardDAV server (sync/) ----
    // The server cannot be reached, or the connection broke off.
    NoConnection,
    // The server took longer than the time allowed: to connect, between two pieces of an
    // answer, or for the whole request.
    Timeout,
    // The server's certificate is not one the system trusts (or not for that name).
    UntrustedCertificate,
    // 401: the server refused the user name or the password.
    WrongPassword,
    // 403: the server does not let this account do that.
    Forbidden,
    // 404: nothing at that address (an address book, or a contact already gone).
    NotFound,
    // 412: the contact changed on the server since it was last read.
    ChangedOnServer,
    // A 5xx answer: the server failed.
    ServerError,
    // An answer larger than the program reads (the whole answer, or one vCard in it).
    ResponseTooLarge,
    // An answer that is not what was asked: broken XML, a status the request does not
    // expect, a redirect that never ends or that leaves HTTPS.
    BadResponse,
    // Plain HTTP to a server that is not this machine, with the address not written as
    // http:// by the person.
    Insecure,
    // A sync would delete more than half of one side's contacts: nothing was changed, and
    // the person must agree first.
    MassDeletion,
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
    // Success, with something the person should still hear: the change is made, but a
    // flush after the point where it became final failed.
    static Result Warning(std::string message) {
        Result r;
        r.message_ = std::move(message);
        return r;
    }
    // An I/O failure: `what` names the step ("Cannot write \"x\""), `error` is the errno.
    static Result FromErrno(std::string_view what, int error);

    explicit operator bool() const { return failure_ == Failure::None; }
    bool ok() const { return failure_ == Failure::None; }
    Failure failure() const { return failure_; }
    // Why it failed, or the warning that came with a success.
    const std::string& message() const { return message_; }
    bool hasWarning() const { return ok() && !message_.empty(); }

private:
    Failure failure_ = Failure::None;
    std::string message_;
};

} // namespace quenlark
