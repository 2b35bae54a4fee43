#include "interchange/csvreader.h"

#include "interchange/csvformat.h"
#include "interchange/textcodec.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <optional>

namespace quenlark {

namespace {

using Role = CsvReader::Role;
using Column = CsvReader::Column;

// Address groups: Google's "Address N" are 0 to 98, then Outlook's and Thunderbird's.
constexpr int kHomeGroup = 200;
constexpr int kWorkGroup = 201;
constexpr int kOtherGroup = 202;
// A header name longer than this is none we know.
constexpr std::size_t kMaxHeaderName = 256;
// Of a column with no field only this much is kept: enough to count its items.
constexpr std::size_t kLeftOutCap = 64 * 1024;
// Buffers that grew past this for one large cell are given back after its row.
constexpr std::size_t kKeepCapacity = std::size_t(1) << 20;
// Google's separator of several values in one cell.
constexpr std::string_view kGoogleSeparator = " ::: ";

struct Named {
    const char* name;
    Column column;
};

constexpr Column leftOut(LeftOut what) {
    return {Role::LeftOut, 0, what};
}

// Upper-case header names.
const Named kNamedColumns[] = {
    {"NAME", {Role::Name, 0}},
    {"DISPLAY NAME", {Role::DisplayName, 0}},
    {"FULL NAME", {Role::DisplayName, 0}},
    {"FIRST NAME", {Role::Given, 0}},
    {"GIVEN NAME", {Role::Given, 0}},
    {"MIDDLE NAME", {Role::Middle, 0}},
    {"ADDITIONAL NAME", {Role::Middle, 0}},
    {"LAST NAME", {Role::Family, 0}},
    {"FAMILY NAME", {Role::Family, 0}},
    {"SURNAME", {Role::Family, 0}},
    {"COMPANY", {Role::Company, 0}},
    {"ORGANIZATION", {Role::Company, 0}},
    {"ORGANIZATION NAME", {Role::Company, 0}},
    {"NICKNAME", {Role::Nickname, 0}},
    {"E-MAIL ADDRESS", {Role::Email, 1}},
    {"E-MAIL 2 ADDRESS", {Role::Email, 2}},
    {"E-MAIL 3 ADDRESS", {Role::Email, 3}},
    {"PRIMARY EMAIL", {Role::Email, 1}},
    {"SECONDARY EMAIL", {Role::Email, 2}},
    {"EMAIL", {Role::Email, 1}},
    {"E-MAIL", {Role::Email, 1}},
    {"EMAIL ADDRESS", {Role::Email, 1}},
    {"MOBILE PHONE", {Role::Mobile, 0}},
    {"MOBILE NUMBER", {Role::Mobile, 0}},
    {"MOBILE", {Role::Mobile, 0}},
    {"CELL PHONE", {Role::Mobile, 0}},
    {"PRIMARY PHONE", {Role::Phone, 0}},
    {"HOME PHONE", {Role::Phone, 1}},
    {"BUSINESS PHONE", {Role::Phone, 2}},
    {"WORK PHONE", {Role::Phone, 2}},
    {"HOME PHONE 2", {Role::Phone, 3}},
    {"BUSINESS PHONE 2", {Role::Phone, 4}},
    {"OTHER PHONE", {Role::Phone, 5}},
    {"COMPANY MAIN PHONE", {Role::Phone, 6}},
    {"CAR PHONE", {Role::Phone, 7}},
    {"PHONE", {Role::Phone, 8}},
    {"WEB PAGE", {Role::Website, 100}},
    {"WEB PAGE 1", {Role::Website, 100}},
    {"WEB PAGE 2", {Role::Website, 101}},
    {"WEBSITE", {Role::Website, 102}},
    {"PERSONAL WEB PAGE", {Role::Website, 103}},
    {"LABELS", {Role::Categories, 0}},
    {"GROUP MEMBERSHIP", {Role::Categories, 0}},
    {"CATEGORIES", {Role::Categories, 0}},
    // Columns with no field of their own.
    {"BIRTHDAY", leftOut(LeftOut::Birthday)},
    {"BIRTH YEAR", leftOut(LeftOut::Birthday)},
    {"BIRTH MONTH", leftOut(LeftOut::Birthday)},
    {"BIRTH DAY", leftOut(LeftOut::Birthday)},
    {"NOTES", leftOut(LeftOut::Note)},
    {"NOTE", leftOut(LeftOut::Note)},
    {"PHOTO", leftOut(LeftOut::Photo)},
    {"BUSINESS FAX", leftOut(LeftOut::Fax)},
    {"HOME FAX", leftOut(LeftOut::Fax)},
    {"OTHER FAX", leftOut(LeftOut::Fax)},
    {"FAX NUMBER", leftOut(LeftOut::Fax)},
    {"FAX", leftOut(LeftOut::Fax)},
    {"PAGER", leftOut(LeftOut::Phone)},
    {"PAGER NUMBER", leftOut(LeftOut::Phone)},
    {"ISDN", leftOut(LeftOut::Phone)},
    {"CALLBACK", leftOut(LeftOut::Phone)},
    {"RADIO PHONE", leftOut(LeftOut::Phone)},
    {"TELEX", leftOut(LeftOut::Phone)},
    {"TTY/TDD PHONE", leftOut(LeftOut::Phone)},
    {"ASSISTANT'S PHONE", leftOut(LeftOut::Phone)},
    {"JOB TITLE", leftOut(LeftOut::Other)},
    {"DEPARTMENT", leftOut(LeftOut::Other)},
    {"ORGANIZATION TITLE", leftOut(LeftOut::Other)},
    {"ORGANIZATION DEPARTMENT", leftOut(LeftOut::Other)},
    {"ANNIVERSARY", leftOut(LeftOut::Other)},
    {"SPOUSE", leftOut(LeftOut::Other)},
    {"CHILDREN", leftOut(LeftOut::Other)},
    {"NAME PREFIX", leftOut(LeftOut::Other)},
    {"NAME SUFFIX", leftOut(LeftOut::Other)},
    {"TITLE", leftOut(LeftOut::Other)},
    {"SUFFIX", leftOut(LeftOut::Other)},
    {"HOBBY", leftOut(LeftOut::Other)},
    {"PROFESSION", leftOut(LeftOut::Other)},
    {"MANAGER'S NAME", leftOut(LeftOut::Other)},
    {"ASSISTANT'S NAME", leftOut(LeftOut::Other)},
    {"OFFICE LOCATION", leftOut(LeftOut::Other)},
    {"SCHOOLS", leftOut(LeftOut::Other)},
    {"SCREEN NAME", leftOut(LeftOut::Other)},
    {"IMADDRESS", leftOut(LeftOut::Other)},
    {"CUSTOM 1", leftOut(LeftOut::Other)},
    {"CUSTOM 2", leftOut(LeftOut::Other)},
    {"CUSTOM 3", leftOut(LeftOut::Other)},
    {"CUSTOM 4", leftOut(LeftOut::Other)},
    {"USER 1", leftOut(LeftOut::Other)},
    {"USER 2", leftOut(LeftOut::Other)},
    {"USER 3", leftOut(LeftOut::Other)},
    {"USER 4", leftOut(LeftOut::Other)},
};

struct Part {
    const char* suffix;
    Role role;
};

// Outlook's and Thunderbird's address columns after "HOME ", "BUSINESS ", "WORK ", "OTHER ".
const Part kAddressParts[] = {
    {"STREET", Role::Street},   {"STREET 2", Role::Street2},  {"STREET 3", Role::Street3},
    {"ADDRESS", Role::Street},  {"ADDRESS 2", Role::Street2}, {"ADDRESS PO BOX", Role::PoBox},
    {"PO BOX", Role::PoBox},    {"CITY", Role::City},         {"POSTAL CODE", Role::Zip},
    {"ZIPCODE", Role::Zip},     {"ZIP CODE", Role::Zip},      {"COUNTRY/REGION", Role::Country},
    {"COUNTRY", Role::Country}, {"STATE", Role::Region},
};

// Google's "Address N - " columns.
const Part kGoogleAddressParts[] = {
    {"STREET", Role::Street}, {"EXTENDED ADDRESS", Role::Extended}, {"PO BOX", Role::PoBox},
    {"CITY", Role::City},     {"POSTAL CODE", Role::Zip},           {"COUNTRY", Role::Country},
    {"REGION", Role::Region}, {"FORMATTED", Role::Formatted},
};

// Google's other repeated columns whose values have no field.
const char* const kGoogleLeftOutKinds[] = {"RELATION", "EVENT", "CUSTOM FIELD", "IM",
                                           "EXTERNAL ID"};

bool parseNumber(std::string_view text, int& n) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && n >= 1 && n <= 99;
}

bool containsNoCase(std::string_view text, std::string_view word) {
    const std::string t = ToUpperAscii(text);
    return t.find(ToUpperAscii(word)) != std::string::npos;
}

// Google's several values of one cell, each trimmed, the empty ones left out; a cell
// without the separator is one value as it stands.
std::vector<std::string_view> splitValues(std::string_view cell) {
    std::vector<std::string_view> values;
    if (cell.find(kGoogleSeparator) == std::string_view::npos) {
        if (!cell.empty())
            values.push_back(cell);
        return values;
    }
    for (std::size_t at = 0; at <= cell.size();) {
        const std::size_t sep = std::min(cell.find(kGoogleSeparator, at), cell.size());
        const std::string_view v = TrimBlanks(cell.substr(at, sep - at));
        if (!v.empty())
            values.push_back(v);
        at = sep + kGoogleSeparator.size();
    }
    return values;
}

// The labels of a Labels, Group Membership or Categories cell, but not Google's system
// group of all contacts.
std::size_t countCategories(std::string_view cell) {
    std::size_t count = 0;
    for (std::string_view value : splitValues(cell)) {
        for (std::size_t at = 0; at <= value.size();) {
            const std::size_t semi = std::min(value.find(';', at), value.size());
            const std::string_view label = TrimBlanks(value.substr(at, semi - at));
            count += !label.empty() && label != "* myContacts" && label != "myContacts";
            at = semi + 1;
        }
    }
    return count;
}

} // namespace

Column CsvReader::ColumnOf(std::string_view header) {
    const std::string h = ToUpperAscii(TrimBlanks(header));
    for (const Named& n : kNamedColumns)
        if (h == n.name)
            return n.column;

    // "<kind> <n> - <part>", as Google Contacts names its repeated columns.
    if (const auto dash = h.find(" - "); dash != std::string::npos) {
        const std::string_view left(h.data(), dash);
        const std::string_view part = std::string_view(h).substr(dash + 3);
        const auto blank = left.rfind(' ');
        int n = 0;
        if (blank != std::string_view::npos && parseNumber(left.substr(blank + 1), n)) {
            const std::string_view kind = left.substr(0, blank);
            if (kind == "E-MAIL" && part == "VALUE")
                return {Role::Email, n};
            if (kind == "PHONE" && part == "VALUE")
                return {Role::PhoneValue, n};
            if (kind == "PHONE" && (part == "TYPE" || part == "LABEL"))
                return {Role::PhoneLabel, n};
            if (kind == "WEBSITE" && part == "VALUE")
                return {Role::Website, n};
            if (kind == "ORGANIZATION" && part == "NAME")
                return {Role::Company, n};
            if (kind == "ORGANIZATION" && (part == "TITLE" || part == "DEPARTMENT"))
                return leftOut(LeftOut::Other);
            if (kind == "ADDRESS")
                for (const Part& p : kGoogleAddressParts)
                    if (part == p.suffix)
                        return {p.role, n - 1};
            if (part == "VALUE")
                for (const char* k : kGoogleLeftOutKinds)
                    if (kind == k)
                        return leftOut(LeftOut::Other);
        }
        return {};
    }

    struct Prefix {
        const char* text;
        int group;
    };
    static constexpr Prefix kPrefixes[] = {
        {"HOME ", kHomeGroup},
        {"BUSINESS ", kWorkGroup},
        {"WORK ", kWorkGroup},
        {"OTHER ", kOtherGroup},
    };
    for (const Prefix& prefix : kPrefixes) {
        const std::string_view p = prefix.text;
        if (h.compare(0, p.size(), p) != 0)
            continue;
        const std::string_view rest = std::string_view(h).substr(p.size());
        for (const Part& part : kAddressParts)
            if (rest == part.suffix)
                return {part.role, prefix.group};
    }
    return {};
}

CsvReader::CsvReader(LineReader& lines, bool windows1252)
    : lines_(lines), windows1252_(windows1252) {}

void CsvReader::fail(Failure failure, std::string message) {
    if (error_)
        error_ = Result::Fail(failure, std::move(message));
}

bool CsvReader::decodeCell(std::string& cell, std::size_t line) {
    if (!HasNonAscii(cell))
        return true;
    const bool utf8 = IsValidUtf8(cell);
    if (!windows1252_) {
        if (utf8) {
            sawUtf8_ = true;
            return true;
        }
        wantsWindows1252_ = !sawUtf8_;
        fail(Failure::BadEncoding, "Line " + std::to_string(line) +
                                       " is not UTF-8 text. Save the file as UTF-8 and import "
                                       "it again.");
        return false;
    }
    if (utf8) {
        fail(Failure::BadEncoding, "Line " + std::to_string(line) +
                                       " is UTF-8 text, but other lines are not: the file mixes "
                                       "two encodings. Save it as UTF-8 and import it again.");
        return false;
    }
    DecodeToUtf8(cell, Charset::Windows1252, converted_);
    cell.swap(converted_);
    return true;
}

void CsvReader::addChar(char c) {
    anyText_ = true;
    if (cellCap_ == 0)
        return;
    if (cell_.size() < cellCap_)
        cell_ += c;
    else
        cellOversize_ = true;
}

std::size_t CsvReader::capOf(std::size_t wanted) const {
    if (wanted >= columns_.size() || columns_[wanted].cell != cellIndex_)
        return 0;
    return columns_[wanted].column.role == Role::LeftOut ? kLeftOutCap : kMaxValueBytes;
}

void CsvReader::takeHeaderName() {
    // A name too long for any column, or not readable, is no column of ours.
    if (cellOversize_ || !error_ || !decodeCell(cell_, lines_.lineNumber()))
        return;
    const Column column = ColumnOf(cell_);
    // A column named twice is read once, from its first place.
    if (column.role == Role::Ignore || !headerSeen_.insert(ToUpperAscii(TrimBlanks(cell_))).second)
        return;
    columns_.push_back({column, cellIndex_});
}

void CsvReader::endCell(bool header) {
    if (header) {
        takeHeaderName();
    } else if (cellCap_ > 0) {
        cells_[nextWanted_].swap(cell_);
        oversize_[nextWanted_] = cellOversize_;
        ++nextWanted_;
    }
    cell_.clear();
    cellOversize_ = false;
    ++cellIndex_;
    cellCap_ = header ? kMaxHeaderName : capOf(nextWanted_);
}

bool CsvReader::readRecord(std::size_t& startLine, bool header) {
    std::string_view piece;
    LineEnd end;
    // Blank lines between rows are no rows.
    do {
        if (!lines_.next(piece, end))
            return false;
    } while (end != LineEnd::More && TrimBlanks(piece).empty());
    startLine = lines_.lineNumber();
    anyQuoted_ = anyText_ = false;
    cellIndex_ = nextWanted_ = 0;
    cell_.clear();
    cellOversize_ = false;
    if (!header) {
        for (auto& c : cells_)
            c.clear();
        std::fill(oversize_.begin(), oversize_.end(), false);
    }
    cellCap_ = header ? kMaxHeaderName : capOf(0);
    // A quote inside a quoted cell is its end, unless another quote follows: which one is
    // known only at the next character, perhaps in the next piece.
    enum class State {
        CellStart,
        Plain,
        Quoted,
        QuoteInQuoted,
        AfterQuote
    } state = State::CellStart;
    for (;;) {
        for (std::size_t i = 0; i < piece.size(); ++i) {
            const char c = piece[i];
            switch (state) {
            case State::CellStart:
                if (c == '"') {
                    state = State::Quoted;
                    anyQuoted_ = true;
                } else if (c == delimiter_) {
                    endCell(header);
                } else {
                    addChar(c);
                    state = State::Plain;
                }
                break;
            case State::QuoteInQuoted:
                if (c == '"') {
                    addChar('"');
                    state = State::Quoted;
                    break;
                }
                state = State::AfterQuote;
                [[fallthrough]];
            case State::Plain:
            case State::AfterQuote:
                // Text after a closing quote is kept, as spreadsheets do.
                if (c == delimiter_) {
                    endCell(header);
                    state = State::CellStart;
                } else {
                    addChar(c);
                }
                break;
            case State::Quoted:
                if (c == '"')
                    state = State::QuoteInQuoted;
                else
                    addChar(c);
                break;
            }
        }
        if (end == LineEnd::More) {
            if (!lines_.next(piece, end))
                return false;
            continue;
        }
        if (state == State::QuoteInQuoted)
            state = State::AfterQuote;
        if (state != State::Quoted)
            break;
        // A line break inside quotes belongs to the cell, exactly as written.
        for (char c : LineEndText(end))
            addChar(c);
        if (end == LineEnd::None || !lines_.next(piece, end)) {
            if (lines_.failure() == LineReader::Failure::None)
                fail(Failure::Malformed, "The quoted value that begins on line " +
                                             std::to_string(startLine) + " is never closed.");
            return false;
        }
    }
    endCell(header);
    return true;
}

bool CsvReader::readHeader() {
    std::string_view line;
    LineEnd end;
    do {
        if (!lines_.next(line, end))
            return false;
    } while (end != LineEnd::More && TrimBlanks(line).empty());
    if (StartsWithNoCase(line, "sep=") && line.size() == 5 && end != LineEnd::More) {
        delimiter_ = line[4];
    } else {
        // The most frequent of comma, semicolon and tab outside quotes; the comma on a tie.
        std::size_t counts[3] = {0, 0, 0};
        bool quoted = false;
        for (char c : line) {
            if (c == '"')
                quoted = !quoted;
            else if (!quoted)
                counts[0] += c == ',', counts[1] += c == ';', counts[2] += c == '\t';
        }
        const char kCandidates[] = {',', ';', '\t'};
        const auto best = std::max_element(std::begin(counts), std::end(counts)) - counts;
        delimiter_ = counts[best] > 0 ? kCandidates[best] : ',';
        lines_.unread();
    }
    std::size_t startLine = 0;
    columns_.clear();
    if (!readRecord(startLine, true)) {
        if (error_ && lines_.failure() == LineReader::Failure::None)
            fail(Failure::UnknownFormat, "The file has no header row.");
        return false;
    }
    std::unordered_set<std::string>().swap(headerSeen_);
    if (!error_)
        return false;
    bool known = false;
    for (const Wanted& w : columns_)
        known = known || w.column.role != Role::LeftOut;
    cells_.assign(columns_.size(), std::string());
    oversize_.assign(columns_.size(), false);
    if (!known)
        fail(Failure::UnknownFormat,
             "The file is neither a vCard file nor a CSV file with the columns of an "
             "address book (such as \"Name\", \"First Name\" or \"E-mail Address\").");
    return known;
}

bool CsvReader::next(ImportedContact& contact) {
    std::size_t startLine = 0;
    for (;;) {
        if (!readRecord(startLine, false))
            return false;
        // A row of empty cells is a spreadsheet's leftover, unless a cell was quoted: an
        // empty contact is written as "" and then a row of its own.
        if (anyQuoted_ || anyText_)
            break;
    }
    contact.clear();
    contact.number = ++contacts_;
    contact.line = startLine;
    texts_.clear();

    // Views of the row's cells, which stay until the contact is converted.
    std::string_view name, display, given, middle, family, company;
    std::size_t companies = 0;
    // E-mail addresses by position; phones with their rank, kind and number; web sites.
    std::vector<std::pair<int, std::string_view>> emails;
    struct PhoneNumber {
        int rank;
        bool mobile;
        std::optional<LeftOut> drop; // a fax or a pager: counted, not stored
        std::string_view number;
    };
    std::vector<PhoneNumber> phones;
    // Google's typed phones: number N's value and label.
    std::vector<std::pair<std::string_view, std::string_view>> typed;
    std::vector<std::pair<int, std::string_view>> sites;
    struct Address {
        std::string_view street, street2, street3, extended, pobox, city, zip, country, region,
            formatted;
        std::size_t more = 0; // further addresses written into the same cells
    };
    std::vector<std::pair<int, Address>> groups;
    bool birthday = false;

    for (std::size_t k = 0; k < columns_.size(); ++k) {
        const Column& col = columns_[k].column;
        std::string& cell = cells_[k];
        if (oversize_[k] && col.role != Role::LeftOut) {
            contact.leave(LeftOut::Oversize);
            continue;
        }
        UnguardCsvCell(cell);
        if (cell.empty())
            continue;
        // Of a column with no field only its being filled matters; it is not decoded.
        if (col.role != Role::LeftOut && !decodeCell(cell, lines_.lineNumber()))
            return false;
        auto takeFirst = [&](std::string_view& into) {
            if (into.empty())
                into = cell;
        };
        auto address = [&]() -> Address& {
            for (auto& g : groups)
                if (g.first == col.index)
                    return g.second;
            groups.emplace_back(col.index, Address{});
            return groups.back().second;
        };
        // A part of an address: its first value; more values are more addresses.
        auto addressPart = [&](std::string_view Address::*field) {
            Address& a = address();
            const auto values = splitValues(cell);
            if (values.empty())
                return;
            if ((a.*field).empty())
                a.*field = values[0];
            a.more = std::max(a.more, values.size() - 1);
        };
        switch (col.role) {
        case Role::Name:
            takeFirst(name);
            break;
        case Role::DisplayName:
            takeFirst(display);
            break;
        case Role::Given:
            takeFirst(given);
            break;
        case Role::Middle:
            takeFirst(middle);
            break;
        case Role::Family:
            takeFirst(family);
            break;
        case Role::Company:
            ++companies;
            takeFirst(company);
            break;
        case Role::Nickname:
            takeFirst(texts_[Field::Nickname]);
            break;
        case Role::Email:
            for (std::string_view v : splitValues(cell))
                emails.emplace_back(col.index, v);
            break;
        case Role::Phone:
        case Role::Mobile:
            for (std::string_view v : splitValues(cell))
                phones.push_back({col.index, col.role == Role::Mobile, std::nullopt, v});
            break;
        case Role::PhoneValue:
        case Role::PhoneLabel: {
            const auto n = static_cast<std::size_t>(col.index);
            if (typed.size() <= n)
                typed.resize(n + 1);
            (col.role == Role::PhoneValue ? typed[n].first : typed[n].second) = cell;
            break;
        }
        case Role::Website:
            for (std::string_view v : splitValues(cell))
                sites.emplace_back(col.index, v);
            break;
        case Role::Street:
            addressPart(&Address::street);
            break;
        case Role::Street2:
            addressPart(&Address::street2);
            break;
        case Role::Street3:
            addressPart(&Address::street3);
            break;
        case Role::Extended:
            addressPart(&Address::extended);
            break;
        case Role::PoBox:
            addressPart(&Address::pobox);
            break;
        case Role::City:
            addressPart(&Address::city);
            break;
        case Role::Zip:
            addressPart(&Address::zip);
            break;
        case Role::Country:
            addressPart(&Address::country);
            break;
        case Role::Region:
            addressPart(&Address::region);
            break;
        case Role::Formatted:
            addressPart(&Address::formatted);
            break;
        case Role::Categories:
            contact.leave(LeftOut::Category, countCategories(cell));
            break;
        case Role::LeftOut:
            // The three birthday columns of Thunderbird are one birthday.
            if (col.leftOut != LeftOut::Birthday)
                contact.leave(col.leftOut);
            birthday = birthday || col.leftOut == LeftOut::Birthday;
            break;
        case Role::Ignore:
            break;
        }
    }
    if (birthday)
        contact.leave(LeftOut::Birthday);

    // E-mail addresses: the first of positions 1 and 2 in their fields, every other one in
    // the next field left free, in the order of the columns.
    {
        std::string_view slots[2];
        std::vector<std::string_view> rest;
        for (const auto& [position, value] : emails) {
            if (position <= 2 && slots[position - 1].empty())
                slots[position - 1] = value;
            else
                rest.push_back(value);
        }
        for (std::string_view value : rest) {
            if (slots[0].empty())
                slots[0] = value;
            else if (slots[1].empty())
                slots[1] = value;
            else
                contact.leave(LeftOut::Email);
        }
        texts_[Field::Email] = slots[0];
        texts_[Field::SecondEmail] = slots[1];
    }

    // Phones: Google's typed ones come after the named ones of Outlook and Thunderbird.
    for (std::size_t n = 0; n < typed.size(); ++n) {
        const auto& [value, label] = typed[n];
        const bool mobile = containsNoCase(label, "mobile") || containsNoCase(label, "cell");
        const std::optional<LeftOut> drop = containsNoCase(label, "fax") ? LeftOut::Fax
                                            : containsNoCase(label, "pager")
                                                ? LeftOut::Phone
                                                : std::optional<LeftOut>();
        for (std::string_view v : splitValues(value))
            phones.push_back({100 + static_cast<int>(n), mobile, drop, v});
    }
    std::stable_sort(phones.begin(), phones.end(),
                     [](const PhoneNumber& a, const PhoneNumber& b) { return a.rank < b.rank; });
    {
        std::string_view phone, mobile, secondMobile;
        for (const PhoneNumber& p : phones) {
            if (p.drop)
                contact.leave(*p.drop);
            else if (p.mobile && mobile.empty())
                mobile = p.number;
            else if (p.mobile && secondMobile.empty())
                secondMobile = p.number;
            else if (!p.mobile && phone.empty())
                phone = p.number;
            else
                contact.leave(LeftOut::Phone);
        }
        // A second mobile stands in for a missing phone.
        if (phone.empty())
            std::swap(phone, secondMobile);
        if (!secondMobile.empty())
            contact.leave(LeftOut::Phone);
        texts_[Field::Phone] = phone;
        texts_[Field::Mobile] = mobile;
    }

    // The web site of the best rank; the others are left out.
    std::stable_sort(sites.begin(), sites.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (!sites.empty()) {
        texts_[Field::WebSite] = sites[0].second;
        contact.leave(LeftOut::WebSite, sites.size() - 1);
    }

    std::string_view& fullName = texts_[Field::Name];
    if (!name.empty()) {
        fullName = name;
    } else if (!display.empty()) {
        fullName = display;
    } else {
        joinedName_.clear();
        for (std::string_view piece : {given, middle, family}) {
            if (piece.empty())
                continue;
            if (!joinedName_.empty())
                joinedName_ += ' ';
            joinedName_ += piece;
        }
        fullName = joinedName_;
    }
    // The organization is the name only of a contact without one.
    if (fullName.empty() && companies > 0) {
        fullName = company;
        --companies;
    }
    contact.leave(LeftOut::Organization, companies);

    // The first address with any part filled; the others are left out.
    std::stable_sort(groups.begin(), groups.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    bool chosen = false;
    for (const auto& [g, a] : groups) {
        const bool filled = !a.street.empty() || !a.street2.empty() || !a.street3.empty() ||
                            !a.extended.empty() || !a.pobox.empty() || !a.city.empty() ||
                            !a.zip.empty() || !a.country.empty() || !a.region.empty() ||
                            !a.formatted.empty();
        if (!filled)
            continue;
        contact.leave(LeftOut::Address, a.more);
        if (chosen) {
            contact.leave(LeftOut::Address);
            continue;
        }
        chosen = true;
        joinedStreet_.clear();
        for (std::string_view piece : {a.street, a.street2, a.street3, a.extended, a.pobox}) {
            if (piece.empty())
                continue;
            if (!joinedStreet_.empty())
                joinedStreet_ += ", ";
            joinedStreet_ += piece;
        }
        texts_[Field::Address] = joinedStreet_;
        if (joinedStreet_.empty() && a.city.empty() && a.zip.empty())
            texts_[Field::Address] = a.formatted;
        texts_[Field::City] = a.city;
        texts_[Field::ZipCode] = a.zip;
        texts_.country = a.country;
        if (!a.region.empty())
            contact.leave(LeftOut::Region);
    }
    ConvertTexts(texts_, contact);
    // Buffers that grew for one large cell are given back once its contact is converted.
    for (std::string* s : {&converted_, &joinedName_, &joinedStreet_})
        if (s->capacity() > kKeepCapacity)
            std::string().swap(*s);
    for (std::string& cell : cells_)
        if (cell.capacity() > kKeepCapacity)
            std::string().swap(cell);
    return true;
}

} // namespace quenlark
