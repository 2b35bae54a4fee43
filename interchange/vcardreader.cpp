#include "interchange/vcardreader.h"

#include "interchange/textcodec.h"

#include <algorithm>
#include <charconv>

namespace quenlark {

namespace {

using Kind = VCardReader::Kind;
using Property = VCardReader::Property;

// A logical line longer than this is not a contact's text; only the properties kept are
// counted, so a large photo does not reach it.
constexpr std::size_t kMaxLogicalLine = 16u << 20;
// More properties than this in one vCard flag the contact rather than slow the reader down.
constexpr std::size_t kMaxProperties = 10000;

enum class LineKind { Begin, End, Kept, Other };

Kind kindOf(std::string_view name, LineKind& lineKind) {
    struct Entry {
        const char* name;
        Kind kind;
    };
    static constexpr Entry kKinds[] = {
        {"FN", Kind::Fn},           {"N", Kind::N},
        {"ORG", Kind::Org},         {"NICKNAME", Kind::Nickname},
        {"EMAIL", Kind::Email},     {"TEL", Kind::Tel},
        {"ADR", Kind::Adr},         {"URL", Kind::Url},
        {"VERSION", Kind::Version}, {"AGENT", Kind::Agent},
    };
    lineKind = LineKind::Other;
    if (EqualsNoCase(name, "BEGIN")) {
        lineKind = LineKind::Begin;
        return Kind::Other;
    }
    if (EqualsNoCase(name, "END")) {
        lineKind = LineKind::End;
        return Kind::Other;
    }
    for (const Entry& e : kKinds)
        if (EqualsNoCase(name, e.name)) {
            lineKind = LineKind::Kept;
            return e.kind;
        }
    return Kind::Other;
}

// The parts of a content line "group.NAME;PARAM=a,b;PARAM:value".
struct ContentLine {
    std::string_view name;
    std::string_view value;
    LineKind lineKind = LineKind::Other;
    Kind kind = Kind::Other;
};

void applyParameter(std::string_view key, std::string_view value, bool bare, Property* p) {
    if (!p)
        return;
    if (bare) {
        // vCard 2.1 names types and encodings without "TYPE=" and "ENCODING=".
        if (EqualsNoCase(value, "QUOTED-PRINTABLE"))
            p->quotedPrintable = true;
        else if (EqualsNoCase(value, "BASE64"))
            p->base64 = true;
        else if (EqualsNoCase(value, "PREF"))
            p->pref = 1;
        else if (!EqualsNoCase(value, "8BIT") && !EqualsNoCase(value, "7BIT"))
            p->types.push_back(ToUpperAscii(value));
        return;
    }
    if (EqualsNoCase(key, "TYPE")) {
        // A quoted list, TYPE="work,voice", holds several types in one value.
        for (std::size_t at = 0; at <= value.size();) {
            const std::size_t comma = std::min(value.find(',', at), value.size());
            const std::string_view type = TrimBlanks(value.substr(at, comma - at));
            if (EqualsNoCase(type, "PREF"))
                p->pref = std::min(p->pref, 1);
            else if (!type.empty())
                p->types.push_back(ToUpperAscii(type));
            at = comma + 1;
        }
    } else if (EqualsNoCase(key, "PREF")) {
        int n = 0;
        const auto r = std::from_chars(value.data(), value.data() + value.size(), n);
        if (r.ec == std::errc() && n >= 1 && n <= 100)
            p->pref = std::min(p->pref, n);
    } else if (EqualsNoCase(key, "ENCODING")) {
        if (EqualsNoCase(value, "QUOTED-PRINTABLE"))
            p->quotedPrintable = true;
        else if (EqualsNoCase(value, "B") || EqualsNoCase(value, "BASE64"))
            p->base64 = true;
    } else if (EqualsNoCase(key, "CHARSET")) {
        p->hasCharset = true;
        p->charset.assign(value);
    } else if (EqualsNoCase(key, "VALUE")) {
        p->uriValue = EqualsNoCase(value, "URI");
    } else if (EqualsNoCase(key, "X-QUENLARK-SLOT")) {
        p->secondSlot = value == "2";
    }
}

// Splits a content line; fills `p`'s parameters when given. False without a colon.
bool parseContentLine(std::string_view text, ContentLine& out, Property* p) {
    std::size_t i = 0;
    while (i < text.size() && text[i] != ';' && text[i] != ':')
        ++i;
    if (i == text.size())
        return false;
    std::string_view name = TrimBlanks(text.substr(0, i));
    if (const auto dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1); // a group: "item1.EMAIL"
    out.name = name;
    out.kind = kindOf(name, out.lineKind);
    if (p) {
        p->kind = out.kind;
        p->types.clear();
        p->pref = 101;
        p->quotedPrintable = p->base64 = p->uriValue = p->secondSlot = p->hasCharset = false;
        p->charset.clear();
    }
    while (i < text.size() && text[i] == ';') {
        ++i;
        const std::size_t keyStart = i;
        while (i < text.size() && text[i] != '=' && text[i] != ';' && text[i] != ':')
            ++i;
        if (i == text.size())
            return false;
        const std::string_view key = TrimBlanks(text.substr(keyStart, i - keyStart));
        if (text[i] != '=') {
            applyParameter({}, key, true, p);
            continue;
        }
        // Values separated by commas, each possibly in double quotes.
        do {
            ++i;
            std::string_view value;
            if (i < text.size() && text[i] == '"') {
                const auto close = text.find('"', i + 1);
                if (close == std::string_view::npos)
                    return false;
                value = text.substr(i + 1, close - i - 1);
                i = close + 1;
                while (i < text.size() && text[i] != ',' && text[i] != ';' && text[i] != ':')
                    ++i;
            } else {
                const std::size_t start = i;
                while (i < text.size() && text[i] != ',' && text[i] != ';' && text[i] != ':')
                    ++i;
                value = TrimBlanks(text.substr(start, i - start));
            }
            if (i == text.size())
                return false;
            applyParameter(key, value, false, p);
        } while (text[i] == ',');
    }
    if (i >= text.size() || text[i] != ':')
        return false;
    out.value = text.substr(i + 1);
    return true;
}

bool isBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t\x1A") == std::string_view::npos;
}

// Removes vCard escapes and splits at unescaped semicolons when `split` is set. vCard 2.1
// escapes only the semicolon; later versions also the backslash, the comma and line breaks.
void unescape(std::string_view text, bool v21, bool split, std::vector<std::string>& parts) {
    parts.clear();
    parts.emplace_back();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ';' && split) {
            parts.emplace_back();
            continue;
        }
        if (c != '\\' || i + 1 == text.size()) {
            parts.back() += c;
            continue;
        }
        const char e = text[i + 1];
        if (e == ';') {
            parts.back() += ';';
        } else if (v21) {
            parts.back() += c;
            continue;
        } else if (e == '\\' || e == ',') {
            parts.back() += e;
        } else if (e == 'n' || e == 'N') {
            parts.back() += '\n';
        } else if (e == 'r') {
            parts.back() += '\r';
        } else {
            parts.back() += c;
            continue;
        }
        ++i;
    }
}

std::string_view part(const std::vector<std::string>& parts, std::size_t i) {
    return i < parts.size() ? std::string_view(parts[i]) : std::string_view();
}

void appendJoined(std::string& out, std::string_view piece, std::string_view separator) {
    if (piece.empty())
        return;
    if (!out.empty())
        out += separator;
    out += piece;
}

} // namespace

bool VCardReader::Property::hasType(std::string_view t) const {
    for (const auto& type : types)
        if (type == t)
            return true;
    return false;
}

VCardReader::VCardReader(LineReader& lines) : lines_(lines) {}

void VCardReader::fail(ImportFailure failure, std::string message) {
    if (!error_.failed())
        error_ = ImportError{failure, std::move(message)};
    done_ = true;
}

bool VCardReader::readLogicalLine() {
    std::string_view line;
    LineEnd end;
    if (!lines_.next(line, end))
        return false;
    logicalLine_ = lines_.lineNumber();
    // Whether the line is worth keeping, and whether its value is quoted-printable, follow
    // from its name and parameters, which lie on its first physical line.
    ContentLine head;
    Property headProp;
    const bool parsed = parseContentLine(line, head, &headProp);
    const bool keep = !parsed || head.lineKind != LineKind::Other;
    const bool qp = parsed && headProp.quotedPrintable;
    logical_.assign(keep ? line : std::string_view());
    char last = line.empty() ? '\0' : line.back();
    while (lines_.next(line, end)) {
        if (qp && last == '=') {
            // A quoted-printable soft line break: the next line goes on the value as it is.
            if (keep) {
                logical_.pop_back();
                logical_ += line;
                last = logical_.empty() ? '\0' : logical_.back();
            } else {
                last = line.empty() ? '\0' : line.back();
            }
        } else if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            if (keep)
                logical_.append(line.substr(1));
            if (line.size() > 1)
                last = line.back();
        } else {
            lines_.unread();
            break;
        }
        if (logical_.size() > kMaxLogicalLine) {
            fail(ImportFailure::Malformed,
                 "Line " + std::to_string(logicalLine_) + " is too long for a contact's text.");
            return false;
        }
    }
    return lines_.failure() == LineReader::Failure::None;
}

bool VCardReader::skipNested(std::string_view name) {
    const std::string component(name);
    std::size_t depth = 1;
    ContentLine cl;
    while (readLogicalLine()) {
        if (!parseContentLine(logical_, cl, nullptr))
            continue;
        if (cl.lineKind == LineKind::Begin && EqualsNoCase(TrimBlanks(cl.value), component))
            ++depth;
        else if (cl.lineKind == LineKind::End && EqualsNoCase(TrimBlanks(cl.value), component))
            if (--depth == 0)
                return true;
    }
    return false;
}

bool VCardReader::next(ImportedContact& contact) {
    if (done_)
        return false;
    ContentLine cl;
    if (!pendingBegin_) {
        // Look for the next BEGIN:VCARD; only blank lines may come before it.
        for (;;) {
            if (!readLogicalLine()) {
                done_ = true;
                return false;
            }
            if (isBlankLine(logical_))
                continue;
            if (parseContentLine(logical_, cl, nullptr) && cl.lineKind == LineKind::Begin &&
                EqualsNoCase(TrimBlanks(cl.value), "VCARD"))
                break;
            const std::string where = "Line " + std::to_string(logicalLine_);
            if (cl.lineKind == LineKind::End && EqualsNoCase(TrimBlanks(cl.value), "VCARD"))
                fail(ImportFailure::Malformed, where + " ends a vCard that was never begun.");
            else
                fail(ImportFailure::Malformed, where + " is not part of any vCard.");
            return false;
        }
    }
    pendingBegin_ = false;
    contact.clear();
    contact.number = ++contacts_;
    contact.line = logicalLine_;
    propCount_ = 0;
    bool afterEmptyAgent = false;
    for (;;) {
        if (!readLogicalLine()) {
            if (lines_.failure() != LineReader::Failure::None || error_.failed()) {
                done_ = true;
                return false;
            }
            contact.problem = "The contact is not closed by END:VCARD: the file may be cut short.";
            done_ = true;
            return finishCard(contact);
        }
        if (isBlankLine(logical_))
            continue;
        if (propCount_ == props_.size())
            props_.emplace_back();
        Property& p = props_[propCount_];
        if (!parseContentLine(logical_, cl, &p))
            continue;
        if (cl.lineKind == LineKind::Begin) {
            const std::string_view what = TrimBlanks(cl.value);
            if (EqualsNoCase(what, "VCARD") && !afterEmptyAgent) {
                // The next contact begins before this one ended.
                contact.problem = "The contact is not closed by END:VCARD before line " +
                                  std::to_string(logicalLine_) + ".";
                pendingBegin_ = true;
                const std::size_t nextLine = logicalLine_;
                const bool ok = finishCard(contact);
                logicalLine_ = nextLine;
                return ok;
            }
            // A vCard 2.1 AGENT's vCard, or another component: passed over whole.
            if (!skipNested(what)) {
                if (error_.failed() || lines_.failure() != LineReader::Failure::None) {
                    done_ = true;
                    return false;
                }
                contact.problem =
                    "The contact is not closed by END:VCARD: the file may be cut short.";
                done_ = true;
                return finishCard(contact);
            }
            afterEmptyAgent = false;
            continue;
        }
        if (cl.lineKind == LineKind::End) {
            if (EqualsNoCase(TrimBlanks(cl.value), "VCARD"))
                return finishCard(contact);
            continue;
        }
        afterEmptyAgent = cl.kind == Kind::Agent && TrimBlanks(cl.value).empty();
        if (cl.kind == Kind::Other || cl.kind == Kind::Agent)
            continue;
        if (propCount_ == kMaxProperties) {
            contact.problem =
                "The contact has more than " + std::to_string(kMaxProperties) + " properties.";
            continue;
        }
        p.value.assign(cl.value);
        p.line = logicalLine_;
        ++propCount_;
    }
}

bool VCardReader::finishCard(ImportedContact& contact) {
    // The version decides the escapes; it may stand anywhere in a 2.1 vCard.
    bool v21 = false;
    for (std::size_t i = 0; i < propCount_; ++i)
        if (props_[i].kind == Kind::Version)
            v21 = TrimBlanks(props_[i].value) == "2.1";

    std::vector<std::string> parts;
    std::string bytes, text;
    // The decoded value of a property in UTF-8, split into parts for structured values.
    auto decode = [&](const Property& p, bool split) -> bool {
        if (p.base64) {
            if (contact.problem.empty())
                contact.problem = "Line " + std::to_string(p.line) +
                                  " holds a text in base64, which is not read.";
            return false;
        }
        const Charset cs = p.hasCharset ? CharsetFromName(p.charset) : Charset::Utf8;
        if (cs == Charset::Unsupported) {
            // The name comes from the file: shown only when it is plain ASCII.
            const bool printable =
                p.charset.size() <= 40 && std::all_of(p.charset.begin(), p.charset.end(),
                                                      [](char c) { return c >= 0x20 && c < 0x7F; });
            if (contact.problem.empty())
                contact.problem = printable ? "The contact's text is in the character set \"" +
                                                  p.charset + "\", which cannot be read."
                                            : "The contact's text is in a character set that "
                                              "cannot be read.";
            return false;
        }
        const std::string_view raw = p.quotedPrintable
                                         ? std::string_view(bytes = DecodeQuotedPrintable(p.value))
                                         : std::string_view(p.value);
        if (!DecodeToUtf8(raw, cs, text)) {
            if (cs == Charset::Utf8) {
                fail(ImportFailure::BadEncoding,
                     "Line " + std::to_string(p.line) + " is not valid UTF-8 text.");
            } else if (contact.problem.empty()) {
                contact.problem = "Line " + std::to_string(p.line) +
                                  " holds characters that are not in its character set.";
            }
            return false;
        }
        if (p.quotedPrintable) {
            // Quoted-printable writes line breaks as CRLF; the other versions as "\n".
            std::size_t at = 0;
            while ((at = text.find("\r\n", at)) != std::string::npos)
                text.erase(at, 1);
        }
        unescape(text, v21, split, parts);
        return true;
    };

    // Candidates in order of preference: a lower PREF first, then file order.
    std::vector<const Property*> order;
    order.reserve(propCount_);
    for (std::size_t i = 0; i < propCount_; ++i)
        order.push_back(&props_[i]);
    std::stable_sort(order.begin(), order.end(),
                     [](const Property* a, const Property* b) { return a->pref < b->pref; });

    texts_.clear();
    std::string fn, nName, org, email1, email2, phone, mobile, secondCell;
    bool haveFn = false, haveN = false, haveOrg = false, haveAdr = false;
    std::vector<std::string> adr;
    for (const Property* p : order) {
        if (p->kind == Kind::Version)
            continue;
        const bool structured = p->kind == Kind::N || p->kind == Kind::Adr || p->kind == Kind::Org;
        if (!decode(*p, structured)) {
            if (error_.failed())
                return false;
            continue;
        }
        const std::string& whole = parts[0];
        switch (p->kind) {
        case Kind::Fn:
            if (!haveFn && !whole.empty()) {
                fn = whole;
                haveFn = true;
            }
            break;
        case Kind::N:
            if (!haveN) {
                appendJoined(nName, part(parts, 1), " ");
                appendJoined(nName, part(parts, 2), " ");
                appendJoined(nName, part(parts, 0), " ");
                haveN = !nName.empty();
            }
            break;
        case Kind::Org:
            if (!haveOrg && !whole.empty()) {
                org = whole;
                haveOrg = true;
            }
            break;
        case Kind::Nickname:
            if (texts_[Field::Nickname].empty())
                texts_[Field::Nickname] = whole;
            break;
        case Kind::Url:
            if (texts_[Field::WebSite].empty())
                texts_[Field::WebSite] = whole;
            break;
        case Kind::Email:
            if (whole.empty())
                break;
            if (p->secondSlot && email2.empty())
                email2 = whole;
            else if (email1.empty())
                email1 = whole;
            else if (email2.empty())
                email2 = whole;
            break;
        case Kind::Tel: {
            std::string_view number = whole;
            if (p->uriValue && StartsWithNoCase(number, "tel:"))
                number.remove_prefix(4);
            if (number.empty())
                break;
            const bool cell = p->hasType("CELL");
            bool voice = p->hasType("VOICE") || cell;
            if (!voice) {
                static constexpr const char* kNotVoice[] = {"FAX",   "PAGER", "MODEM",    "BBS",
                                                            "VIDEO", "TEXT",  "TEXTPHONE"};
                voice = std::none_of(std::begin(kNotVoice), std::end(kNotVoice),
                                     [&](const char* t) { return p->hasType(t); });
            }
            if (cell && mobile.empty())
                mobile = number;
            else if (cell && secondCell.empty())
                secondCell = number;
            else if (!cell && voice && phone.empty())
                phone = number;
            break;
        }
        case Kind::Adr:
            if (!haveAdr) {
                adr = parts;
                haveAdr = true;
            }
            break;
        default:
            break;
        }
    }
    texts_[Field::Name] = haveFn ? fn : haveN ? nName : org;
    texts_[Field::Email] = email1;
    texts_[Field::SecondEmail] = email2;
    texts_[Field::Phone] = phone.empty() ? secondCell : phone;
    texts_[Field::Mobile] = mobile;
    if (haveAdr) {
        std::string street;
        appendJoined(street, part(adr, 2), ", ");
        appendJoined(street, part(adr, 1), ", ");
        appendJoined(street, part(adr, 0), ", ");
        texts_[Field::Address] = street;
        texts_[Field::City] = part(adr, 3);
        texts_[Field::ZipCode] = part(adr, 5);
        texts_.country = part(adr, 6);
    }
    ConvertTexts(texts_, contact);
    return true;
}

} // namespace quenlark
