// One contact read from an import file, as the importer shows it before anything is
// written: the record's field values in Windows-1252, what will be cut to fit, what cannot
// be stored at all, a country name that is not in the country list, and what the file held
// that the record has no field for.
#pragma once

#include "engine/contactrecord.h"
#include "interchange/countrynames.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quenlark {

// A value longer than its field: it keeps its first `kept` characters.
struct CutValue {
    Field field;
    std::size_t length;
    std::size_t kept;
};

// A value holding a character the database cannot keep (outside Windows-1252, or a NUL).
struct UnstorableValue {
    Field field;
    std::string text; // UTF-8, as read; a long value only in its beginning, with "..."
};

// What a file may hold that the record has no field for, counted so that the person is told.
enum class LeftOut {
    Email,        // a third and further e-mail address
    Phone,        // a telephone number beyond the phone and the mobile
    Fax,          // a fax number
    Address,      // an address beyond the first
    Region,       // the region (state, province) of the address kept
    WebSite,      // a web site beyond the first
    Organization, // the organization of a contact that has a name of its own
    Birthday,
    Note,
    Category,
    Photo,
    Other,    // anything else: a job title, an anniversary, a chat address, X- properties
    Oversize, // a value too long to read at all (longer than kMaxValueBytes)
};
inline constexpr std::size_t kLeftOutKinds = 13;
using LeftOutCounts = std::array<std::size_t, kLeftOutKinds>;

// The longest value read; a longer one is left out (LeftOut::Oversize) rather than refusing
// the file.
inline constexpr std::size_t kMaxValueBytes = std::size_t(32) << 20;

struct ImportedContact {
    std::size_t number = 0; // 1 for the first contact of the file
    std::size_t line = 0;   // the line where the contact begins
    // The record's texts in Windows-1252, already cut to their fields; empty for an
    // unstorable value.
    std::array<std::string, kFieldCount> values;
    std::int32_t country = 0;   // 1..234, or 0 for none
    std::string unknownCountry; // UTF-8: a country the list does not hold, kept out of `country`
    std::vector<CutValue> cuts;
    std::vector<UnstorableValue> unstorable;
    LeftOutCounts leftOut{};
    // Why the contact could not be read as a whole (an unknown character set, no END:VCARD);
    // empty when it could.
    std::string problem;

    const std::string& value(Field f) const { return values[static_cast<std::size_t>(f)]; }
    // False when the contact must be skipped: it has a problem or an unstorable value.
    bool storable() const { return problem.empty() && unstorable.empty(); }
    // The main window refuses contacts without a name; the caller decides what to do.
    bool hasName() const { return !value(Field::Name).empty(); }
    void leave(LeftOut what, std::size_t count = 1) {
        leftOut[static_cast<std::size_t>(what)] += count;
    }
    void clear();
};

// The UTF-8 texts a reader found for one contact, one per record field, and the country:
// views of the reader's own buffers, valid while it converts the contact.
struct ContactTexts {
    std::array<std::string_view, kFieldCount> fields;
    std::string_view country;

    std::string_view& operator[](Field f) { return fields[static_cast<std::size_t>(f)]; }
    void clear();
};

// Converts `texts` into the contact's values, cuts, unstorable values and country. Keeps the
// contact's number, line, problem and what it leaves out.
void ConvertTexts(const ContactTexts& texts, ImportedContact& contact);

// Clears `record` and fills it from a storable contact. Returns false, leaving the record
// clear, for a contact that is not storable.
bool FillRecord(const ImportedContact& contact, ContactRecord& record);

// The field as a person reads it in a message: "e-mail address", "zip code".
const char* FieldLabel(Field field);

// "3 further e-mail addresses", "1 photo": a count of what was left out, for a message.
std::string DescribeLeftOut(LeftOut what, std::size_t count);
// The counts that are not zero, in the order of LeftOut, joined as a sentence's list:
// "2 birthdays, 1 photo and 3 further e-mail addresses"; empty when nothing was left out.
std::string ListLeftOut(const LeftOutCounts& counts);

// One sentence for each thing the person should know about the contact before it is
// written, in UTF-8: its problem, unstorable values, cuts, unknown country and what is not
// stored.
std::vector<std::string> DescribeContact(const ImportedContact& contact);

// A count and a noun in its singular or plural form: "1 contact", "4 contacts".
std::string CountOf(std::size_t count, std::string_view singular, std::string_view plural);

} // namespace quenlark
