#include "interchange/importedcontact.h"

#include "engine/codepage.h"
#include "interchange/textcodec.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

namespace quenlark {

namespace {

constexpr std::array<const char*, kFieldCount> kFieldLabels{{
    "name",
    "e-mail address",
    "second e-mail address",
    "nickname",
    "web site",
    "phone number",
    "mobile number",
    "address",
    "city",
    "zip code",
}};

// Upper-cased country names to their indexes; the list holds no name twice.
const std::unordered_map<std::string, std::int32_t>& countryIndex() {
    static const auto index = [] {
        std::unordered_map<std::string, std::int32_t> map;
        for (int i = 1; i < kCountryCount; ++i)
            map.emplace(ToUpperAscii(kCountries[static_cast<std::size_t>(i)]), i);
        return map;
    }();
    return index;
}

} // namespace

void ImportedContact::clear() {
    number = 0;
    line = 0;
    for (auto& v : values)
        v.clear();
    country = 0;
    unknownCountry.clear();
    cuts.clear();
    unstorable.clear();
    problem.clear();
}

void ContactTexts::clear() {
    for (auto& f : fields)
        f.clear();
    country.clear();
}

std::int32_t MatchCountry(std::string_view utf8Name) {
    const std::string_view name = TrimBlanks(utf8Name);
    if (name.empty())
        return 0;
    // Every name in the list is ASCII, so folding ASCII letters is enough.
    const auto& index = countryIndex();
    const auto it = index.find(ToUpperAscii(name));
    return it == index.end() ? 0 : it->second;
}

void ConvertTexts(const ContactTexts& texts, ImportedContact& contact) {
    contact.cuts.clear();
    contact.unstorable.clear();
    contact.unknownCountry.clear();
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const Field field = static_cast<Field>(i);
        const std::string& text = texts.fields[i];
        std::string& value = contact.values[i];
        value.clear();
        if (text.empty())
            continue;
        // A NUL would end the stored text early, so it counts as a character the database
        // cannot keep.
        if (!Utf8ToCp1252(text, value) || value.find('\0') != std::string::npos) {
            value.clear();
            contact.unstorable.push_back({field, text});
            continue;
        }
        if (value.size() > maxLength(field))
            contact.cuts.push_back({field, value.size(), maxLength(field)});
    }
    contact.country = MatchCountry(texts.country);
    if (contact.country == 0 && !TrimBlanks(texts.country).empty())
        contact.unknownCountry = texts.country;
}

bool FillRecord(const ImportedContact& contact, ContactRecord& record) {
    ClearContactRecord(record);
    if (!contact.storable())
        return false;
    // Windows-1252 has one byte for each character, so a cut at the field's length always
    // falls between characters.
    for (std::size_t i = 0; i < kFieldCount; ++i)
        record.setText(static_cast<Field>(i), contact.values[i]);
    record.setCountry(contact.country);
    return true;
}

const char* FieldLabel(Field field) {
    return kFieldLabels[static_cast<std::size_t>(field)];
}

std::vector<std::string> DescribeContact(const ImportedContact& contact) {
    std::vector<std::string> lines;
    if (!contact.problem.empty())
        lines.push_back(contact.problem);
    for (const auto& u : contact.unstorable)
        lines.push_back(std::string("The ") + FieldLabel(u.field) + " \"" + u.text +
                        "\" holds characters the address book cannot store.");
    for (const auto& c : contact.cuts)
        lines.push_back(std::string("The ") + FieldLabel(c.field) + " is " +
                        std::to_string(c.length) + " characters long and will be cut to " +
                        std::to_string(c.kept) + ".");
    if (!contact.unknownCountry.empty())
        lines.push_back("The country \"" + contact.unknownCountry +
                        "\" is not in the country list and will be left out.");
    return lines;
}

} // namespace quenlark
