#include "interchange/vcardwriter.h"

#include "engine/codepage.h"
#include "interchange/storedrecord.h"
#include "interchange/textcodec.h"

#include <sstream>

namespace quenlark {

namespace {

constexpr std::size_t kFoldWidth = 75;
constexpr char kCrlf[] = "\r\n";

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
    const std::size_t n = utf8.size();
    for (std::size_t i = 0; i < n;) {
        // Plain characters go in runs, up to the next one that needs an escape.
        std::size_t run = i;
        while (run < n && utf8[run] != '\\' && utf8[run] != ',' && utf8[run] != ';' &&
               utf8[run] != '\n' && utf8[run] != '\r')
            ++run;
        out.append(utf8.data() + i, run - i);
        if (run == n)
            break;
        i = run;
        switch (utf8[i]) {
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
        default: // '\r'
            // vCard has one line break, "\n": a CR LF or a lone CR becomes it.
            out += "\\n";
            if (i + 1 < n && utf8[i + 1] == '\n')
                ++i;
            break;
        }
        ++i;
    }
}

VCardWriter::VCardWriter(std::ostream& out, VCardOptions options) : out_(out), options_(options) {}

void VCardWriter::addProperty(std::string_view nameAndParameters, std::string_view value) {
    if (nameAndParameters.size() + 1 + value.size() <= kFoldWidth) {
        card_ += nameAndParameters;
        card_ += ':';
        card_ += value;
        card_ += kCrlf;
        return;
    }
    line_.assign(nameAndParameters);
    line_ += ':';
    line_ += value;
    AppendFoldedLine(card_, line_, kCrlf);
}

void VCardWriter::write(const ContactRecord& contact) {
    writeStored(contact.bytes.data());
}

void VCardWriter::writeStored(const char* record) {
    const bool v4 = options_.version == VCardVersion::V4;
    const ReportFields& chosen = options_.fields;
    auto textOf = [&](ReportField rf) -> std::string_view {
        if (!chosen.has(rf))
            return {};
        const auto i = static_cast<std::size_t>(rf);
        return Cp1252AsUtf8(StoredField(record, static_cast<Field>(i)), texts_[i]);
    };
    std::string& value = value_;
    auto escaped = [&](std::string_view text) -> std::string_view {
        value.clear();
        AppendVCardEscaped(value, text);
        return value;
    };

    card_.clear();
    card_ += "BEGIN:VCARD";
    card_ += kCrlf;
    card_ += v4 ? "VERSION:4.0" : "VERSION:3.0";
    card_ += kCrlf;

    const std::string_view name = textOf(ReportField::Name);
    addProperty("FN", escaped(name));
    std::string_view family, given;
    splitName(name, family, given);
    value.clear();
    AppendVCardEscaped(value, family);
    value += ';';
    AppendVCardEscaped(value, given);
    value += ";;;";
    addProperty("N", value);

    if (const std::string_view nick = textOf(ReportField::Nickname); !nick.empty())
        addProperty("NICKNAME", escaped(nick));

    const std::string_view email = textOf(ReportField::Email);
    const std::string_view email2 = textOf(ReportField::SecondEmail);
    const std::string_view emailName = v4 ? "EMAIL" : "EMAIL;TYPE=INTERNET";
    if (!email.empty())
        addProperty(emailName, escaped(email));
    if (!email2.empty()) {
        if (email.empty())
            addProperty(std::string(emailName) + ';' + kSecondEmailParameter, escaped(email2));
        else
            addProperty(emailName, escaped(email2));
    }

    if (const std::string_view phone = textOf(ReportField::Phone); !phone.empty())
        addProperty(v4 ? "TEL;TYPE=voice" : "TEL;TYPE=VOICE", escaped(phone));
    if (const std::string_view mobile = textOf(ReportField::Mobile); !mobile.empty())
        addProperty(v4 ? "TEL;TYPE=cell" : "TEL;TYPE=CELL", escaped(mobile));

    const std::string_view street = textOf(ReportField::Address);
    const std::string_view city = textOf(ReportField::City);
    const std::string_view zip = textOf(ReportField::ZipCode);
    const std::string_view country = chosen.has(ReportField::Country)
                                         ? CountryNameUtf8(StoredCountry(record))
                                         : std::string_view();
    if (!street.empty() || !city.empty() || !zip.empty() || !country.empty()) {
        // Post office box; extended address; street; locality; region; postal code; country.
        value.assign(";;");
        AppendVCardEscaped(value, street);
        value += ';';
        AppendVCardEscaped(value, city);
        value += ";;";
        AppendVCardEscaped(value, zip);
        value += ';';
        AppendVCardEscaped(value, country);
        addProperty("ADR", value);
    }

    if (const std::string_view web = textOf(ReportField::WebSite); !web.empty()) {
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
