// Reads CSV files with a header row, one contact per row: our own columns (those of Google
// Contacts) and those of Google Contacts' current and older exports, Outlook's (desktop and
// Outlook.com) and Thunderbird's, in English.
#pragma once

#include "engine/result.h"
#include "interchange/importedcontact.h"
#include "interchange/linereader.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace quenlark {

// The header names known, compared without regard to case or blanks around them:
// - name: "Name", else "Display Name"/"Full Name", else "First Name"/"Given Name",
//   "Middle Name"/"Additional Name" and "Last Name"/"Family Name"/"Surname" joined by
//   blanks, else "Company"/"Organization"/"Organization Name"/"Organization 1 - Name";
// - "Nickname";
// - e-mail addresses by position: "E-mail N - Value", "E-mail Address", "E-mail 2 Address",
//   "E-mail 3 Address", "Primary Email", "Secondary Email", "Email"; the first two positions
//   fill the two fields, later ones fill a field left empty;
// - phones: "Phone N - Value" labelled by "Phone N - Type"/"Phone N - Label" (a label with
//   "Mobile" or "Cell" is the mobile, with "Fax" a fax); "Mobile Phone", "Mobile Number",
//   "Mobile"; "Primary Phone", "Home Phone", "Business Phone", "Work Phone", "Home Phone 2",
//   "Business Phone 2", "Other Phone", "Company Main Phone", "Car Phone", "Phone", taken in
//   that order; a second mobile stands in for a missing phone;
// - addresses, the first with any part filled: "Address N - Street/Extended Address/PO Box/
//   City/Postal Code/Country/Region" (and "Formatted" when there is no street), Outlook's
//   "Home|Business|Other Street [2|3]/Address PO Box/City/Postal Code/Country[/Region]/
//   State", Thunderbird's "Home|Work Address [2]/City/ZipCode/Country/State";
// - web site: "Website N - Value", "Web Page", "Web Page 1", "Web Page 2", "Website",
//   "Personal Web Page".
// Google writes several values of one kind into one cell, " ::: " between them: each goes to
// the next free field of its kind. What has no field (further values, faxes, the region,
// the organization beside a name, birthdays, notes, labels and categories, photos, job
// titles and other details) is counted as left out; columns that only describe the file
// (types, labels, sensitivity) are not.
// Cells may be quoted with embedded delimiters, quotes and line breaks, and be of any length
// (a value longer than kMaxValueBytes is left out); a leading formula guard apostrophe is
// removed (UnguardCsvCell). The delimiter is the comma, semicolon or tab found most often in
// the header row outside quotes (an Excel "sep=" line also names it). Text is UTF-8, or
// Windows-1252 in a file read as such.
class CsvReader {
public:
    CsvReader(LineReader& lines, bool windows1252);

    // Reads the header row. False when it is missing, broken, or names no known column; the
    // error then says why.
    bool readHeader();
    // The next contact; false at the end of the file or on an error (see error()).
    bool next(ImportedContact& contact);
    const Result& error() const { return error_; }
    // True when the error is text that is not UTF-8 in a file that has shown no UTF-8 text
    // before it: read as Windows-1252, the file may well be whole.
    bool wantsWindows1252() const { return wantsWindows1252_; }
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
        Region,
        Formatted,
        Categories,
        LeftOut, // a column with no field: its values are counted as `leftOut`
    };
    struct Column {
        Role role = Role::Ignore;
        int index = 0; // e-mail position, phone rank, phone number, address group, site rank
        quenlark::LeftOut leftOut = quenlark::LeftOut::Other;
    };
    // The role of a header name.
    static Column ColumnOf(std::string_view header);

private:
    struct Wanted {
        Column column;
        std::size_t cell; // its position in the row
    };
    bool readRecord(std::size_t& startLine, bool header);
    void addChar(char c);
    void endCell(bool header);
    void takeHeaderName();
    // How much of the current cell is kept when it is the wanted column `wanted`; 0 when not.
    std::size_t capOf(std::size_t wanted) const;
    bool decodeCell(std::string& cell, std::size_t line);
    void fail(Failure failure, std::string message);

    LineReader& lines_;
    bool windows1252_;
    bool sawUtf8_ = false;
    bool wantsWindows1252_ = false;
    Result error_;
    char delimiter_ = ',';
    std::vector<Wanted> columns_; // the columns read, by their position in the row
    std::unordered_set<std::string> headerSeen_;
    // The cells of the current row for `columns_`, and which of them were too long.
    std::vector<std::string> cells_;
    std::vector<bool> oversize_;
    // Where the parser is in the current row.
    std::size_t cellIndex_ = 0;
    std::size_t nextWanted_ = 0;
    std::size_t cellCap_ = 0; // 0: the cell is not kept
    std::string cell_;
    bool cellOversize_ = false;
    bool anyQuoted_ = false; // a cell of the row was quoted
    bool anyText_ = false;   // a cell of the row held anything
    std::size_t contacts_ = 0;
    ContactTexts texts_;
    std::string converted_;
    // Texts made of several cells: the name from its parts, the street with its extras.
    std::string joinedName_;
    std::string joinedStreet_;
};

} // namespace quenlark
