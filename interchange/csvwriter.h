// Writes contacts as a CSV file (RFC 4180) in Google Contacts' columns, one at a time.
#pragma once

#include "engine/contactrecord.h"
#include "engine/reportfields.h"
#include "interchange/csvformat.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quenlark {

struct CsvOptions {
    // The fields written, as the report dialog chooses them: a column (and its label column)
    // for each chosen field.
    ReportFields fields = ReportFields::All();
    // A UTF-8 byte order mark at the start. On by default: spreadsheets read a CSV file
    // without one in the machine's legacy code page and garble every accented letter;
    // Google Contacts, Thunderbird, LibreOffice and our own reader skip it.
    bool byteOrderMark = true;
};

// UTF-8, CRLF row ends, a header row of column names, cells guarded against formulas and
// quoted where needed (see AppendCsvCell). The header is written by the constructor, so a
// file with no contacts still names its columns.
class CsvWriter {
public:
    explicit CsvWriter(std::ostream& out, CsvOptions options = {});

    // Writes the contact's row. Whether it reached the stream is the stream's state.
    void write(const ContactRecord& contact);
    // The same from a record's bytes as the file holds them (kRecordSize of them).
    void writeStored(const char* record);

private:
    std::ostream& out_;
    std::vector<CsvColumn> columns_;
    std::string row_;
    std::string_view values_[kReportFieldCount]; // the record's or texts_
    std::string texts_[kReportFieldCount];       // fields converted to UTF-8
};

} // namespace quenlark
