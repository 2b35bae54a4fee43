// Reads CSV files with a header row, one contact per row: our own columns (those of Google
// Contacts) and those of Outlook's and Thunderbird's exports.
#pragma once

#include "interchange/importedcontact.h"
#include "interchange/importerror.h"
#include "interchange/linereader.h"

#include <string>
#include <vector>

namespace quenlark {

// The header names known, compared without regard to case or blanks around them:
// - name: "Name", else "Display Name"/"Full Name", else "First Name"/"Given Name",
//   "Middle Name"/"Additional Name" and "Last Name"/"Family Name"/"Surname" joined by
//   blanks, else "Company"/"Organization 1 - Name";
// - "Nickname";
// - e-mail addresses by position: "E-mail N - Value", "E-mail Address", "E-mail 2 Address",
//   "E-mail 3 Address", "Primary Email", "Secondary Email", "Email"; the first two positions
//   fill the two fields, a later one fills a field left empty;
// - phones: "Phone N - Value" labelled by "Phone N - Type"/"Phone N - Label" (a label with
//   "Mobile" or "Cell" is the mobile, with "Fax" or "Pager" is passed over); "Mobile Phone",
//   "Mobile Number", "Mobile"; "Primary Phone", "Home Phone", "Business Phone", "Work Phone",
//   "Home Phone 2", "Business Phone 2", "Other Phone", "Company Main Phone", "Car Phone",
//   "Phone", taken in that order;
// - addresses, the first with any part filled: "Address N - Street/Extended Address/PO Box/
//   City/Postal Code/Country" (and "Formatted" when there is no street), Outlook's
//   "Home|Business|Other Street [2|3]/PO Box/City/Postal Code/Country[/Region]",
//   Thunderbird's "Home|Work Address [2]/City/ZipCode/Country";
// - web site: "Website N - Value", "Web Page", "Web Page 1", "Web Page 2", "Website".
// Cells may be quoted with embedded delimiters, quotes and line breaks; a leading formula
// guard apostrophe is removed (UnguardCsvCell). The delimiter is the comma, semicolon or tab
// found most often in the header row outside quotes (an Excel "sep=" line also names it).
class CsvReader {
public:
    explicit CsvReader(LineReader& lines);

    // Reads the header row. False when it is missing, broken, or names no known column; the
    // error then says why.
    bool readHeader();
    // The next contact; false at the end of the file or on an error (see error()).
    bool next(ImportedContact& contact);
    const ImportError& error() const { return error_; }
    char delimiter() const { return delimiter_; }

    enum class Role {
        Ignore,
        Name,
        DisplayName,
        Given,
        Middle,
        Family,
        Company,
        Nickname,
        Email,
        Phone,
        Mobile,
        PhoneValue,
        PhoneLabel,
        Website,
        Street,
        Street2,
        Street3,
        Extended,
        PoBox,
        City,
        Zip,
        Country,
        Formatted,
    };
    struct Column {
        Role role = Role::Ignore;
        int index = 0; // e-mail position, phone rank, phone number, address group, site rank
    };
    // The role of a header name.
    static Column ColumnOf(std::string_view header);

private:
    bool readRecord(std::size_t& startLine);
    void fail(ImportFailure failure, std::string message);

    LineReader& lines_;
    ImportError error_;
    char delimiter_ = ',';
    std::vector<Column> columns_;
    std::vector<std::string> cells_;
    bool anyQuoted_ = false; // a cell of the last record was quoted
    std::size_t contacts_ = 0;
    ContactTexts texts_;
};

} // namespace quenlark
