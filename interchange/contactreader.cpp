#include "interchange/contactreader.h"

#include "engine/codepage.h"
#include "interchange/csvreader.h"
#include "interchange/linereader.h"
#include "interchange/textcodec.h"
#include "interchange/vcardreader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace quenlark {

namespace {

// A physical line longer than this is no contact file's.
constexpr std::size_t kMaxLine = 16u << 20;
// The first bytes looked at to tell the format.
constexpr std::size_t kHeadBytes = 4096;

} // namespace

struct ContactReader::Parsers {
    Parsers(std::istream& in, std::uint64_t maxBytes) : lines(in, maxBytes, kMaxLine) {}
    LineReader lines;
    std::unique_ptr<VCardReader> vcard;
    std::unique_ptr<CsvReader> csv;
};

ContactReader::ContactReader(std::istream& in, std::uint64_t maxBytes) : in_(&in) {
    detect(maxBytes);
}

ContactReader::ContactReader(const std::filesystem::path& file, std::uint64_t maxBytes) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (ec) {
        fail(ImportFailure::Io, "The file cannot be opened: " + ec.message() + ".");
        return;
    }
    if (!std::filesystem::is_regular_file(status)) {
        fail(ImportFailure::Io, "The chosen name is not a file.");
        return;
    }
    const auto size = std::filesystem::file_size(file, ec);
    if (!ec && size > maxBytes) {
        fail(ImportFailure::TooLarge, "The file is larger than 1 GiB, the most an import reads.");
        return;
    }
    auto stream = std::make_unique<std::ifstream>(file, std::ios::binary);
    if (!*stream) {
        fail(ImportFailure::Io,
             std::string("The file cannot be opened: ") + std::strerror(errno) + ".");
        return;
    }
    file_ = std::move(stream);
    in_ = file_.get();
    detect(maxBytes);
}

ContactReader::~ContactReader() = default;

void ContactReader::fail(ImportFailure failure, std::string message) {
    if (!error_.failed())
        error_ = ImportError{failure, std::move(message)};
    done_ = true;
}

void ContactReader::takeLineFailure() {
    const LineReader& lines = parsers_->lines;
    const std::string near = " (near line " + std::to_string(lines.lineNumber() + 1) + ")";
    switch (lines.failure()) {
    case LineReader::Failure::None:
        break;
    case LineReader::Failure::Io:
        fail(ImportFailure::Io, "The file could not be read to its end.");
        break;
    case LineReader::Failure::TooLarge:
        fail(ImportFailure::TooLarge, "The file is larger than 1 GiB, the most an import reads.");
        break;
    case LineReader::Failure::Binary:
        fail(ImportFailure::Binary,
             "The file holds binary data" + near + ": it is neither a vCard nor a CSV file.");
        break;
    case LineReader::Failure::LineTooLong:
        fail(ImportFailure::Malformed,
             "The file has a line longer than 16 MiB" + near + ": it is not a contacts file.");
        break;
    }
}

void ContactReader::detect(std::uint64_t maxBytes) {
    parsers_ = std::make_unique<Parsers>(*in_, maxBytes);
    LineReader& lines = parsers_->lines;
    const std::string_view head = lines.head(kHeadBytes);
    takeLineFailure();
    if (done_)
        return;
    if (head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF") {
        fail(ImportFailure::Utf16,
             "The file is UTF-16 text. Save it as UTF-8 and import it again.");
        return;
    }
    if (head.substr(0, 3) == "\xEF\xBB\xBF")
        lines.skip(3);

    std::string_view line;
    LineEnd end;
    do {
        if (!lines.next(line, end)) {
            takeLineFailure();
            fail(ImportFailure::Empty, "The file is empty.");
            return;
        }
    } while (line.find_first_not_of(" \t") == std::string_view::npos);
    const std::string_view first = TrimBlanks(line);
    lines.unread();
    if (StartsWithNoCase(first, "BEGIN:VCARD")) {
        format_ = ImportFormat::VCard;
        parsers_->vcard = std::make_unique<VCardReader>(lines);
        return;
    }
    if (!IsValidUtf8(line)) {
        fail(ImportFailure::UnknownFormat,
             "The file is neither a vCard file nor a UTF-8 CSV file with the columns of an "
             "address book.");
        return;
    }
    parsers_->csv = std::make_unique<CsvReader>(lines);
    if (!parsers_->csv->readHeader()) {
        takeLineFailure();
        fail(parsers_->csv->error().failure, parsers_->csv->error().message);
        return;
    }
    format_ = ImportFormat::Csv;
}

bool ContactReader::next(ImportedContact& contact) {
    if (done_)
        return false;
    const bool got =
        parsers_->vcard ? parsers_->vcard->next(contact) : parsers_->csv->next(contact);
    if (got) {
        ++count_;
        return true;
    }
    takeLineFailure();
    const ImportError& e = parsers_->vcard ? parsers_->vcard->error() : parsers_->csv->error();
    if (e.failed())
        fail(e.failure, e.message);
    if (count_ == 0)
        fail(ImportFailure::NoContacts, "The file holds no contacts.");
    done_ = true;
    return false;
}

ImportError SummarizeImport(ContactReader& reader, ImportSummary& summary, std::size_t maxDetails,
                            const ImportProgress& progress) {
    summary = ImportSummary{};
    ImportedContact contact;
    while (reader.next(contact)) {
        ++summary.contacts;
        if (progress && summary.contacts % 1000 == 0 && !progress(summary.contacts))
            return ImportError{ImportFailure::Cancelled, "The import was cancelled."};
        const bool storable = contact.storable();
        if (storable) {
            ++summary.storable;
            summary.withCuts += !contact.cuts.empty();
            summary.unknownCountry += !contact.unknownCountry.empty();
            summary.withoutName += !contact.hasName();
        } else {
            ++summary.skipped;
        }
        std::vector<std::string> lines = DescribeContact(contact);
        if (storable && !contact.hasName())
            lines.push_back("The contact has no name.");
        if (!storable)
            lines.push_back("The contact will be skipped.");
        if (lines.empty())
            continue;
        if (summary.details.size() >= maxDetails) {
            ++summary.detailsLeftOut;
            continue;
        }
        std::string who = "Contact " + std::to_string(contact.number) + " (";
        if (contact.hasName())
            who += Cp1252ToUtf8(contact.value(Field::Name)) + ", ";
        who += "line " + std::to_string(contact.line) + "):";
        for (const std::string& l : lines)
            who += " " + l;
        summary.details.push_back(std::move(who));
    }
    summary.format = reader.format();
    return reader.error();
}

} // namespace quenlark
