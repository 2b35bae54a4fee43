// Reads an import file, vCard or CSV as its content shows, one contact at a time, so that a
// file of any number of contacts is never held in memory whole.
//
// The text may be UTF-8 (with or without a byte order mark), UTF-16 (little or big endian,
// with or without a byte order mark) or, in a file that is not UTF-8 and names no character
// set of its own, Windows-1252, as Outlook and older phones write it.
//
// An import takes two passes over the file: the first reads every contact to show the
// person what will happen (SummarizeImport, importsummary.h), the second reads them again and
// writes the storable ones. A file error can come at any point of a pass, so nothing is
// written before the first pass has ended without one.
#pragma once

#include "engine/result.h"
#include "interchange/importedcontact.h"

#include <cstdint>
#include <filesystem>
#include <istream>
#include <memory>
#include <string>

namespace quenlark {

// The largest file read: 1 GiB, some ten million contacts.
inline constexpr std::uint64_t kMaxImportBytes = std::uint64_t(1) << 30;

enum class ImportFormat { Unknown, VCard, Csv };
enum class TextEncoding { Utf8, Utf16, Windows1252 };

struct ReadOptions {
    std::uint64_t maxBytes = kMaxImportBytes;
    // Reads 8-bit text as Windows-1252 rather than UTF-8 (a file with a byte order mark is
    // read as the mark says all the same).
    bool windows1252 = false;
};

class ContactReader {
public:
    // Reads from a stream the caller keeps open; it must be able to go back to its start.
    explicit ContactReader(std::istream& in, ReadOptions options = {});
    // Opens and reads a file.
    explicit ContactReader(const std::filesystem::path& file, ReadOptions options = {});
    ~ContactReader();
    ContactReader(const ContactReader&) = delete;
    ContactReader& operator=(const ContactReader&) = delete;

    // The next contact. False at the end of the file, or on an error: see error().
    bool next(ImportedContact& contact);
    // The reason the file cannot be read; ok() after a clean end. A file without a contact
    // ends with Failure::NoContacts.
    const Result& error() const { return error_; }
    // What the content showed; Unknown when the file failed before that.
    ImportFormat format() const { return format_; }
    TextEncoding encoding() const { return encoding_; }
    std::size_t contactsRead() const { return count_; }
    // Bytes of the file read so far.
    std::uint64_t bytesRead() const;

    // True when the error is text that is not UTF-8 in a file that showed no UTF-8 text
    // before it and has no byte order mark: read as Windows-1252 it may well be whole. (The
    // reader starts over by itself when that shows before its first contact.)
    bool canReadAsWindows1252() const;
    // Starts over from the start of the file, reading it as Windows-1252. False when the file
    // cannot be read again (see error()).
    bool restartAsWindows1252();

private:
    struct Parsers;
    void detect();
    void fail(Failure failure, std::string message);
    void takeLineFailure();
    bool restartIfNotUtf8();

    ReadOptions options_;
    std::unique_ptr<std::istream> file_;
    std::istream* in_ = nullptr;
    std::unique_ptr<Parsers> parsers_;
    Result error_;
    ImportFormat format_ = ImportFormat::Unknown;
    TextEncoding encoding_ = TextEncoding::Utf8;
    bool byteOrderMark_ = false;
    std::size_t count_ = 0;
    bool done_ = false;
};

} // namespace quenlark
