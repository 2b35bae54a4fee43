#include "interchange/importedcontact.h"

#include "engine/codepage.h"
#include "interchange/textcodec.h"

#include <cstdint>
#include <cstring>
#include <string>

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

struct Noun {
    const char* singular;
    const char* plural;
};
constexpr std::array<Noun, kLeftOutKinds> kLeftOutNouns{{
    {"further e-mail address", "further e-mail addresses"},
    {"further phone number", "further phone numbers"},
    {"fax number", "fax numbers"},
    {"further address", "further addresses"},
    {"region", "regions"},
    {"further web site", "further web sites"},
    {"organization", "organizations"},
    {"birthday", "birthdays"},
    {"note", "notes"},
    {"category", "categories"},
    {"photo", "photos"},
    {"other detail", "other details"},
    {"value longer than 32 MiB", "values longer than 32 MiB"},
}};

// The characters shown of a long value in a message.
constexpr std::size_t kShownCharacters = 80;

// The beginning of a long text for a message, whole characters only.
std::string shortened(std::string_view utf8) {
    std::size_t at = 0;
    for (std::size_t n = 0; at < utf8.size() && n < kShownCharacters; ++n)
        NextCodePoint(utf8, at);
    if (at >= utf8.size())
        return std::string(utf8);
    return std::string(utf8.substr(0, at)) + "...";
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
    leftOut.fill(0);
    problem.clear();
}

void ContactTexts::clear() {
    fields.fill({});
    country = {};
}

std::string CountOf(std::size_t count, std::string_view singular, std::string_view plural) {
    return std::to_string(count) + ' ' + std::string(count == 1 ? singular : plural);
}

void ConvertTexts(const ContactTexts& texts, ImportedContact& contact) {
    contact.cuts.clear();
    contact.unstorable.clear();
    contact.unknownCountry.clear();
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const Field field = static_cast<Field>(i);
        const std::string_view text = texts.fields[i];
        std::string& value = contact.values[i];
        value.clear();
        if (text.empty())
            continue;
        // Only the characters the field keeps are held; the rest are counted and checked,
        // in one pass. A NUL would end the stored text early, so it counts as a character
        // the database cannot keep.
        const std::size_t keep = maxLength(field);
        const std::size_t n = text.size();
        if (IsAsciiWithoutNul(text)) {
            // Plain ASCII: a byte is a character, and one the database keeps as it is.
            value.assign(text.substr(0, keep));
            if (n > keep)
                contact.cuts.push_back({field, n, keep});
            continue;
        }
        constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
        std::size_t length = 0;
        bool storable = true;
        for (std::size_t at = 0; at < n;) {
            if (value.size() >= keep) {
                // Past what is kept, plain ASCII is only counted, eight bytes at a time.
                for (; at + 8 <= n; at += 8, length += 8) {
                    std::uint64_t word;
                    std::memcpy(&word, text.data() + at, 8);
                    if ((word & kHighs) || ((word - kOnes) & ~word & kHighs))
                        break;
                }
                if (at >= n)
                    break;
            }
            int byte = static_cast<unsigned char>(text[at]);
            if (byte >= 0xC2 && byte <= 0xDF && at + 1 < n &&
                (static_cast<unsigned char>(text[at + 1]) & 0xC0) == 0x80) {
                // Two bytes, the most common: Windows-1252 keeps U+00A0 to U+00FF as they are.
                const char32_t cp = char32_t((byte & 0x1F) << 6) |
                                    (static_cast<unsigned char>(text[at + 1]) & 0x3F);
                byte = cp >= 0xA0 && cp <= 0xFF ? int(cp) : UnicodeToCp1252(cp);
                at += 2;
            } else if (byte >= 0x80) {
                // A character of several bytes: valid UTF-8, and one Windows-1252 has.
                char32_t cp = 0;
                byte = NextValidCodePoint(text, at, cp) ? UnicodeToCp1252(cp) : -1;
            } else {
                ++at;
            }
            if (byte <= 0) {
                storable = false;
                break;
            }
            ++length;
            if (value.size() < keep)
                value += static_cast<char>(byte);
        }
        if (!storable) {
            value.clear();
            contact.unstorable.push_back({field, shortened(text)});
            continue;
        }
        if (length > keep)
            contact.cuts.push_back({field, length, keep});
    }
    contact.country = MatchCountry(texts.country);
    if (contact.country == 0 && !TrimBlanks(texts.country).empty())
        contact.unknownCountry = shortened(texts.country);
}

bool FillRecord(const ImportedContact& contact, ContactRecord& record) {
    if (!contact.storable()) {
        ClearContactRecord(record);
        return false;
    }
    // The fields and the country cover the whole record: each is written with the rest of
    // its slot cleared.
    for (std::size_t i = 0; i < kFieldCount; ++i)
        record.setText(static_cast<Field>(i), contact.values[i]);
    record.setCountry(contact.country);
    return true;
}

const char* FieldLabel(Field field) {
    return kFieldLabels[static_cast<std::size_t>(field)];
}

std::string DescribeLeftOut(LeftOut what, std::size_t count) {
    const Noun& noun = kLeftOutNouns[static_cast<std::size_t>(what)];
    return CountOf(count, noun.singular, noun.plural);
}

std::string ListLeftOut(const LeftOutCounts& counts) {
    std::vector<std::string> items;
    for (std::size_t k = 0; k < kLeftOutKinds; ++k)
        if (counts[k])
            items.push_back(DescribeLeftOut(static_cast<LeftOut>(k), counts[k]));
    std::string list;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k > 0)
            list += k + 1 == items.size() ? " and " : ", ";
        list += items[k];
    }
    return list;
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
    if (contact.storable()) {
        std::size_t total = 0;
        for (std::size_t n : contact.leftOut)
            total += n;
        if (total > 0)
            lines.push_back("Not stored: " + ListLeftOut(contact.leftOut) + ".");
    }
    return lines;
}

} // namespace quenlark
