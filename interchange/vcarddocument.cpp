#include "interchange/vcarddocument.h"

#include "engine/codepage.h"
#include "interchange/contactreader.h"
#include "interchange/textcodec.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <optional>
#include <random>
#include <sstream>

namespace quenlark {

namespace {

// Splits a parameter list (";A=b;C") into its parameters, quotes respected.
std::vector<std::string_view> splitParameters(std::string_view params) {
    std::vector<std::string_view> out;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= params.size(); ++i) {
        if (i < params.size() && params[i] == '"')
            quoted = !quoted;
        if (i == params.size() || (params[i] == ';' && !quoted)) {
            if (i > start)
                out.push_back(params.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

// The parameter's key in capitals and its value; a bare parameter (vCard 2.1) has no key.
void keyAndValue(std::string_view param, std::string& key, std::string_view& value) {
    const auto eq = param.find('=');
    key = eq == std::string_view::npos ? std::string()
                                       : ToUpperAscii(TrimBlanks(param.substr(0, eq)));
    value = TrimBlanks(eq == std::string_view::npos ? param : param.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
}

// True when the property has this type (TYPE=a,b, or a bare vCard 2.1 type).
bool hasType(const VCardProperty& p, std::string_view type) {
    for (const std::string_view param : splitParameters(p.parameters)) {
        std::string key;
        std::string_view value;
        keyAndValue(param, key, value);
        if (!key.empty() && key != "TYPE")
            continue;
        for (std::size_t at = 0; at <= value.size();) {
            const std::size_t comma = std::min(value.find(',', at), value.size());
            if (EqualsNoCase(TrimBlanks(value.substr(at, comma - at)), type))
                return true;
            at = comma + 1;
        }
    }
    return false;
}

// The text as the book would store it in `field`: Windows-1252, cut to the field's length.
std::optional<std::string> storedForm(std::string_view utf8, Field field) {
    std::string bytes;
    if (!Utf8ToCp1252(utf8, bytes) || bytes.find('\0') != std::string::npos)
        return std::nullopt;
    bytes.resize(std::min(bytes.size(), maxLength(field)));
    return bytes;
}

std::string utf8Of(const ContactRecord& r, Field f) {
    return Cp1252ToUtf8(r.text(f));
}

std::string countryName(std::int32_t index) {
    if (index < 1 || index >= kCountryCount)
        return {};
    return Cp1252ToUtf8(kCountries[static_cast<std::size_t>(index)]);
}

// The value's parts split at unescaped semicolons, escapes kept.
std::vector<std::string> rawParts(std::string_view value) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            parts.back() += value.substr(i, 2);
            ++i;
        } else if (value[i] == ';') {
            parts.emplace_back();
        } else {
            parts.back() += value[i];
        }
    }
    return parts;
}

std::string joinParts(const std::vector<std::string>& parts) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i ? ";" : "") + parts[i];
    return out;
}

std::string nowAsRev() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

// A telephone value without the "tel:" of a URI value.
std::string_view telNumber(std::string_view value) {
    return StartsWithNoCase(value, "tel:") ? value.substr(4) : value;
}

} // namespace

bool DecodeVCardValue(const VCardProperty& p, bool v21, bool split,
                      std::vector<std::string>& parts) {
    bool qp = false;
    Charset charset = Charset::Utf8;
    for (const std::string_view param : splitParameters(p.parameters)) {
        std::string key;
        std::string_view value;
        keyAndValue(param, key, value);
        if ((key.empty() || key == "ENCODING") && EqualsNoCase(value, "QUOTED-PRINTABLE"))
            qp = true;
        else if ((key.empty() || key == "ENCODING") &&
                 (EqualsNoCase(value, "BASE64") || EqualsNoCase(value, "B")))
            return false;
        else if (key == "CHARSET")
            charset = CharsetFromName(value);
    }
    if (charset == Charset::Unsupported)
        return false;
    std::string text = p.value;
    if (qp)
        DecodeQuotedPrintable(text);
    if (charset != Charset::Utf8) {
        std::string converted;
        if (!DecodeToUtf8(text, charset, converted))
            return false;
        text.swap(converted);
    } else if (!IsValidUtf8(text)) {
        return false;
    }
    if (qp)
        CrLfToLf(text);
    std::vector<std::string_view> views;
    UnescapeVCardValue(text, 0, v21, split, views);
    parts.assign(views.begin(), views.end());
    return true;
}

std::string NewVCardUid() {
    std::random_device device;
    std::uint8_t bytes[16];
    for (std::size_t i = 0; i < sizeof bytes; i += 4) {
        const std::uint32_t word = device();
        for (std::size_t k = 0; k < 4; ++k)
            bytes[i + k] = std::uint8_t(word >> (8 * k));
    }
    bytes[6] = std::uint8_t((bytes[6] & 0x0F) | 0x40);
    bytes[8] = std::uint8_t((bytes[8] & 0x3F) | 0x80);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string uid;
    for (std::size_t i = 0; i < sizeof bytes; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            uid += '-';
        uid += kHex[bytes[i] >> 4];
        uid += kHex[bytes[i] & 0x0F];
    }
    return uid;
}

Result VCardDocument::Parse(std::string_view text, VCardDocument& out) {
    out = VCardDocument();
    const auto malformed = [](const char* why) { return Result::Fail(Failure::Malformed, why); };
    // Physical lines with their ends; a byte order mark stays in front of them as it was.
    std::size_t pos = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        out.props_.emplace_back().raw = std::string(text.substr(0, 3));
        pos = 3;
    }
    bool firstLine = true;
    VCardProperty* current = nullptr;
    std::string logical;
    const auto finish = [&] {
        if (!current)
            return;
        VCardProperty& p = *current;
        std::size_t i = 0;
        while (i < logical.size() && logical[i] != ';' && logical[i] != ':')
            ++i;
        std::size_t colon = std::string::npos;
        bool quoted = false;
        for (std::size_t k = i; k < logical.size(); ++k) {
            if (logical[k] == '"')
                quoted = !quoted;
            else if (logical[k] == ':' && !quoted) {
                colon = k;
                break;
            }
        }
        if (colon == std::string::npos)
            return; // no property: kept as it is, without a name
        std::string_view name = TrimBlanks(std::string_view(logical).substr(0, i));
        if (const auto dot = name.rfind('.'); dot != std::string_view::npos) {
            p.group = std::string(name.substr(0, dot));
            name.remove_prefix(dot + 1);
        }
        p.name = ToUpperAscii(name);
        p.parameters = logical.substr(i, colon - i);
        p.value = logical.substr(colon + 1);
    };
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        std::size_t next = end;
        if (end == std::string_view::npos)
            end = next = text.size();
        else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            next = end + 2;
        else
            next = end + 1;
        const std::string_view line = text.substr(pos, end - pos);
        const std::string_view ending = text.substr(end, next - end);
        if (firstLine && !ending.empty())
            out.lineEnd_ = std::string(ending);
        firstLine = false;
        const bool folded = current && !line.empty() && (line[0] == ' ' || line[0] == '\t');
        // A quoted-printable value goes on after "=" at the end of a line.
        const bool softBreak = current && !logical.empty() && logical.back() == '=' &&
                               ToUpperAscii(logical).find("QUOTED-PRINTABLE") != std::string::npos;
        if (folded || softBreak) {
            current->raw.append(text.substr(pos, next - pos));
            if (folded)
                logical.append(line.substr(1));
            else
                logical.append(ending).append(line);
        } else {
            finish();
            current = &out.props_.emplace_back();
            current->raw = std::string(text.substr(pos, next - pos));
            logical.assign(line);
        }
        pos = next;
    }
    finish();

    // Exactly one vCard, with nothing but blank lines around it.
    int depth = 0;
    bool begun = false, ended = false;
    for (VCardProperty& p : out.props_) {
        if (p.name.empty()) {
            if (!TrimBlanks(p.raw).empty() &&
                p.raw.find_first_not_of(" \t\r\n") != std::string::npos)
                p.nested = true;
            continue;
        }
        if (ended)
            return malformed("The text holds more than one vCard.");
        const bool vcard = EqualsNoCase(TrimBlanks(p.value), "VCARD");
        if (p.name == "BEGIN" && vcard) {
            if (depth == 0 && begun)
                return malformed("The text holds more than one vCard.");
            begun = true;
            p.nested = true;
            ++depth;
        } else if (p.name == "END" && vcard) {
            p.nested = true;
            if (--depth < 0)
                return malformed("END:VCARD without BEGIN:VCARD.");
            ended = depth == 0;
        } else if (!begun) {
            return malformed("The text does not begin with BEGIN:VCARD.");
        } else {
            p.nested = depth > 1;
        }
    }
    if (!begun || !ended)
        return malformed("The vCard is not closed by END:VCARD.");
    if (const VCardProperty* v = out.first("VERSION")) {
        const std::string_view version = TrimBlanks(v->value);
        out.v21_ = version == "2.1";
        out.v4_ = version == "4.0";
    }
    return {};
}

VCardDocument VCardDocument::Create(const ContactRecord& record, VCardVersion version,
                                    std::string_view uid) {
    VCardDocument doc;
    (void)Parse(ToVCard(record, {version, ReportFields::All()}), doc);
    doc.setUid(uid);
    doc.add("REV", "", nowAsRev());
    return doc;
}

Result VCardDocument::read(ImportedContact& contact) const {
    std::istringstream in(text());
    ContactReader reader(in);
    if (!reader.next(contact)) {
        if (reader.canReadAsWindows1252() && reader.restartAsWindows1252() && reader.next(contact))
            return {};
        return reader.error().ok() ? Result::Fail(Failure::NoContacts, "The vCard holds no contact")
                                   : reader.error();
    }
    return {};
}

VCardProperty* VCardDocument::first(std::string_view name) {
    for (VCardProperty& p : props_)
        if (!p.nested && !p.removed && p.name == name)
            return &p;
    return nullptr;
}

const VCardProperty* VCardDocument::first(std::string_view name) const {
    return const_cast<VCardDocument*>(this)->first(name);
}

std::string VCardDocument::escaped(std::string_view utf8) const {
    std::string out;
    if (!v21_) {
        AppendVCardEscaped(out, utf8);
        return out;
    }
    // vCard 2.1 escapes the semicolon only, and has no escape for a line break.
    for (const char c : utf8)
        out += c == ';'                 ? std::string("\\;")
               : c == '\r' || c == '\n' ? std::string(" ")
                                        : std::string(1, c);
    return out;
}

void VCardDocument::set(VCardProperty& p, const std::string& value) {
    // The new value is plain UTF-8 text: the encoding and character set go.
    std::string params;
    for (const std::string_view param : splitParameters(p.parameters)) {
        std::string key;
        std::string_view v;
        keyAndValue(param, key, v);
        if (key == "CHARSET" || key == "ENCODING" ||
            (key.empty() && (EqualsNoCase(v, "QUOTED-PRINTABLE") || EqualsNoCase(v, "BASE64") ||
                             EqualsNoCase(v, "8BIT"))))
            continue;
        params += ';';
        params += param;
    }
    if (v21_ && HasNonAscii(value))
        params += ";CHARSET=UTF-8";
    p.parameters = params;
    p.value = value;
    p.changed = true;
    p.removed = false;
}

void VCardDocument::add(std::string_view name, std::string_view parameters,
                        const std::string& value) {
    // Before the END:VCARD that closes the vCard: the last property with a name.
    auto at = props_.end();
    for (auto it = props_.begin(); it != props_.end(); ++it)
        if (it->name == "END")
            at = it;
    VCardProperty p;
    p.name = std::string(name);
    p.parameters = std::string(parameters);
    p.value = value;
    p.changed = true;
    props_.insert(at, std::move(p));
}

void VCardDocument::setUid(std::string_view uid) {
    if (VCardProperty* p = first("UID"))
        set(*p, std::string(uid));
    else
        add("UID", "", std::string(uid));
}

std::string VCardDocument::uid() const {
    const VCardProperty* p = first("UID");
    return p ? std::string(TrimBlanks(p->value)) : std::string();
}

std::string VCardDocument::rev() const {
    const VCardProperty* p = first("REV");
    return p ? std::string(TrimBlanks(p->value)) : std::string();
}

VCardVersion VCardDocument::version() const {
    return v4_ ? VCardVersion::V4 : VCardVersion::V3;
}

std::string VCardDocument::text() const {
    std::string out;
    for (const VCardProperty& p : props_) {
        if (p.removed)
            continue;
        if (!p.changed) {
            out += p.raw;
            continue;
        }
        std::string line = p.group.empty() ? p.name : p.group + "." + p.name;
        line += p.parameters;
        line += ':';
        line += p.value;
        AppendFoldedLine(out, line, lineEnd_);
    }
    return out;
}

void VCardDocument::updateName(const std::string& name) {
    const std::string utf8 = Cp1252ToUtf8(name);
    // The FN read is the first with a name, else the first.
    VCardProperty* fn = nullptr;
    std::vector<std::string> parts;
    for (VCardProperty& p : props_) {
        if (p.nested || p.removed || p.name != "FN")
            continue;
        if (DecodeVCardValue(p, v21_, false, parts) && !parts[0].empty()) {
            fn = &p;
            break;
        }
        if (!fn)
            fn = &p;
    }
    if (fn)
        set(*fn, escaped(utf8));
    else
        add("FN", "", escaped(utf8));
    VCardProperty* n = first("N");
    if (!n)
        return;
    // Family name after the last blank, as the export writes it; prefix and suffix stay.
    const std::string_view trimmed = TrimBlanks(utf8);
    const auto blank = trimmed.find_last_of(" \t");
    const std::string_view family =
        blank == std::string_view::npos ? "" : trimmed.substr(blank + 1);
    const std::string_view given =
        blank == std::string_view::npos ? trimmed : TrimBlanks(trimmed.substr(0, blank));
    std::vector<std::string> old = rawParts(n->value);
    if (n->changed || !DecodeVCardValue(*n, v21_, true, parts))
        old.assign(5, "");
    old.resize(std::max<std::size_t>(old.size(), 5));
    old[0] = escaped(family);
    old[1] = escaped(given);
    old[2].clear();
    set(*n, joinParts(old));
}

void VCardDocument::updateSingle(std::string_view property, const std::string& before,
                                 const std::string& after, Field field) {
    const bool uri = property == "URL";
    VCardProperty* found = nullptr;
    std::vector<std::string> parts;
    for (VCardProperty& p : props_) {
        if (p.nested || p.removed || p.name != property || !DecodeVCardValue(p, v21_, false, parts))
            continue;
        const std::string value = uri ? DecodeUriDelimiters(parts[0]) : parts[0];
        if (value.empty())
            continue;
        if (storedForm(value, field) == before)
            found = &p;
        break; // only the first with a value is read
    }
    std::string value;
    if (uri)
        AppendUriValue(value, Cp1252ToUtf8(after));
    else
        value = escaped(Cp1252ToUtf8(after));
    if (found && after.empty())
        found->removed = true;
    else if (found)
        set(*found, value);
    else if (!after.empty())
        add(property, "", value);
}

void VCardDocument::updateEmails(const ContactRecord& before, const ContactRecord& after) {
    std::vector<VCardProperty*> claimed;
    std::vector<std::string> parts;
    for (const Field slot : {Field::Email, Field::SecondEmail}) {
        const std::string b = before.text(slot), a = after.text(slot);
        if (a == b)
            continue;
        VCardProperty* found = nullptr;
        for (VCardProperty& p : props_)
            if (!b.empty() && !p.nested && !p.removed && p.name == "EMAIL" &&
                std::find(claimed.begin(), claimed.end(), &p) == claimed.end() &&
                DecodeVCardValue(p, v21_, false, parts) && storedForm(parts[0], slot) == b) {
                found = &p;
                break;
            }
        if (found) {
            claimed.push_back(found);
            if (a.empty())
                found->removed = true;
            else
                set(*found, escaped(Cp1252ToUtf8(a)));
        } else if (!a.empty()) {
            std::string params = v4_ ? "" : ";TYPE=INTERNET";
            if (slot == Field::SecondEmail && after.text(Field::Email).empty())
                params += std::string(";") + kSecondEmailParameter;
            add("EMAIL", params, escaped(Cp1252ToUtf8(a)));
            claimed.push_back(nullptr);
        }
    }
}

void VCardDocument::updatePhones(const ContactRecord& before, const ContactRecord& after) {
    std::vector<std::string> parts;
    for (const Field slot : {Field::Phone, Field::Mobile}) {
        const std::string b = before.text(slot), a = after.text(slot);
        if (a == b)
            continue;
        const bool cell = slot == Field::Mobile;
        VCardProperty* found = nullptr;
        VCardProperty* fallback = nullptr;
        for (VCardProperty& p : props_) {
            if (b.empty() || p.nested || p.removed || p.name != "TEL" ||
                !DecodeVCardValue(p, v21_, false, parts) ||
                storedForm(telNumber(parts[0]), slot) != b)
                continue;
            if (hasType(p, "CELL") == cell) {
                found = &p;
                break;
            }
            if (!fallback)
                fallback = &p;
        }
        if (!found)
            found = fallback;
        if (found && a.empty()) {
            found->removed = true;
        } else if (found) {
            const bool uriForm = StartsWithNoCase(TrimBlanks(found->value), "tel:");
            set(*found, (uriForm ? "tel:" : "") + escaped(Cp1252ToUtf8(a)));
        } else if (!a.empty()) {
            const char* params =
                cell ? (v4_ ? ";TYPE=cell" : ";TYPE=CELL") : (v4_ ? ";TYPE=voice" : ";TYPE=VOICE");
            add("TEL", params, escaped(Cp1252ToUtf8(a)));
        }
    }
}

void VCardDocument::updateAddress(const ContactRecord& before, const ContactRecord& after) {
    const Field fields[] = {Field::Address, Field::City, Field::ZipCode};
    bool same = before.country() == after.country();
    for (const Field f : fields)
        same = same && before.text(f) == after.text(f);
    if (same)
        return;
    // The address the book holds: the one whose street, city and zip code it shows, else the
    // preferred one, as the importer picks it.
    VCardProperty* found = nullptr;
    std::vector<std::string> parts;
    for (VCardProperty& p : props_) {
        if (p.nested || p.removed || p.name != "ADR" || !DecodeVCardValue(p, v21_, true, parts))
            continue;
        parts.resize(std::max<std::size_t>(parts.size(), 7));
        std::string street;
        for (const std::size_t k : {std::size_t(2), std::size_t(1), std::size_t(0)})
            if (!parts[k].empty())
                street += (street.empty() ? "" : ", ") + parts[k];
        if (storedForm(street, Field::Address) == before.text(Field::Address) &&
            storedForm(parts[3], Field::City) == before.text(Field::City) &&
            storedForm(parts[5], Field::ZipCode) == before.text(Field::ZipCode)) {
            found = &p;
            break;
        }
        if (!found && (hasType(p, "PREF") || p.parameters.find("PREF=1") != std::string::npos))
            found = &p;
    }
    if (!found)
        found = first("ADR");
    std::vector<std::string> adr(7);
    const bool plain = found && DecodeVCardValue(*found, v21_, true, parts) &&
                       ToUpperAscii(found->parameters).find("QUOTED") == std::string::npos &&
                       ToUpperAscii(found->parameters).find("CHARSET") == std::string::npos;
    if (found && plain) {
        adr = rawParts(found->value);
    } else if (found) {
        // An encoded value is written again as plain text, every part of it.
        DecodeVCardValue(*found, v21_, true, parts);
        adr.clear();
        for (const std::string& part : parts)
            adr.push_back(escaped(part));
    }
    adr.resize(std::max<std::size_t>(adr.size(), 7));
    if (before.text(Field::Address) != after.text(Field::Address)) {
        adr[0].clear();
        adr[1].clear();
        adr[2] = escaped(utf8Of(after, Field::Address));
    }
    if (before.text(Field::City) != after.text(Field::City))
        adr[3] = escaped(utf8Of(after, Field::City));
    if (before.text(Field::ZipCode) != after.text(Field::ZipCode))
        adr[5] = escaped(utf8Of(after, Field::ZipCode));
    if (before.country() != after.country())
        adr[6] = escaped(countryName(after.country()));
    const bool empty = std::all_of(adr.begin(), adr.end(),
                                   [](const std::string& s) { return TrimBlanks(s).empty(); });
    if (found && empty)
        found->removed = true;
    else if (found)
        set(*found, joinParts(adr));
    else if (!empty)
        add("ADR", "", joinParts(adr));
}

void VCardDocument::update(const ContactRecord& before, const ContactRecord& after) {
    if (SameContact(before, after))
        return;
    if (before.text(Field::Name) != after.text(Field::Name))
        updateName(after.text(Field::Name));
    if (before.text(Field::Nickname) != after.text(Field::Nickname))
        updateSingle("NICKNAME", before.text(Field::Nickname), after.text(Field::Nickname),
                     Field::Nickname);
    if (before.text(Field::WebSite) != after.text(Field::WebSite))
        updateSingle("URL", before.text(Field::WebSite), after.text(Field::WebSite),
                     Field::WebSite);
    updateEmails(before, after);
    updatePhones(before, after);
    updateAddress(before, after);
    if (VCardProperty* rev = first("REV"))
        set(*rev, nowAsRev());
    else
        add("REV", "", nowAsRev());
}

} // namespace quenlark
