#include "interchange/importsummary.h"

#include "engine/codepage.h"

namespace quenlark {

namespace {

// How often the progress hears of the reading.
constexpr std::size_t kProgressContacts = 256;
constexpr std::uint64_t kProgressBytes = std::uint64_t(1) << 20;

Result summarizeOnce(ContactReader& reader, ImportSummary& summary, const SummaryOptions& options) {
    summary = ImportSummary{};
    if (options.known)
        options.known->forgetFile();
    ImportedContact contact;
    ContactRecord record;
    std::uint64_t heardAt = 0;
    while (reader.next(contact)) {
        ++summary.contacts;
        if (options.progress && (summary.contacts % kProgressContacts == 0 ||
                                 reader.bytesRead() - heardAt >= kProgressBytes)) {
            heardAt = reader.bytesRead();
            if (!options.progress(summary.contacts, heardAt))
                return Result::Fail(Failure::Cancelled, "The import was cancelled.");
        }
        std::vector<std::string> lines;
        if (!contact.storable()) {
            ++summary.skipped;
            lines = DescribeContact(contact);
            lines.push_back("The contact will be skipped.");
        } else if (!contact.hasName()) {
            ++summary.withoutName;
            lines = DescribeContact(contact);
            lines.push_back("The contact has no name and will be skipped.");
        } else {
            FillRecord(contact, record);
            const auto seen = options.known ? options.known->see(record) : KnownContacts::Seen::New;
            if (seen == KnownContacts::Seen::InBook) {
                ++summary.inBook;
                continue;
            }
            if (seen == KnownContacts::Seen::InFile) {
                ++summary.repeated;
                continue;
            }
            ++summary.adding;
            summary.withCuts += !contact.cuts.empty();
            summary.unknownCountry += !contact.unknownCountry.empty();
            for (std::size_t k = 0; k < kLeftOutKinds; ++k)
                summary.leftOut[k] += contact.leftOut[k];
            lines = DescribeContact(contact);
        }
        if (lines.empty())
            continue;
        if (summary.details.size() >= options.maxDetails) {
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
    summary.encoding = reader.encoding();
    return reader.error();
}

} // namespace

Result SummarizeImport(ContactReader& reader, ImportSummary& summary,
                       const SummaryOptions& options) {
    Result result = summarizeOnce(reader, summary, options);
    if (!result && reader.canReadAsWindows1252() && reader.restartAsWindows1252())
        result = summarizeOnce(reader, summary, options);
    return result;
}

ReadOptions SecondPassOptions(const ImportSummary& summary) {
    ReadOptions options;
    options.windows1252 = summary.encoding == TextEncoding::Windows1252;
    return options;
}

std::vector<std::string> SummaryText(const ImportSummary& s) {
    std::vector<std::string> text;
    text.push_back(std::to_string(s.adding) + " of the " +
                   CountOf(s.contacts, "contact", "contacts") +
                   " in the file will be added to the end of the address book.");
    if (s.encoding == TextEncoding::Windows1252)
        text.push_back("The file is not UTF-8 text; it was read as Windows-1252 (as Outlook and "
                       "older phones write it).");
    const bool one = s.withCuts == 1;
    if (s.withCuts)
        text.push_back(std::to_string(s.withCuts) + " of them " + (one ? "has" : "have") +
                       " values longer than their fields; those values will be cut to fit.");
    if (s.unknownCountry)
        text.push_back(std::to_string(s.unknownCountry) + " of them " +
                       (s.unknownCountry == 1 ? "names a country that is not in the country "
                                                "list; its country is left empty."
                                              : "name a country that is not in the country "
                                                "list; their country is left empty."));
    if (s.inBook)
        text.push_back(CountOf(s.inBook, "contact is", "contacts are") +
                       " already in the book and will be skipped.");
    if (s.repeated)
        text.push_back(CountOf(s.repeated, "contact repeats one", "contacts repeat ones") +
                       " earlier in the file and will be skipped.");
    if (s.skipped)
        text.push_back(CountOf(s.skipped, "contact holds", "contacts hold") +
                       " characters the address book cannot store, or could not be read "
                       "whole; " +
                       (s.skipped == 1 ? "it" : "they") + " will be skipped.");
    if (s.withoutName)
        text.push_back(CountOf(s.withoutName, "contact has", "contacts have") + " no name; " +
                       (s.withoutName == 1 ? "it" : "they") + " will be skipped.");
    std::size_t leftOut = 0;
    for (std::size_t n : s.leftOut)
        leftOut += n;
    if (leftOut)
        text.push_back("The address book has no place for what else the file holds: " +
                       ListLeftOut(s.leftOut) + (leftOut == 1 ? " is" : " are") + " not stored.");
    return text;
}

bool NextToAdd(ContactReader& reader, KnownContacts* known, ImportedContact& contact,
               ContactRecord& record) {
    while (reader.next(contact)) {
        if (!contact.hasName() || !FillRecord(contact, record))
            continue;
        if (!known || known->see(record) == KnownContacts::Seen::New)
            return true;
    }
    return false;
}

} // namespace quenlark
