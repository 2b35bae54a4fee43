// Why an import file cannot be read at all.
#pragma once

#include <string>

namespace quenlark {

enum class ImportFailure {
    None,
    Io,            // the file cannot be opened or read
    TooLarge,      // larger than kMaxImportBytes
    Empty,         // nothing but blanks
    Binary,        // a NUL byte: not text
    Utf16,         // UTF-16 text, which is not read
    UnknownFormat, // neither a vCard file nor a CSV file with address book columns
    BadEncoding,   // not valid UTF-8 where UTF-8 is required
    Malformed,     // broken structure: END:VCARD without BEGIN:VCARD, an unclosed quote
    NoContacts,    // a valid file without a single contact
    Cancelled,     // the person stopped the reading
};

// The failure and a sentence for the person, such as "Line 12 is not UTF-8 text.".
struct ImportError {
    ImportFailure failure = ImportFailure::None;
    std::string message;

    bool failed() const { return failure != ImportFailure::None; }
};

} // namespace quenlark
