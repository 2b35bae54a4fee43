#include "interchange/vcardreader.h"

#include "interchange/textcodec.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <sys/mman.h>

namespace quenlark {

namespace {

using Kind = VCardReader::Kind;
using Property = VCardReader::Property;

// More properties than this in one vCard flag the contact rather than slow the reader down.
constexpr std::size_t kMaxProperties = 10000;
// Buffers that grew past this for one large value are given back after its contact.
constexpr std::size_t kKeepCapacity = std::size_t(1) << 20;
// A value longer than this grows its buffer to what the file still holds at once.
constexpr std::size_t kGrowOnceAfter = std::size_t(1) << 20;
// Property names longer than this are no property's.
constexpr std::size_t kMaxName = 64;
// Parameters longer than this, all together, are no contact's: such a property is left out
// (LeftOut::Oversize) without being looked at further.
constexpr std::size_t kMaxParameters = 64 * 1024;

using LineKind = VCardReader::LineKind;
using ContentLine = VCardReader::ContentLine;

Kind kindOf(std::string_view name, LineKind& lineKind) {
    struct Entry {
        std::string_view name;
        Kind kind;
    };
    static constexpr Entry kKinds[] = {
        {"FN", Kind::Fn},
        {"N", Kind::N},
        {"ORG", Kind::Org},
        {"NICKNAME", Kind::Nickname},
        {"EMAIL", Kind::Email},
        {"TEL", Kind::Tel},
        {"ADR", Kind::Adr},
        {"URL", Kind::Url},
        {"CATEGORIES", Kind::Categories},
        {"VERSION", Kind::Version},
        {"AGENT", Kind::Agent},
    };
    lineKind = LineKind::Other;
    if (name.empty() || name.size() > 10)
        return Kind::Other;
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

// What a property the reader does not keep stands for; nothing for the properties that only
// describe the vCard, its program or its presentation.
std::optional<LeftOut> leftOutOf(std::string_view upperName) {
    static constexpr std::string_view kAboutTheCard[] = {
        "PRODID",
        "REV",
        "UID",
        "KIND",
        "CLASS",
        "SOURCE",
        "NAME",
        "PROFILE",
        "SORT-STRING",
        "LABEL",
        "MAILER",
        "CLIENTPIDMAP",
        "X-ABLABEL",
        "X-ABUID",
        "X-ABSHOWAS",
        "X-ABADR",
        "X-MOZILLA-HTML",
        "X-EVOLUTION-FILE-AS",
        "X-EVOLUTION-LIST",
        "X-EVOLUTION-LIST-SHOW-ADDRESSES",
    };
    if (upperName == "BDAY")
        return LeftOut::Birthday;
    if (upperName == "NOTE")
        return LeftOut::Note;
    if (upperName == "PHOTO")
        return LeftOut::Photo;
    for (const std::string_view n : kAboutTheCard)
        if (upperName == n)
            return std::nullopt;
    return LeftOut::Other;
}

void addType(std::string_view type, Property* p) {
    // Every type that matters has 3 to 9 letters: most of a long list is passed at once.
    if (type.size() < 3 || type.size() > 9)
        return;
    if (EqualsNoCase(type, "PREF"))
        p->pref = std::min(p->pref, 1);
    else if (EqualsNoCase(type, "CELL"))
        p->types |= VCardReader::kCell;
    else if (EqualsNoCase(type, "VOICE"))
        p->types |= VCardReader::kVoice;
    else if (EqualsNoCase(type, "FAX"))
        p->types |= VCardReader::kFax;
    else
        for (const std::string_view t :
             {std::string_view("PAGER"), std::string_view("MODEM"), std::string_view("BBS"),
              std::string_view("VIDEO"), std::string_view("TEXT"), std::string_view("TEXTPHONE")})
            if (EqualsNoCase(type, t))
                p->types |= VCardReader::kNotVoice;
}

void applyParameter(std::string_view key, std::string_view value, bool bare, Property* p) {
    if (!p)
        return;
    if (bare) {
        // vCard 2.1 names types and encodings without "TYPE=" and "ENCODING=".
        if (value.size() < 3 || value.size() > 16)
            return;
        if (EqualsNoCase(value, "QUOTED-PRINTABLE"))
            p->quotedPrintable = true;
        else if (EqualsNoCase(value, "BASE64"))
            p->base64 = true;
        else
            addType(value, p);
        return;
    }
    if (EqualsNoCase(key, "TYPE")) {
        // A quoted list, TYPE="work,voice", holds several types in one value.
        for (std::size_t at = 0; at <= value.size();) {
            const std::size_t comma = std::min(value.find(',', at), value.size());
            addType(TrimBlanks(value.substr(at, comma - at)), p);
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
        // A name this long is none that can be read; it only has to stay one.
        p->charset.assign(value.substr(0, kMaxName));
    } else if (EqualsNoCase(key, "VALUE")) {
        p->uriValue = EqualsNoCase(value, "URI");
    } else if (EqualsNoCase(key, "X-QUENLARK-SLOT")) {
        p->secondSlot = value == "2";
    }
}

// Splits a content line; fills `p`'s parameters when given. False without a colon. Each
// parameter is looked at once and only its meaning kept, so a line of any number of them
// takes no memory beyond the line itself.
bool parseContentLine(std::string_view text, ContentLine& out, Property* p) {
    std::size_t i = 0;
    while (i < text.size() && text[i] != ';' && text[i] != ':')
        ++i;
    std::string_view name = TrimBlanks(text.substr(0, i));
    if (const auto dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1); // a group: "item1.EMAIL"
    out.name = name;
    out.kind = kindOf(name, out.lineKind);
    if (i == text.size())
        return false;
    if (p) {
        p->kind = out.kind;
        p->types = 0;
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
        if (text[i] != '=') {
            if (p)
                applyParameter({}, TrimBlanks(text.substr(keyStart, i - keyStart)), true, p);
            continue;
        }
        const std::string_view key = TrimBlanks(text.substr(keyStart, i - keyStart));
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

std::string_view part(const std::vector<std::string_view>& parts, std::size_t i) {
    return i < parts.size() ? std::string_view(parts[i]) : std::string_view();
}

void appendJoined(std::string& out, std::string_view piece, std::string_view separator) {
    if (piece.empty())
        return;
    if (!out.empty())
        out += separator;
    out += piece;
}

// The items of a CATEGORIES value, but not Google's "myContacts", which every contact of
// its exports is in.
std::size_t countCategories(std::string_view value) {
    std::size_t count = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i < value.size() && value[i] == '\\') {
            ++i;
            continue;
        }
        if (i < value.size() && value[i] != ',')
            continue;
        const std::string_view item = TrimBlanks(value.substr(start, i - start));
        count += !item.empty() && item != "myContacts";
        start = i + 1;
    }
    return count;
}

// Asks for the room of a large buffer in the processor's large pages, where the system
// gives them on request: a value of many mebibytes then costs a few page faults rather than
// thousands as it fills.
void AdviseLargePages(std::string& buffer) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kLargePage = std::uintptr_t(2) << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + buffer.capacity()) & ~(kLargePage - 1);
    if (first < last)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)buffer;
#endif
}

void releaseIfLarge(std::string& s) {
    if (s.capacity() > kKeepCapacity)
        std::string().swap(s);
}

} // namespace

VCardReader::VCardReader(LineReader& lines, bool windows1252, std::uint64_t sizeHint)
    : lines_(lines), windows1252_(windows1252), sizeHint_(sizeHint) {}

void VCardReader::fail(Failure failure, std::string message) {
    if (error_)
        error_ = Result::Fail(failure, std::move(message));
    done_ = true;
}

bool VCardReader::readLogicalLine() {
    std::string_view piece;
    LineEnd end;
    if (!lines_.next(piece, end))
        return false;
    logicalLine_ = lines_.lineNumber();
    current_ = Logical{};

    // The name and the parameters lie at the start of the first physical line; take pieces
    // of a long one until its colon shows.
    logical_.assign(piece);
    bool more = end == LineEnd::More;
    while (more && piece.find(':') == std::string_view::npos &&
           logical_.size() <= kMaxParameters + kMaxName) {
        if (!lines_.next(piece, end))
            return false;
        logical_ += piece;
        more = end == LineEnd::More;
    }
    std::size_t nameEnd = 0;
    while (nameEnd < logical_.size() && logical_[nameEnd] != ';' && logical_[nameEnd] != ':')
        ++nameEnd;
    const std::size_t colon = logical_.find(':', nameEnd);
    if (colon == std::string::npos ? more : colon - nameEnd > kMaxParameters) {
        // Parameters past all reason: the property is left out whole.
        current_.oversize = true;
        logical_.clear();
    }
    ContentLine head;
    const bool parsed = !current_.oversize && parseContentLine(logical_, head, &head_);
    current_.kept = !current_.oversize && head.lineKind != LineKind::Other;
    const bool qp = parsed && head_.quotedPrintable;
    if (parsed && current_.kept) {
        // What follows the colon does not change how the part before it reads: the line
        // need not be parsed again once it is whole.
        current_.headParsed = true;
        current_.nameAt = std::size_t(head.name.data() - logical_.data());
        current_.nameSize = head.name.size();
        current_.valueAt = std::size_t(head.value.data() - logical_.data());
        current_.lineKind = head.lineKind;
        current_.kind = head.kind;
    }
    if (!current_.kept && !current_.oversize) {
        // A line that is no property (blank, or without a colon) is passed over unnamed.
        if (parsed)
            current_.name = ToUpperAscii(head.name.substr(0, kMaxName));
        current_.empty = !more && (parsed ? TrimBlanks(head.value).empty() : isBlankLine(logical_));
        logical_.clear();
    }
    auto take = [&](std::string_view text) {
        if (!current_.kept || current_.oversize)
            return;
        if (logical_.size() + text.size() > kMaxValueBytes) {
            current_.oversize = true;
            std::string().swap(logical_);
            return;
        }
        // A value past a mebibyte takes room once for what the file still holds (capped),
        // rather than doubling its buffer again and again: the pages are touched only as
        // they fill.
        if (logical_.size() + text.size() > logical_.capacity() &&
            logical_.size() >= kGrowOnceAfter && sizeHint_ > lines_.bytesRead()) {
            logical_.reserve(std::min<std::uint64_t>(
                kMaxValueBytes, logical_.size() + text.size() + (sizeHint_ - lines_.bytesRead())));
            AdviseLargePages(logical_);
        }
        logical_ += text;
    };
    if (logical_.size() > kMaxValueBytes)
        take({});
    char last = piece.empty() ? '\0' : piece.back();
    // The rest of a long first line.
    while (more) {
        if (!lines_.next(piece, end))
            return false;
        take(piece);
        more = end == LineEnd::More;
        if (!piece.empty())
            last = piece.back();
    }
    // Continuation lines: folded ones start with a blank; a quoted-printable value goes on
    // after a soft line break ("=" at the end of a line) whatever the next line holds.
    while (lines_.next(piece, end)) {
        const bool softBreak = qp && last == '=';
        const bool folded = !piece.empty() && (piece[0] == ' ' || piece[0] == '\t');
        if (!softBreak && !folded) {
            lines_.unread();
            break;
        }
        current_.empty = false;
        if (softBreak) {
            if (current_.kept && !current_.oversize && !logical_.empty())
                logical_.pop_back();
            take(piece);
            last = piece.empty() ? '\0' : piece.back();
        } else {
            take(piece.substr(1));
            if (piece.size() > 1)
                last = piece.back();
        }
        while (end == LineEnd::More) {
            if (!lines_.next(piece, end))
                return false;
            take(piece);
            if (!piece.empty())
                last = piece.back();
        }
    }
    return lines_.failure() == LineReader::Failure::None;
}

bool VCardReader::takeContentLine(ContentLine& line, Property* p) const {
    if (!current_.headParsed)
        return parseContentLine(logical_, line, p);
    const std::string_view text = logical_;
    line.name = text.substr(current_.nameAt, current_.nameSize);
    line.value = text.substr(current_.valueAt);
    line.lineKind = current_.lineKind;
    line.kind = current_.kind;
    if (p) {
        p->kind = head_.kind;
        p->types = head_.types;
        p->pref = head_.pref;
        p->quotedPrintable = head_.quotedPrintable;
        p->base64 = head_.base64;
        p->uriValue = head_.uriValue;
        p->secondSlot = head_.secondSlot;
        p->hasCharset = head_.hasCharset;
        p->charset = head_.charset;
    }
    return true;
}

bool VCardReader::skipNested(std::string_view name) {
    const std::string component(name);
    std::size_t depth = 1;
    ContentLine cl;
    while (readLogicalLine()) {
        if (!current_.kept || !takeContentLine(cl, nullptr))
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
            if (current_.kept ? isBlankLine(logical_) : current_.name.empty() && current_.empty)
                continue;
            if (current_.kept && takeContentLine(cl, nullptr) && cl.lineKind == LineKind::Begin &&
                EqualsNoCase(TrimBlanks(cl.value), "VCARD"))
                break;
            const std::string where = "Line " + std::to_string(logicalLine_);
            if (cl.lineKind == LineKind::End && EqualsNoCase(TrimBlanks(cl.value), "VCARD"))
                fail(Failure::Malformed, where + " ends a vCard that was never begun.");
            else
                fail(Failure::Malformed, where + " is not part of any vCard.");
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
            if (lines_.failure() != LineReader::Failure::None || !error_) {
                done_ = true;
                return false;
            }
            contact.problem = "The contact is not closed by END:VCARD: the file may be cut short.";
            done_ = true;
            return finishCard(contact);
        }
        if (current_.oversize) {
            contact.leave(LeftOut::Oversize);
            continue;
        }
        if (!current_.kept) {
            if (!current_.empty && !current_.name.empty())
                if (const auto what = leftOutOf(current_.name))
                    contact.leave(*what);
            continue;
        }
        if (isBlankLine(logical_))
            continue;
        if (propCount_ == props_.size())
            props_.emplace_back();
        Property& p = props_[propCount_];
        if (!takeContentLine(cl, &p))
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
            contact.leave(LeftOut::Other);
            if (!skipNested(what)) {
                if (!error_ || lines_.failure() != LineReader::Failure::None) {
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
        if (cl.kind == Kind::Agent) {
            if (!afterEmptyAgent)
                contact.leave(LeftOut::Other);
            continue;
        }
        if (propCount_ == kMaxProperties) {
            contact.problem =
                "The contact has more than " + std::to_string(kMaxProperties) + " properties.";
            continue;
        }
        // The line moves into the property whole; its value is found by its offset.
        p.valueAt = static_cast<std::size_t>(cl.value.data() - logical_.data());
        p.line.swap(logical_);
        p.lineNumber = logicalLine_;
        ++propCount_;
    }
}

bool VCardReader::decode(Property& p, bool split, ImportedContact& contact) {
    if (p.base64) {
        if (contact.problem.empty())
            contact.problem = "Line " + std::to_string(p.lineNumber) +
                              " holds a text in base64, which is not read.";
        return false;
    }
    const Charset cs = p.hasCharset   ? CharsetFromName(p.charset)
                       : windows1252_ ? Charset::Windows1252
                                      : Charset::Utf8;
    if (cs == Charset::Unsupported) {
        // The name comes from the file: shown only when it is plain ASCII.
        const bool printable = std::all_of(p.charset.begin(), p.charset.end(),
                                           [](char c) { return c >= 0x20 && c < 0x7F; });
        if (contact.problem.empty())
            contact.problem = printable ? "The contact's text is in the character set \"" +
                                              p.charset + "\", which cannot be read."
                                        : "The contact's text is in a character set that "
                                          "cannot be read.";
        return false;
    }
    // Every step works in place, in one pass over the value.
    // Quoted-printable writes line breaks as CRLF; the other versions as "\n".
    if (p.quotedPrintable)
        DecodeQuotedPrintableLines(p.line, p.valueAt);
    std::string_view raw = std::string_view(p.line).substr(p.valueAt);
    const auto where = [&p] { return "Line " + std::to_string(p.lineNumber); };
    if (cs == Charset::Utf8) {
        if (!IsValidUtf8(raw)) {
            if (!p.hasCharset && !sawUtf8_) {
                wantsWindows1252_ = true;
                fail(Failure::BadEncoding, where() + " is not UTF-8 text.");
            } else {
                fail(Failure::BadEncoding, where() + " is not valid UTF-8 text.");
            }
            return false;
        }
        sawUtf8_ = sawUtf8_ || (!p.hasCharset && HasNonAscii(raw));
    } else {
        if (!p.hasCharset && HasNonAscii(raw) && IsValidUtf8(raw)) {
            fail(Failure::BadEncoding,
                 where() + " is UTF-8 text, but other lines are not: the file mixes two "
                           "encodings. Save it as UTF-8 and import it again.");
            return false;
        }
        if (!DecodeToUtf8(raw, cs, converted_)) {
            if (contact.problem.empty())
                contact.problem = where() + " holds characters that are not in its character set.";
            return false;
        }
        // The text in UTF-8 takes the place of the line, so that every value read stays.
        p.line.swap(converted_);
        p.valueAt = 0;
    }
    UnescapeVCardValue(p.line, p.valueAt, v21_, split, parts_);
    return true;
}

void VCardReader::releaseLargeBuffers() {
    for (std::size_t i = 0; i < props_.size(); ++i)
        releaseIfLarge(props_[i].line);
    releaseIfLarge(logical_);
    releaseIfLarge(converted_);
    releaseIfLarge(joinedName_);
    releaseIfLarge(joinedStreet_);
    releaseIfLarge(webSite_);
}

bool VCardReader::finishCard(ImportedContact& contact) {
    // The version decides the escapes; it may stand anywhere in a 2.1 vCard.
    v21_ = false;
    for (std::size_t i = 0; i < propCount_; ++i)
        if (props_[i].kind == Kind::Version)
            v21_ = TrimBlanks(std::string_view(props_[i].line).substr(props_[i].valueAt)) == "2.1";

    // Candidates in order of preference: a lower PREF first, then file order.
    std::vector<Property*>& order = order_;
    order.clear();
    bool preferred = false;
    for (std::size_t i = 0; i < propCount_; ++i) {
        order.push_back(&props_[i]);
        preferred = preferred || props_[i].pref != props_[0].pref;
    }
    if (preferred)
        std::stable_sort(order.begin(), order.end(),
                         [](const Property* a, const Property* b) { return a->pref < b->pref; });

    // Views of the properties' decoded values, which stay until the contact is converted.
    texts_.clear();
    std::string_view fn, org, email1, email2, phone, mobile, secondCell;
    bool haveFn = false, haveN = false, haveAdr = false;
    std::size_t orgs = 0;
    std::vector<std::string_view> adr;
    joinedName_.clear();
    for (Property* p : order) {
        if (p->kind == Kind::Version)
            continue;
        if (p->kind == Kind::Categories) {
            contact.leave(LeftOut::Category,
                          countCategories(std::string_view(p->line).substr(p->valueAt)));
            continue;
        }
        const bool structured = p->kind == Kind::N || p->kind == Kind::Adr || p->kind == Kind::Org;
        if (!decode(*p, structured, contact)) {
            if (!error_)
                return false;
            continue;
        }
        const std::string_view whole = parts_[0];
        switch (p->kind) {
        case Kind::Fn:
            if (!haveFn && !whole.empty()) {
                fn = whole;
                haveFn = true;
            }
            break;
        case Kind::N:
            if (!haveN) {
                appendJoined(joinedName_, part(parts_, 1), " ");
                appendJoined(joinedName_, part(parts_, 2), " ");
                appendJoined(joinedName_, part(parts_, 0), " ");
                haveN = !joinedName_.empty();
            }
            break;
        case Kind::Org:
            if (!whole.empty() && orgs++ == 0)
                org = whole;
            break;
        case Kind::Nickname:
            if (texts_[Field::Nickname].empty())
                texts_[Field::Nickname] = whole;
            else if (!whole.empty())
                contact.leave(LeftOut::Other);
            break;
        case Kind::Url:
            if (texts_[Field::WebSite].empty()) {
                webSite_ = DecodeUriDelimiters(whole);
                texts_[Field::WebSite] = webSite_;
            } else if (!whole.empty()) {
                contact.leave(LeftOut::WebSite);
            }
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
            else
                contact.leave(LeftOut::Email);
            break;
        case Kind::Tel: {
            std::string_view number = whole;
            if (p->uriValue && StartsWithNoCase(number, "tel:"))
                number.remove_prefix(4);
            if (number.empty())
                break;
            const bool cell = p->types & kCell;
            const bool voice = cell || (p->types & kVoice) || !(p->types & (kFax | kNotVoice));
            if (cell && mobile.empty())
                mobile = number;
            else if (cell && secondCell.empty())
                secondCell = number;
            else if (!cell && voice && phone.empty())
                phone = number;
            else
                contact.leave((p->types & kFax) && !voice ? LeftOut::Fax : LeftOut::Phone);
            break;
        }
        case Kind::Adr:
            if (!haveAdr) {
                adr = parts_;
                haveAdr = true;
                if (!TrimBlanks(part(adr, 4)).empty())
                    contact.leave(LeftOut::Region);
            } else if (std::any_of(parts_.begin(), parts_.end(),
                                   [](std::string_view s) { return !s.empty(); })) {
                contact.leave(LeftOut::Address);
            }
            break;
        default:
            break;
        }
    }
    texts_[Field::Name] = haveFn ? fn : haveN ? std::string_view(joinedName_) : org;
    // ORG is the name only of a contact without one; beside a name it is not stored.
    if (orgs > 0)
        contact.leave(LeftOut::Organization, haveFn || haveN ? orgs : orgs - 1);
    texts_[Field::Email] = email1;
    texts_[Field::SecondEmail] = email2;
    if (!phone.empty() && !secondCell.empty())
        contact.leave(LeftOut::Phone);
    texts_[Field::Phone] = phone.empty() ? secondCell : phone;
    texts_[Field::Mobile] = mobile;
    if (haveAdr) {
        // The street, then the extended address and the post office box.
        const std::string_view street = part(adr, 2), extended = part(adr, 1), box = part(adr, 0);
        if (extended.empty() && box.empty()) {
            texts_[Field::Address] = street;
        } else {
            joinedStreet_.clear();
            appendJoined(joinedStreet_, street, ", ");
            appendJoined(joinedStreet_, extended, ", ");
            appendJoined(joinedStreet_, box, ", ");
            texts_[Field::Address] = joinedStreet_;
        }
        texts_[Field::City] = part(adr, 3);
        texts_[Field::ZipCode] = part(adr, 5);
        texts_.country = part(adr, 6);
    }
    ConvertTexts(texts_, contact);
    releaseLargeBuffers();
    return true;
}

} // namespace quenlark
