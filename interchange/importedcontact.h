// One contact read from an import file, as the importer shows it before anything is
// written: the record's field values in Windows-1252, what will be cut to fit, what cannot
// be stored at all, and a country name that is not in the country list.
#pragma once

#include "engine/contactrecord.h"

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
    std::string text; // UTF-8, as read
};

struct ImportedContact {
    std::size_t number = 0; // 1 for the first contact of the file
    std::size_t line = 0;   // the line where the contact begins
    // The record's texts in Windows-1252, not yet cut; empty for an unstorable value.
    std::array<std::string, kFieldCount> values;
    std::int32_t country = 0;   // 1..234, or 0 for none
    std::string unknownCountry; // UTF-8: a country the list does not hold, kept out of `country`
    std::vector<CutValue> cuts;
    std::vector<UnstorableValue> unstorable;
    // Why the contact could not be read as a whole (an unknown character set, no END:VCARD);
    // empty when it could.
    std::string problem;

    const std::string& value(Field f) const { return values[static_cast<std::size_t>(f)]; }
    // False when the contact must be skipped: it has a problem or an unstorable value.
    bool storable() const { return problem.empty() && unstorable.empty(); }
    // The main window refuses contacts without a name; the caller decides what to do.
    bool hasName() const { return !value(Field::Name).empty(); }
    void clear();
};

// The UTF-8 texts a reader found for one contact, one per record field, and the country.
struct ContactTexts {
    std::array<std::string, kFieldCount> fields;
    std::string country;

    std::string& operator[](Field f) { return fields[static_cast<std::size_t>(f)]; }
    void clear();
};

// Converts `texts` into the contact's values, cuts, unstorable values and country. Keeps the
// contact's number, line and problem.
void ConvertTexts(const ContactTexts& texts, ImportedContact& contact);

// The index of a country in the country list (1 to 234), ignoring letter case and blanks
// around the name; 0 when the name is not in the list.
std::int32_t MatchCountry(std::string_view utf8Name);

// Clears `record` and fills it from a storable contact, each text cut to its field. Returns
// false, leaving the record clear, for a contact that is not storable.
bool FillRecord(const ImportedContact& contact, ContactRecord& record);

// The field as a person reads it in a message: "e-mail address", "zip code".
const char* FieldLabel(Field field);

// One sentence for each thing the person should know about the contact before it is
// written, in UTF-8: its problem, unstorable values, cuts and unknown country.
std::vector<std::string> DescribeContact(const ImportedContact& contact);

} // namespace quenlark
