// Reads an import file, vCard or CSV as its content shows, one contact at a time, so that a
// file of any number of contacts is never held in memory whole.
//
// An import takes two passes over the file: the first reads every contact to show the
// person what will happen (SummarizeImport), the second reads them again and writes the
// storable ones (FillRecord). A file error can come at any point of a pass, so nothing is
// written before the first pass has ended without one.
#pragma once

#include "interchange/importedcontact.h"
#include "interchange/importerror.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <vector>

namespace quenlark {

// The largest file read: 1 GiB, some ten million contacts.
inline constexpr std::uint64_t kMaxImportBytes = std::uint64_t(1) << 30;

enum class ImportFormat { Unknown, VCard, Csv };

class ContactReader {
public:
    // Reads from a stream the caller keeps open.
    explicit ContactReader(std::istream& in, std::uint64_t maxBytes = kMaxImportBytes);
    // Opens and reads a file.
    explicit ContactReader(const std::filesystem::path& file,
                           std::uint64_t maxBytes = kMaxImportBytes);
    ~ContactReader();
    ContactReader(const ContactReader&) = delete;
    ContactReader& operator=(const ContactReader&) = delete;

    // The next contact. False at the end of the file, or on an error: see error().
    bool next(ImportedContact& contact);
    // The reason the file cannot be read; failed() is false after a clean end. A file
    // without a contact ends with ImportFailure::NoContacts.
    const ImportError& error() const { return error_; }
    // What the content showed; Unknown when the file failed before that.
    ImportFormat format() const { return format_; }
    std::size_t contactsRead() const { return count_; }

private:
    struct Parsers;
    void detect(std::uint64_t maxBytes);
    void fail(ImportFailure failure, std::string message);
    void takeLineFailure();

    std::unique_ptr<std::istream> file_;
    std::istream* in_ = nullptr;
    std::unique_ptr<Parsers> parsers_;
    ImportError error_;
    ImportFormat format_ = ImportFormat::Unknown;
    std::size_t count_ = 0;
    bool done_ = false;
};

// What the first pass of an import tells the person.
struct ImportSummary {
    ImportFormat format = ImportFormat::Unknown;
    std::size_t contacts = 0;
    std::size_t storable = 0;       // contacts the second pass writes
    std::size_t skipped = 0;        // contacts with a problem or an unstorable value
    std::size_t withCuts = 0;       // storable contacts with a value cut to fit
    std::size_t unknownCountry = 0; // storable contacts whose country is left out
    std::size_t withoutName = 0;    // storable contacts without a name
    // A line for each thing to know, "Contact 3 (Ann Lee, line 17): ...", UTF-8; at most
    // the number asked for, the rest only counted.
    std::vector<std::string> details;
    std::size_t detailsLeftOut = 0;
};

// Hears how many contacts are read so far, now and then; false stops the reading.
using ImportProgress = std::function<bool(std::size_t contactsRead)>;

// Reads every contact of `reader` and sums them up. Returns the reader's error, or
// ImportFailure::Cancelled when `progress` stopped it.
ImportError SummarizeImport(ContactReader& reader, ImportSummary& summary,
                            std::size_t maxDetails = 200, const ImportProgress& progress = {});

} // namespace quenlark
