#include "interchange/vcardwriter.h"

#include "engine/codepage.h"
#include "interchange/textcodec.h"

#include <sstream>

namespace quenlark {

namespace {

constexpr std::size_t kFoldWidth = 75;
constexpr char kCrlf[] = "\r\n";

std::string countryName(std::int32_t index) {
    if (index < 1 || index >= kCountryCount)
        return {};
    return Cp1252ToUtf8(kCountries[static_cast<std::size_t>(index)]);
}

// Splits a name into family and given name at its last blank: "Ann Marie Lee" gives
// "Lee" and "Ann Marie"; a single word is a given name.
void splitName(std::string_view name, std::string_view& family, std::string_view& given) {
    const std::string_view trimmed = TrimBlanks(name);
    const auto blank = trimmed.find_last_of(" \t");
    if (blank == std::string_view::npos) {
        family = {};
        given = trimmed;
        return;
    }
    family = trimmed.substr(blank + 1);
    given = TrimBlanks(trimmed.substr(0, blank));
}

} // namespace

void AppendVCardEscaped(std::string& out, std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case ',':
            out += "\\,";
            break;
        case ';':
            out += "\\;";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            // vCard has one line break, "\n": a CR LF or a lone CR becomes it.
            out += "\\n";
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n')
                ++i;
            break;
        default:
            out += c;
        }
    }
}

VCardWriter::VCardWriter(std::ostream& out, VCardOptions options) : out_(out), options_(options) {}

void VCardWriter::addProperty(std::string_view nameAndParameters, std::string_view value) {
    line_.assign(nameAndParameters);
    line_ += ':';
    line_ += value;
    // Fold so that no physical line passes 75 octets; a continuation line's leading blank
    // counts, and a UTF-8 sequence is never split.
    std::string_view rest = line_;
    std::size_t width = kFoldWidth;
    while (rest.size() > width) {
        std::size_t cut = Utf8BoundaryAtOrBefore(rest, width);
        if (cut == 0)
            cut = width;
        card_.append(rest.substr(0, cut));
        card_ += kCrlf;
        card_ += ' ';
        rest.remove_prefix(cut);
        width = kFoldWidth - 1;
    }
    card_.append(rest);
    card_ += kCrlf;
}

void VCardWriter::write(const ContactRecord& contact) {
    const bool v4 = options_.version == VCardVersion::V4;
    const ReportFields& chosen = options_.fields;
    auto textOf = [&](ReportField rf) {
        if (!chosen.has(rf))
            return std::string();
        return Cp1252ToUtf8(contact.text(static_cast<Field>(static_cast<int>(rf))));
    };
    std::string value;
    auto escaped = [&](std::string_view text) -> const std::string& {
        value.clear();
        AppendVCardEscaped(value, text);
        return value;
    };

    card_.clear();
    card_ += "BEGIN:VCARD";
    card_ += kCrlf;
    card_ += v4 ? "VERSION:4.0" : "VERSION:3.0";
    card_ += kCrlf;

    const std::string name = textOf(ReportField::Name);
    addProperty("FN", escaped(name));
    std::string_view family, given;
    splitName(name, family, given);
    std::string n;
    AppendVCardEscaped(n, family);
    n += ';';
    AppendVCardEscaped(n, given);
    n += ";;;";
    addProperty("N", n);

    if (const std::string nick = textOf(ReportField::Nickname); !nick.empty())
        addProperty("NICKNAME", escaped(nick));

    const std::string email = textOf(ReportField::Email);
    const std::string email2 = textOf(ReportField::SecondEmail);
    const char* emailName = v4 ? "EMAIL" : "EMAIL;TYPE=INTERNET";
    if (!email.empty())
        addProperty(emailName, escaped(email));
    if (!email2.empty()) {
        if (email.empty())
            addProperty(std::string(emailName) + ';' + kSecondEmailParameter, escaped(email2));
        else
            addProperty(emailName, escaped(email2));
    }

    if (const std::string phone = textOf(ReportField::Phone); !phone.empty())
        addProperty(v4 ? "TEL;TYPE=voice" : "TEL;TYPE=VOICE", escaped(phone));
    if (const std::string mobile = textOf(ReportField::Mobile); !mobile.empty())
        addProperty(v4 ? "TEL;TYPE=cell" : "TEL;TYPE=CELL", escaped(mobile));

    const std::string street = textOf(ReportField::Address);
    const std::string city = textOf(ReportField::City);
    const std::string zip = textOf(ReportField::ZipCode);
    const std::string country =
        chosen.has(ReportField::Country) ? countryName(contact.country()) : std::string();
    if (!street.empty() || !city.empty() || !zip.empty() || !country.empty()) {
        // Post office box; extended address; street; locality; region; postal code; country.
        std::string adr = ";;";
        AppendVCardEscaped(adr, street);
        adr += ';';
        AppendVCardEscaped(adr, city);
        adr += ";;";
        AppendVCardEscaped(adr, zip);
        adr += ';';
        AppendVCardEscaped(adr, country);
        addProperty("ADR", adr);
    }

    if (const std::string web = textOf(ReportField::WebSite); !web.empty()) {
        value.clear();
        AppendUriValue(value, web);
        addProperty("URL", value);
    }

    card_ += "END:VCARD";
    card_ += kCrlf;
    out_.write(card_.data(), static_cast<std::streamsize>(card_.size()));
}

std::string ToVCard(const ContactRecord& contact, VCardOptions options) {
    std::ostringstream out;
    VCardWriter(out, options).write(contact);
    return out.str();
}

} // namespace quenlark
