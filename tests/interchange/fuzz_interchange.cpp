// Fuzz target for the import readers and the export/import round trip. Every input is read
// as an import file, and is also cut into the fields of a record that must come back from
// each export format unchanged. A broken promise aborts.
#include "engine/contactrecord.h"
#include "interchange/contactreader.h"
#include "interchange/csvwriter.h"
#include "interchange/textcodec.h"
#include "interchange/vcardwriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

using namespace quenlark;

namespace {

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #cond);                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

enum class Format { VCard3, VCard4, Csv };

std::string exportOne(const ContactRecord& record, Format format) {
    std::ostringstream out;
    if (format == Format::Csv)
        CsvWriter(out).write(record);
    else
        VCardWriter(out, {format == Format::VCard3 ? VCardVersion::V3 : VCardVersion::V4})
            .write(record);
    return out.str();
}

// The record as vCard gives it back: its one line break stands for CR LF and a lone CR too
// (the web site, a URI, keeps its line breaks percent-encoded).
ContactRecord withLineFeeds(const ContactRecord& record) {
    ContactRecord r = record;
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        if (static_cast<Field>(f) == Field::WebSite)
            continue;
        const std::string text = record.text(static_cast<Field>(f));
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n')
                out += text[i] == '\r' ? '\n' : text[i];
        r.setText(static_cast<Field>(f), out);
    }
    return r;
}

bool holdsGoogleSeparator(const ContactRecord& record) {
    for (Field f : {Field::Email, Field::SecondEmail, Field::Phone, Field::Mobile, Field::WebSite,
                    Field::Address, Field::City, Field::ZipCode})
        if (record.text(f).find(" ::: ") != std::string::npos)
            return true;
    return false;
}

// Export in every format, import, and compare with the record byte for byte. Countries
// outside the list are not kept by design, so the record must hold one of the list.
void checkRoundTrip(const ContactRecord& record) {
    for (Format format : {Format::VCard3, Format::VCard4, Format::Csv}) {
        const ContactRecord expected = format == Format::Csv ? record : withLineFeeds(record);
        // Google's separator of several values in a cell splits such a value in CSV.
        if (format == Format::Csv && holdsGoogleSeparator(record))
            continue;
        std::istringstream in(exportOne(record, format));
        ContactReader reader(in);
        ImportedContact contact;
        FUZZ_CHECK(reader.next(contact));
        FUZZ_CHECK(contact.storable());
        FUZZ_CHECK(contact.cuts.empty());
        FUZZ_CHECK(contact.unknownCountry.empty());
        ContactRecord back;
        FUZZ_CHECK(FillRecord(contact, back));
        FUZZ_CHECK(back.bytes == expected.bytes);
        FUZZ_CHECK(!reader.next(contact));
        FUZZ_CHECK(reader.error().ok());
    }
}

void checkContact(const ImportedContact& c, std::size_t expectedNumber) {
    FUZZ_CHECK(c.number == expectedNumber);
    FUZZ_CHECK(c.line >= 1);
    FUZZ_CHECK(c.country >= 0 && c.country < kCountryCount);
    FUZZ_CHECK(c.unknownCountry.empty() || c.country == 0);
    FUZZ_CHECK(IsValidUtf8(c.unknownCountry));
    for (std::size_t i = 0; i < kFieldCount; ++i)
        FUZZ_CHECK(c.values[i].find('\0') == std::string::npos);
    for (const CutValue& cut : c.cuts) {
        FUZZ_CHECK(cut.kept == maxLength(cut.field));
        FUZZ_CHECK(cut.kept == c.value(cut.field).size());
        FUZZ_CHECK(cut.length > cut.kept);
    }
    for (const UnstorableValue& u : c.unstorable) {
        FUZZ_CHECK(c.value(u.field).empty());
        FUZZ_CHECK(IsValidUtf8(u.text));
    }
    // Everything the person is shown must be displayable text.
    for (const std::string& line : DescribeContact(c))
        FUZZ_CHECK(IsValidUtf8(line));
    ContactRecord record;
    FUZZ_CHECK(FillRecord(c, record) == c.storable());
    if (c.storable()) {
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            const Field f = static_cast<Field>(i);
            FUZZ_CHECK(record.text(f) == c.value(f).substr(0, maxLength(f)));
        }
        checkRoundTrip(record);
    }
}

void readAsImportFile(std::string_view input) {
    std::istringstream in{std::string(input)};
    ContactReader reader(in);
    ImportedContact contact;
    std::size_t count = 0;
    while (reader.next(contact))
        checkContact(contact, ++count);
    FUZZ_CHECK(count == reader.contactsRead());
    FUZZ_CHECK(IsValidUtf8(reader.error().message()));
    FUZZ_CHECK(count > 0 || !reader.error().ok());
    FUZZ_CHECK(!reader.next(contact));
}

// The input as a record: its bytes up to each NUL fill one field after the other, cut to the
// field's length; the first byte picks the country.
void readAsRecord(std::string_view input) {
    ContactRecord record;
    ClearContactRecord(record);
    if (input.empty())
        return;
    record.setCountry(static_cast<unsigned char>(input[0]) % kCountryCount);
    input.remove_prefix(1);
    for (std::size_t i = 0; i < kFieldCount && !input.empty(); ++i) {
        const std::size_t nul = std::min(input.find('\0'), input.size());
        record.setText(static_cast<Field>(i), input.substr(0, nul));
        input.remove_prefix(std::min(nul + 1, input.size()));
    }
    checkRoundTrip(record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    readAsImportFile(input);
    readAsRecord(input);
    return 0;
}
