#include "interchange/csvwriter.h"

#include "interchange/storedrecord.h"
#include "interchange/textcodec.h"

namespace quenlark {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

void flush(std::ostream& out, const std::string& row) {
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
}

} // namespace

CsvWriter::CsvWriter(std::ostream& out, CsvOptions options)
    : out_(out), columns_(CsvExportColumns(options.fields)) {
    if (options.byteOrderMark)
        row_ += kBom;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (i > 0)
            row_ += ',';
        AppendCsvCell(row_, columns_[i].name);
    }
    row_ += "\r\n";
    flush(out_, row_);
}

void CsvWriter::write(const ContactRecord& contact) {
    writeStored(contact.bytes.data());
}

void CsvWriter::writeStored(const char* record) {
    for (std::size_t i = 0; i < kReportFieldCount; ++i) {
        const auto rf = static_cast<ReportField>(i);
        values_[i] = rf == ReportField::Country
                         ? CountryNameUtf8(StoredCountry(record))
                         : Cp1252AsUtf8(StoredField(record, static_cast<Field>(i)), texts_[i]);
    }
    const auto valueOf = [&](ReportField rf) -> std::string_view {
        return values_[static_cast<std::size_t>(rf)];
    };
    row_.clear();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (i > 0)
            row_ += ',';
        const CsvColumn& c = columns_[i];
        if (!c.label) {
            AppendCsvCell(row_, valueOf(c.field));
            continue;
        }
        bool labelled = c.field != ReportField::Address && !valueOf(c.field).empty();
        if (c.field == ReportField::Address) {
            // The address label stands for every address column written.
            for (const CsvColumn& other : columns_)
                if (!other.label &&
                    (other.field == ReportField::Address || other.field == ReportField::City ||
                     other.field == ReportField::ZipCode || other.field == ReportField::Country))
                    labelled = labelled || !valueOf(other.field).empty();
        }
        if (labelled)
            AppendCsvCell(row_, c.label);
    }
    // A row of nothing but delimiters reads as a spreadsheet's leftover line; a quoted
    // empty first cell keeps an empty contact a row of its own.
    if (row_.find_first_not_of(',') == std::string::npos)
        row_.insert(0, "\"\"");
    row_ += "\r\n";
    flush(out_, row_);
}

} // namespace quenlark
