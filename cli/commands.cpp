#include "cli/commands.h"

#include "engine/addressbookengine.h"
#include "engine/atomicfile.h"
#include "engine/bookreader.h"
#include "engine/codepage.h"
#include "engine/fileio.h"
#include "interchange/contactreader.h"
#include "interchange/csvwriter.h"
#include "interchange/importsummary.h"
#include "interchange/vcardwriter.h"

#include <array>
#include <cstring>
#include <ostream>
#include <streambuf>

namespace quenlark {

namespace {

// The book the window opens, or "" after saying why there is none.
std::string bookPath(const CommandLineContext& context) {
    std::string path;
    Result found = context.databasePath ? context.databasePath(path) : Result();
    if (found && path.empty())
        found = Result::Fail(Failure::NotOpen, "No address book is named");
    if (!found)
        context.err << "quenlark-addressbook: " << found.message() << '\n';
    return found ? path : std::string();
}

int fail(const CommandLineContext& context, const std::string& message) {
    context.err << "quenlark-addressbook: " << message << '\n';
    return kExitFailed;
}

// A change that is made but whose last flush failed: said, and still a success.
int done(const CommandLineContext& context, const Result& result) {
    if (result.hasWarning())
        context.err << "quenlark-addressbook: warning: " << result.message() << '\n';
    return kExitOk;
}

// ---- Query -------------------------------------------------------------------------

// A byte table that folds letter case, so a comparison ignores it.
const std::array<unsigned char, 256>& foldTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[std::size_t(b)] = FoldCaseCp1252(static_cast<unsigned char>(b));
        return t;
    }();
    return table;
}

// The text of a record's field, up to its NUL.
std::string_view fieldOf(const char* record, Field field) {
    const FieldSlot slot = slotOf(field);
    return std::string_view(record + slot.offset, strnlen(record + slot.offset, slot.width));
}

// True when `folded` (already folded) occurs in `text` ignoring letter case.
bool holds(std::string_view text, std::string_view folded) {
    if (folded.empty())
        return true;
    const auto& fold = foldTable();
    for (std::size_t i = 0; i + folded.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < folded.size() && fold[static_cast<unsigned char>(text[i + k])] ==
                                        static_cast<unsigned char>(folded[k]))
            ++k;
        if (k == folded.size())
            return true;
    }
    return false;
}

// A field as one cell of a query line: UTF-8, with tabs and line breaks made blanks.
void appendCell(std::string& out, std::string_view stored) {
    for (const char c : Cp1252ToUtf8(stored))
        out += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
}

// ---- Export ------------------------------------------------------------------------

// A stream buffer that fills an AtomicFileWriter a block at a time.
class AtomicFileBuffer : public std::streambuf {
public:
    explicit AtomicFileBuffer(AtomicFileWriter& file) : file_(file), block_(1 << 20) {
        setp(block_.data(), block_.data() + block_.size());
    }
    Result flush() {
        if (failure_ && pptr() > pbase()) // nothing failed so far
            failure_ = file_.write(pbase(), std::size_t(pptr() - pbase()));
        setp(block_.data(), block_.data() + block_.size());
        return failure_;
    }

protected:
    int_type overflow(int_type c) override {
        if (!flush())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            sputc(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }
    int sync() override { return flush() ? 0 : -1; }

private:
    AtomicFileWriter& file_;
    std::vector<char> block_;
    Result failure_;
};

void writeAll(BookReader& book, std::ostream& out, ExportFormat format) {
    // Each record is written from where the reader holds it, without a copy.
    const char* record = nullptr;
    if (format == ExportFormat::VCard) {
        VCardWriter writer(out, {VCardVersion::V3, ReportFields::All()});
        while (book.nextBytes(record))
            writer.writeStored(record);
    } else {
        CsvWriter writer(out, {ReportFields::All(), true});
        while (book.nextBytes(record))
            writer.writeStored(record);
    }
}

// Opens the book the settings name for reading; false, with a message, when it cannot.
bool openForReading(const CommandLineContext& context, BookReader& book, std::string& path) {
    path = bookPath(context);
    if (path.empty())
        return false;
    if (Result opened = book.open(path); !opened) {
        fail(context, opened.message());
        return false;
    }
    return true;
}

} // namespace

int RunQuery(const std::string& text, const CommandLineContext& context) {
    std::string path;
    BookReader book;
    if (!openForReading(context, book, path))
        return kExitFailed;
    std::string needle;
    // A text the book cannot hold matches nothing in it.
    const bool storable = Utf8ToCp1252(text, needle);
    for (char& c : needle)
        c = static_cast<char>(foldTable()[static_cast<unsigned char>(c)]);
    std::string lines;
    std::size_t found = 0;
    const char* record = nullptr;
    while (storable && book.nextBytes(record)) {
        const std::string_view name = fieldOf(record, Field::Name);
        const std::string_view nickname = fieldOf(record, Field::Nickname);
        const std::string_view emails[] = {fieldOf(record, Field::Email),
                                           fieldOf(record, Field::SecondEmail)};
        if (!holds(name, needle) && !holds(nickname, needle) && !holds(emails[0], needle) &&
            !holds(emails[1], needle))
            continue;
        for (const std::string_view email : emails) {
            if (email.empty())
                continue;
            appendCell(lines, email);
            lines += '\t';
            appendCell(lines, name);
            lines += '\t';
            appendCell(lines, nickname);
            lines += '\n';
            ++found;
        }
    }
    if (book.failed())
        return fail(context, "cannot read \"" + path + "\"");
    // A mail client shows the first line of the output as the query's outcome, a match or not.
    if (found == 0)
        context.out << "Quenlark Address Book: no contact matches \"" << text << "\"\n";
    else
        context.out << "Quenlark Address Book: " << found
                    << (found == 1 ? " address found\n" : " addresses found\n") << lines;
    context.out.flush();
    if (!context.out)
        return kExitFailed;
    return found == 0 ? kExitFailed : kExitOk;
}

int RunExport(const std::string& target, ExportFormat format, const CommandLineContext& context) {
    std::string path;
    BookReader book;
    if (!openForReading(context, book, path))
        return kExitFailed;
    if (target == "-") {
        writeAll(book, context.out, format);
        context.out.flush();
        if (book.failed() || !context.out)
            return fail(context, "the export could not be written");
        return kExitOk;
    }
    // The book is never the target, under any name: the reader guards it.
    AtomicFileWriter file;
    if (Result opened = file.open(target); !opened)
        return fail(context, opened.message());
    AtomicFileBuffer buffer(file);
    std::ostream out(&buffer);
    writeAll(book, out, format);
    if (book.failed())
        return fail(context, "cannot read \"" + path + "\"");
    if (Result flushed = buffer.flush(); !flushed)
        return fail(context, flushed.message());
    const Result committed = file.commit();
    if (!committed)
        return fail(context, committed.message());
    return done(context, committed);
}

int RunImport(const std::string& file, bool acceptCuts, const CommandLineContext& context) {
    const std::string path = bookPath(context);
    if (path.empty())
        return kExitFailed;
    OneBookSettings settings(path);
    ErrorOutputMessages messages(context.err);
    AddressBookEngine engine(settings, messages, fileio::parentDir(path));
    if (!engine.OpenAddressBook())
        return fail(context, WhyNotOpened(engine, path));

    // The book's contacts, so that none is added a second time.
    KnownContacts known;
    {
        BookReader book;
        ContactRecord record;
        if (Result opened = book.open(path); !opened)
            return fail(context, opened.message());
        while (book.next(record))
            known.addFromBook(record);
        if (book.failed())
            return fail(context, "cannot read \"" + path + "\"");
    }

    // First pass: what will happen, before anything is written.
    ImportSummary summary;
    {
        ContactReader reader{std::filesystem::path(file)};
        SummaryOptions options;
        options.known = &known;
        if (const Result error = SummarizeImport(reader, summary, options); !error)
            return fail(context, "cannot import \"" + file + "\": " + error.message());
    }
    context.out << file << ": "
                << CountOf(summary.contacts,
                           summary.format == ImportFormat::VCard ? "vCard contact" : "CSV contact",
                           summary.format == ImportFormat::VCard ? "vCard contacts"
                                                                 : "CSV contacts")
                << " read, " << summary.adding << " to add, " << summary.contacts - summary.adding
                << " skipped.\n";
    for (const std::string& sentence : SummaryText(summary))
        context.out << sentence << '\n';
    for (const std::string& line : summary.details)
        context.out << "  " << line << '\n';
    if (summary.detailsLeftOut)
        context.out << "  ... and " << summary.detailsLeftOut << " more.\n";
    if (summary.withCuts && !acceptCuts) {
        context.out << "Nothing was added; run again with --yes to add the contacts with those "
                       "values cut.\n";
        return kExitFailed;
    }
    if (summary.adding == 0)
        return fail(context, "nothing to add from \"" + file + "\"");

    // Second pass: the contacts, appended as one change.
    known.forgetFile();
    ContactReader reader{std::filesystem::path(file), SecondPassOptions(summary)};
    ImportedContact contact;
    const Result added = engine.AppendContacts(
        [&](ContactRecord& record) { return NextToAdd(reader, &known, contact, record); },
        // The file could change between the passes: a read error then undoes the import.
        [&](std::int64_t) { return reader.error().ok(); });
    if (!added)
        return fail(context, added.failure() == Failure::Cancelled
                                 ? "\"" + file + "\" changed while it was imported: " +
                                       reader.error().message() + "; nothing was added"
                                 : added.message() + "; nothing was added");
    context.out << "Added " << CountOf(summary.adding, "contact", "contacts") << " to " << path
                << ".\n";
    return done(context, added);
}

ErrorOutputMessages::ErrorOutputMessages(std::ostream& err) : err_(err) {}

void ErrorOutputMessages::showMessage(const std::string&, const std::string& text, MessageKind) {
    err_ << "quenlark-addressbook: " << text << '\n';
}

std::string WhyNotOpened(const AddressBookEngine& engine, const std::string& path) {
    const std::string book = "cannot open the address book \"" + path + "\": ";
    const Result& why = engine.openFailure();
    switch (engine.GetOpenStatus() == StatusCannotOpen ? why.failure() : Failure::NotABackup) {
    case Failure::InUse:
        return book + "it is in use (close Quenlark Address Book and try again)";
    case Failure::ReadOnly:
        return book + "it is read-only";
    case Failure::NotABackup:
        return "\"" + path + "\" is not an address book of this version";
    default:
        return book + (why.message().empty() ? "it cannot be read" : why.message());
    }
}

} // namespace quenlark
