// The CSV layout the address book writes and reads back: Google Contacts' columns, and the
// guard that keeps a cell from running as a spreadsheet formula.
#pragma once

#include "engine/reportfields.h"

#include <string>
#include <string_view>
#include <vector>

namespace quenlark {

// One column of an exported file: a value of a field, or the label Google Contacts keeps
// beside it ("* Other", "Mobile"), written only when the value it labels is not empty.
struct CsvColumn {
    const char* name;
    ReportField field;
    const char* label; // nullptr for a value column
};

// The columns written for a choice of fields, in Google Contacts' order. With every field
// chosen: Name, Nickname, E-mail 1 - Type, E-mail 1 - Value, E-mail 2 - Type,
// E-mail 2 - Value, Phone 1 - Type, Phone 1 - Value (the phone), Phone 2 - Type,
// Phone 2 - Value (the mobile), Address 1 - Type, Address 1 - Street, Address 1 - City,
// Address 1 - Postal Code, Address 1 - Country, Website 1 - Type, Website 1 - Value.
std::vector<CsvColumn> CsvExportColumns(const ReportFields& fields);

// Whether a spreadsheet could take a value starting with `c` for a formula.
constexpr bool IsFormulaLead(char c) {
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

// A phone number as people write one: digits with blanks and + - ( ) . / only. A spreadsheet
// cannot run it (no letters, so no function), so it is written as it is.
bool LooksLikePhoneNumber(std::string_view value);
// An e-mail address: a local part of letters, digits and . _ % + -, an "@", and a domain of
// at least two labels of letters, digits and hyphens. Written as it is, for the same reason.
bool LooksLikeEmailAddress(std::string_view value);

// Appends one cell: a value that starts like a formula (and is neither a phone number nor an
// e-mail address), or with an apostrophe before such a start or before another apostrophe,
// gets an apostrophe in front; a value holding the delimiter, a quote or a line break is
// quoted, its quotes doubled.
void AppendCsvCell(std::string& out, std::string_view utf8, char delimiter = ',');

// Undoes the apostrophe of AppendCsvCell: removes one leading apostrophe when a formula
// start or another apostrophe follows it. Any other value is left as it stands.
void UnguardCsvCell(std::string& cell);

} // namespace quenlark
