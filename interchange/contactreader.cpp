#include "interchange/contactreader.h"

#include "interchange/csvreader.h"
#include "interchange/linereader.h"
#include "interchange/textcodec.h"
#include "interchange/utf16stream.h"
#include "interchange/vcardreader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace quenlark {

namespace {

// Lines longer than this come to the parsers in pieces.
constexpr std::size_t kPiece = std::size_t(1) << 20;
// The first bytes looked at to tell the encoding.
constexpr std::size_t kHeadBytes = 4096;

// How UTF-16 text without a byte order mark shows itself: the text of a contacts file is
// mostly ASCII, so every other byte is a NUL, on the even places (big endian) or the odd ones
// (little endian), and almost none on the others. Anything else with a NUL is binary.
enum class NulPattern { None, Utf16Le, Utf16Be, Binary };

NulPattern nulPattern(std::string_view head) {
    std::size_t even = 0, odd = 0;
    for (std::size_t i = 0; i < head.size(); ++i)
        if (head[i] == '\0')
            ++(i % 2 ? odd : even);
    if (even + odd == 0)
        return NulPattern::None;
    const std::size_t pairs = head.size() / 2;
    if (odd * 4 >= pairs && even * 16 <= odd)
        return NulPattern::Utf16Le;
    if (even * 4 >= pairs && odd * 16 <= even)
        return NulPattern::Utf16Be;
    return NulPattern::Binary;
}

} // namespace

struct ContactReader::Parsers {
    std::unique_ptr<Utf16Decoder> utf16;
    std::unique_ptr<std::istream> decoded;
    std::unique_ptr<LineReader> lines;
    std::unique_ptr<VCardReader> vcard;
    std::unique_ptr<CsvReader> csv;

    bool wantsWindows1252() const {
        return (vcard && vcard->wantsWindows1252()) || (csv && csv->wantsWindows1252());
    }
};

ContactReader::ContactReader(std::istream& in, ReadOptions options) : options_(options), in_(&in) {
    detect();
}

ContactReader::ContactReader(const std::filesystem::path& file, ReadOptions options)
    : options_(options) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (ec) {
        fail(Failure::Io, "The file cannot be opened: " + ec.message() + ".");
        return;
    }
    if (!std::filesystem::is_regular_file(status)) {
        fail(Failure::NotRegularFile, "The chosen name is not a file.");
        return;
    }
    const auto size = std::filesystem::file_size(file, ec);
    if (!ec && size > options_.maxBytes) {
        fail(Failure::TooLarge, "The file is larger than 1 GiB, the most an import reads.");
        return;
    }
    auto stream = std::make_unique<std::ifstream>(file, std::ios::binary);
    if (!*stream) {
        fail(Failure::Io, std::string("The file cannot be opened: ") + std::strerror(errno) + ".");
        return;
    }
    file_ = std::move(stream);
    in_ = file_.get();
    detect();
}

ContactReader::~ContactReader() = default;

void ContactReader::fail(Failure failure, std::string message) {
    if (error_)
        error_ = Result::Fail(failure, std::move(message));
    done_ = true;
}

std::uint64_t ContactReader::bytesRead() const {
    if (!parsers_ || !parsers_->lines)
        return 0;
    return parsers_->utf16 ? parsers_->utf16->bytesRead() : parsers_->lines->bytesRead();
}

void ContactReader::takeLineFailure() {
    if (!parsers_ || !parsers_->lines)
        return;
    const LineReader& lines = *parsers_->lines;
    const std::string near = " (near line " + std::to_string(lines.lineNumber() + 1) + ")";
    if (parsers_->utf16 && parsers_->utf16->failed()) {
        fail(Failure::BadEncoding, "The file is not valid UTF-16 text" + near + ".");
        return;
    }
    switch (lines.failure()) {
    case LineReader::Failure::None:
        break;
    case LineReader::Failure::Io:
        fail(Failure::Io, "The file could not be read to its end.");
        break;
    case LineReader::Failure::TooLarge:
        fail(Failure::TooLarge, "The file is larger than 1 GiB, the most an import reads.");
        break;
    case LineReader::Failure::Binary:
        fail(Failure::Binary,
             "The file holds binary data" + near + ": it is neither a vCard nor a CSV file.");
        break;
    }
}

void ContactReader::detect() {
    parsers_ = std::make_unique<Parsers>();
    // The encoding, from the first bytes; then back to the start.
    std::string head(kHeadBytes, '\0');
    in_->read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in_->gcount()));
    if (in_->bad()) {
        fail(Failure::Io, "The file could not be read.");
        return;
    }
    in_->clear();
    in_->seekg(0, std::ios::end);
    const auto size = in_->tellg();
    in_->seekg(0);
    if (!*in_) {
        fail(Failure::Io, "The file could not be read from its start.");
        return;
    }
    std::size_t skip = 0;
    bool utf16 = false, bigEndian = false;
    byteOrderMark_ = true;
    if (head.compare(0, 2, "\xFF\xFE") == 0) {
        utf16 = true;
        skip = 2;
    } else if (head.compare(0, 2, "\xFE\xFF") == 0) {
        utf16 = bigEndian = true;
        skip = 2;
    } else if (head.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        skip = 3;
    } else {
        byteOrderMark_ = false;
        switch (nulPattern(head)) {
        case NulPattern::None:
            break;
        case NulPattern::Utf16Le:
            utf16 = true;
            break;
        case NulPattern::Utf16Be:
            utf16 = bigEndian = true;
            break;
        case NulPattern::Binary:
            fail(Failure::Binary, "The file holds binary data: it is neither a vCard nor a CSV "
                                  "file.");
            return;
        }
    }
    encoding_ = utf16                                     ? TextEncoding::Utf16
                : options_.windows1252 && !byteOrderMark_ ? TextEncoding::Windows1252
                                                          : TextEncoding::Utf8;
    const bool windows1252 = encoding_ == TextEncoding::Windows1252;
    if (utf16) {
        in_->ignore(static_cast<std::streamsize>(skip));
        parsers_->utf16 = std::make_unique<Utf16Decoder>(*in_, bigEndian);
        parsers_->decoded = std::make_unique<std::istream>(parsers_->utf16.get());
        // UTF-8 takes at most one and a half times the bytes of UTF-16.
        parsers_->lines =
            std::make_unique<LineReader>(*parsers_->decoded, options_.maxBytes / 2 * 3, kPiece);
    } else {
        parsers_->lines = std::make_unique<LineReader>(*in_, options_.maxBytes, kPiece);
        parsers_->lines->skip(skip);
    }
    LineReader& lines = *parsers_->lines;

    std::string_view line;
    LineEnd end;
    do {
        if (!lines.next(line, end)) {
            takeLineFailure();
            fail(Failure::Empty, "The file is empty.");
            return;
        }
    } while (end != LineEnd::More && line.find_first_not_of(" \t") == std::string_view::npos);
    const std::string_view first = TrimBlanks(line);
    lines.unread();
    if (StartsWithNoCase(first, "BEGIN:VCARD")) {
        format_ = ImportFormat::VCard;
        // UTF-8 takes at most one and a half times the bytes of UTF-16.
        const auto bytes = size > 0 ? std::uint64_t(size) : 0;
        parsers_->vcard =
            std::make_unique<VCardReader>(lines, windows1252, utf16 ? bytes / 2 * 3 : bytes);
        return;
    }
    parsers_->csv = std::make_unique<CsvReader>(lines, windows1252);
    if (!parsers_->csv->readHeader()) {
        if (restartIfNotUtf8())
            return;
        takeLineFailure();
        fail(parsers_->csv->error().failure(), parsers_->csv->error().message());
        return;
    }
    format_ = ImportFormat::Csv;
}

bool ContactReader::canReadAsWindows1252() const {
    return !error_ && error_.failure() == Failure::BadEncoding && parsers_ &&
           parsers_->wantsWindows1252() && encoding_ == TextEncoding::Utf8 && !byteOrderMark_;
}

bool ContactReader::restartAsWindows1252() {
    if (!in_)
        return false;
    in_->clear();
    in_->seekg(0);
    if (!*in_) {
        error_ = Result::Fail(Failure::Io, "The file could not be read again from its start.");
        done_ = true;
        return false;
    }
    options_.windows1252 = true;
    error_ = Result();
    format_ = ImportFormat::Unknown;
    count_ = 0;
    done_ = false;
    detect();
    return true;
}

bool ContactReader::restartIfNotUtf8() {
    // Before the first contact nothing has been handed out: the file simply starts over.
    if (count_ > 0 || options_.windows1252 || byteOrderMark_ || encoding_ != TextEncoding::Utf8 ||
        !parsers_->wantsWindows1252())
        return false;
    restartAsWindows1252();
    return true;
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
    if (restartIfNotUtf8())
        return next(contact);
    takeLineFailure();
    const Result& e = parsers_->vcard ? parsers_->vcard->error() : parsers_->csv->error();
    if (!e)
        fail(e.failure(), e.message());
    if (count_ == 0)
        fail(Failure::NoContacts, "The file holds no contacts.");
    done_ = true;
    return false;
}

} // namespace quenlark
