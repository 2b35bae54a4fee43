#include "interchange/csvreader.h"

#include "interchange/csvformat.h"
#include "interchange/textcodec.h"

#include <algorithm>
#include <charconv>
#include <climits>

namespace quenlark {

namespace {

using Role = CsvReader::Role;
using Column = CsvReader::Column;

// A record longer than this is not a row of contacts.
constexpr std::size_t kMaxRecord = 16u << 20;

// Address groups: Google's "Address N" are 0 to 99, then Outlook's and Thunderbird's.
constexpr int kHomeGroup = 200;
constexpr int kWorkGroup = 201;
constexpr int kOtherGroup = 202;

struct Named {
    const char* name;
    Column column;
};

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
    {"ORGANIZATION 1 - NAME", {Role::Company, 0}},
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
};

struct Part {
    const char* suffix;
    Role role;
};

// Outlook's and Thunderbird's address columns after "HOME ", "BUSINESS ", "WORK ", "OTHER ".
const Part kAddressParts[] = {
    {"STREET", Role::Street},  {"STREET 2", Role::Street2},       {"STREET 3", Role::Street3},
    {"ADDRESS", Role::Street}, {"ADDRESS 2", Role::Street2},      {"PO BOX", Role::PoBox},
    {"CITY", Role::City},      {"POSTAL CODE", Role::Zip},        {"ZIPCODE", Role::Zip},
    {"ZIP CODE", Role::Zip},   {"COUNTRY/REGION", Role::Country}, {"COUNTRY", Role::Country},
};

// Google's "Address N - " columns.
const Part kGoogleAddressParts[] = {
    {"STREET", Role::Street},       {"EXTENDED ADDRESS", Role::Extended},
    {"PO BOX", Role::PoBox},        {"CITY", Role::City},
    {"POSTAL CODE", Role::Zip},     {"COUNTRY", Role::Country},
    {"FORMATTED", Role::Formatted},
};

bool parseNumber(std::string_view text, int& n) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && n >= 1 && n <= 99;
}

bool containsNoCase(std::string_view text, std::string_view word) {
    const std::string t = ToUpperAscii(text);
    return t.find(ToUpperAscii(word)) != std::string::npos;
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
            if (kind == "ADDRESS")
                for (const Part& p : kGoogleAddressParts)
                    if (part == p.suffix)
                        return {p.role, n - 1};
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

CsvReader::CsvReader(LineReader& lines) : lines_(lines) {}

void CsvReader::fail(ImportFailure failure, std::string message) {
    if (!error_.failed())
        error_ = ImportError{failure, std::move(message)};
}

bool CsvReader::readRecord(std::size_t& startLine) {
    cells_.clear();
    std::string_view line;
    LineEnd end;
    // Blank lines between rows are no rows.
    do {
        if (!lines_.next(line, end))
            return false;
    } while (TrimBlanks(line).empty());
    startLine = lines_.lineNumber();
    anyQuoted_ = false;
    enum class State { CellStart, Plain, Quoted, AfterQuote } state = State::CellStart;
    std::string cell;
    std::size_t size = 0;
    for (;;) {
        if (!IsValidUtf8(line)) {
            fail(ImportFailure::BadEncoding,
                 "Line " + std::to_string(lines_.lineNumber()) +
                     " is not UTF-8 text. Save the file as UTF-8 and import it again.");
            return false;
        }
        size += line.size();
        if (size > kMaxRecord) {
            fail(ImportFailure::Malformed,
                 "The row on line " + std::to_string(startLine) + " is too long.");
            return false;
        }
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            switch (state) {
            case State::CellStart:
                if (c == '"') {
                    state = State::Quoted;
                    anyQuoted_ = true;
                } else if (c == delimiter_) {
                    cells_.push_back(std::move(cell));
                    cell.clear();
                } else {
                    cell += c;
                    state = State::Plain;
                }
                break;
            case State::Plain:
            case State::AfterQuote:
                // Text after a closing quote is kept, as spreadsheets do.
                if (c == delimiter_) {
                    cells_.push_back(std::move(cell));
                    cell.clear();
                    state = State::CellStart;
                } else {
                    cell += c;
                }
                break;
            case State::Quoted:
                if (c != '"') {
                    cell += c;
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    cell += '"';
                    ++i;
                } else {
                    state = State::AfterQuote;
                }
                break;
            }
        }
        if (state != State::Quoted)
            break;
        // A line break inside quotes belongs to the cell, exactly as written.
        cell += LineEndText(end);
        if (end == LineEnd::None || !lines_.next(line, end)) {
            if (lines_.failure() == LineReader::Failure::None)
                fail(ImportFailure::Malformed, "The quoted value that begins on line " +
                                                   std::to_string(startLine) + " is never closed.");
            return false;
        }
    }
    cells_.push_back(std::move(cell));
    return true;
}

bool CsvReader::readHeader() {
    std::string_view line;
    LineEnd end;
    do {
        if (!lines_.next(line, end))
            return false;
    } while (TrimBlanks(line).empty());
    if (StartsWithNoCase(line, "sep=") && line.size() == 5) {
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
    if (!readRecord(startLine)) {
        if (!error_.failed() && lines_.failure() == LineReader::Failure::None)
            fail(ImportFailure::UnknownFormat, "The file has no header row.");
        return false;
    }
    columns_.clear();
    bool known = false;
    for (const std::string& name : cells_) {
        columns_.push_back(ColumnOf(name));
        known = known || columns_.back().role != Role::Ignore;
    }
    if (!known)
        fail(ImportFailure::UnknownFormat,
             "The file is neither a vCard file nor a CSV file with the columns of an "
             "address book (such as \"Name\", \"First Name\" or \"E-mail Address\").");
    return known;
}

bool CsvReader::next(ImportedContact& contact) {
    std::size_t startLine = 0;
    for (;;) {
        if (!readRecord(startLine))
            return false;
        // A row of empty cells is a spreadsheet's leftover, unless a cell was quoted: an
        // empty contact is written as "" and then a row of its own.
        const bool blank =
            !anyQuoted_ && std::all_of(cells_.begin(), cells_.end(),
                                       [](const std::string& c) { return c.empty(); });
        if (!blank)
            break;
    }
    contact.clear();
    contact.number = ++contacts_;
    contact.line = startLine;
    texts_.clear();

    std::string name, display, given, middle, family, company;
    std::string emails[4]; // by position 1, 2, and the first later one in [3]
    int phoneRank = INT_MAX, mobileRank = INT_MAX, siteRank = INT_MAX;
    int group = INT_MAX;
    // The typed phones of Google's columns: number N's value and label.
    std::vector<std::pair<std::string, std::string>> typed;
    struct Address {
        std::string street, street2, street3, extended, pobox, city, zip, country, formatted;
    };
    Address best;
    std::vector<std::pair<int, Address>> groups;

    const std::size_t n = std::min(cells_.size(), columns_.size());
    for (std::size_t i = 0; i < n; ++i) {
        const Column& col = columns_[i];
        if (col.role == Role::Ignore)
            continue;
        std::string& cell = cells_[i];
        UnguardCsvCell(cell);
        if (cell.empty())
            continue;
        auto takeFirst = [&](std::string& into) {
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
            takeFirst(company);
            break;
        case Role::Nickname:
            takeFirst(texts_[Field::Nickname]);
            break;
        case Role::Email:
            takeFirst(emails[std::min(col.index, 3)]);
            break;
        case Role::Phone:
            if (col.index < phoneRank) {
                phoneRank = col.index;
                texts_[Field::Phone] = cell;
            }
            break;
        case Role::Mobile:
            if (col.index < mobileRank) {
                mobileRank = col.index;
                texts_[Field::Mobile] = cell;
            }
            break;
        case Role::PhoneValue:
        case Role::PhoneLabel: {
            const auto k = static_cast<std::size_t>(col.index);
            if (typed.size() <= k)
                typed.resize(k + 1);
            (col.role == Role::PhoneValue ? typed[k].first : typed[k].second) = cell;
            break;
        }
        case Role::Website:
            if (col.index < siteRank) {
                siteRank = col.index;
                texts_[Field::WebSite] = cell;
            }
            break;
        case Role::Street:
            takeFirst(address().street);
            break;
        case Role::Street2:
            takeFirst(address().street2);
            break;
        case Role::Street3:
            takeFirst(address().street3);
            break;
        case Role::Extended:
            takeFirst(address().extended);
            break;
        case Role::PoBox:
            takeFirst(address().pobox);
            break;
        case Role::City:
            takeFirst(address().city);
            break;
        case Role::Zip:
            takeFirst(address().zip);
            break;
        case Role::Country:
            takeFirst(address().country);
            break;
        case Role::Formatted:
            takeFirst(address().formatted);
            break;
        case Role::Ignore:
            break;
        }
    }

    // Google's typed phones come after the named ones of Outlook and Thunderbird.
    for (std::size_t k = 0; k < typed.size(); ++k) {
        const auto& [value, label] = typed[k];
        if (value.empty() || containsNoCase(label, "fax") || containsNoCase(label, "pager"))
            continue;
        const int rank = 100 + static_cast<int>(k);
        const bool mobile = containsNoCase(label, "mobile") || containsNoCase(label, "cell");
        int& current = mobile ? mobileRank : phoneRank;
        if (rank < current) {
            current = rank;
            texts_[mobile ? Field::Mobile : Field::Phone] = value;
        }
    }

    texts_[Field::Email] = emails[1];
    texts_[Field::SecondEmail] = emails[2];
    if (texts_[Field::Email].empty())
        std::swap(texts_[Field::Email], emails[3]);
    else if (texts_[Field::SecondEmail].empty())
        std::swap(texts_[Field::SecondEmail], emails[3]);

    std::string& fullName = texts_[Field::Name];
    if (!name.empty()) {
        fullName = name;
    } else if (!display.empty()) {
        fullName = display;
    } else {
        for (const std::string* piece : {&given, &middle, &family}) {
            if (piece->empty())
                continue;
            if (!fullName.empty())
                fullName += ' ';
            fullName += *piece;
        }
        if (fullName.empty())
            fullName = company;
    }

    for (auto& [g, a] : groups)
        if (g < group) {
            group = g;
            best = std::move(a);
        }
    if (group != INT_MAX) {
        std::string& street = texts_[Field::Address];
        for (const std::string* piece :
             {&best.street, &best.street2, &best.street3, &best.extended, &best.pobox}) {
            if (piece->empty())
                continue;
            if (!street.empty())
                street += ", ";
            street += *piece;
        }
        if (street.empty() && best.city.empty() && best.zip.empty())
            street = best.formatted;
        texts_[Field::City] = best.city;
        texts_[Field::ZipCode] = best.zip;
        texts_.country = best.country;
    }
    ConvertTexts(texts_, contact);
    return true;
}

} // namespace quenlark
