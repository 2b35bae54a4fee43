#include "sync/merge.h"

#include "engine/codepage.h"
#include "interchange/importedcontact.h"

#include <algorithm>
#include <ctime>
#include <unordered_map>

namespace quenlark::sync {

namespace {

std::string countryText(std::int32_t index) {
    return index >= 1 && index < kCountryCount ? Cp1252ToUtf8(kCountries[std::size_t(index)])
                                               : std::string();
}

// Pairs the records of one gap: same name or first e-mail address, then, when `inOrder`, the
// rest in order when both sides have as many left. (New contacts are appended, so a gap
// before an equal pair holds only changed ones; in the last gap a contact deleted and one
// added look alike, and only a shared name or address tells a change.)
void pairGap(const std::vector<const ContactFields*>& last, const std::vector<ContactFields>& book,
             std::size_t lastFrom, std::size_t lastTo, std::size_t bookFrom, std::size_t bookTo,
             bool inOrder, std::vector<std::ptrdiff_t>& lastOf, std::size_t& related) {
    if (lastFrom >= lastTo || bookFrom >= bookTo)
        return;
    std::vector<bool> taken(lastTo - lastFrom, false);
    const auto shares = [](const ContactFields& a, const ContactFields& b) {
        return (!a[Field::Name].empty() && a[Field::Name] == b[Field::Name]) ||
               (!a[Field::Email].empty() && a[Field::Email] == b[Field::Email]);
    };
    std::size_t leftBook = 0;
    for (std::size_t j = bookFrom; j < bookTo; ++j) {
        for (std::size_t i = lastFrom; i < lastTo; ++i)
            if (!taken[i - lastFrom] && shares(*last[i], book[j])) {
                taken[i - lastFrom] = true;
                lastOf[j] = std::ptrdiff_t(i);
                ++related;
                break;
            }
        leftBook += lastOf[j] < 0;
    }
    const auto leftLast = std::size_t(std::count(taken.begin(), taken.end(), false));
    if (!inOrder || leftBook != leftLast)
        return;
    std::size_t i = lastFrom;
    for (std::size_t j = bookFrom; j < bookTo; ++j) {
        if (lastOf[j] >= 0)
            continue;
        while (taken[i - lastFrom])
            ++i;
        taken[i - lastFrom] = true;
        lastOf[j] = std::ptrdiff_t(i);
    }
}

} // namespace

BookMatch MatchBook(const std::vector<const ContactFields*>& last,
                    const std::vector<ContactFields>& book) {
    BookMatch m;
    m.lastOf.assign(book.size(), -1);
    // Equal records in order: the common start and end, then each book record with the next
    // equal last-synced one.
    std::size_t head = 0;
    while (head < last.size() && head < book.size() && *last[head] == book[head]) {
        m.lastOf[head] = std::ptrdiff_t(head);
        ++head;
    }
    std::size_t tail = 0;
    while (tail < last.size() - head && tail < book.size() - head &&
           *last[last.size() - 1 - tail] == book[book.size() - 1 - tail]) {
        m.lastOf[book.size() - 1 - tail] = std::ptrdiff_t(last.size() - 1 - tail);
        ++tail;
    }
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> positions;
    for (std::size_t i = head; i < last.size() - tail; ++i)
        positions[last[i]->digest()].push_back(i);
    std::size_t cursor = head;
    for (std::size_t j = head; j < book.size() - tail; ++j) {
        const auto it = positions.find(book[j].digest());
        if (it == positions.end())
            continue;
        const auto& list = it->second;
        for (auto at = std::lower_bound(list.begin(), list.end(), cursor); at != list.end(); ++at)
            if (*last[*at] == book[j]) {
                m.lastOf[j] = std::ptrdiff_t(*at);
                cursor = *at + 1;
                break;
            }
    }
    // The gaps between equal pairs.
    std::size_t lastFrom = 0, bookFrom = 0;
    for (std::size_t j = 0; j <= book.size(); ++j) {
        if (j < book.size() && m.lastOf[j] < 0)
            continue;
        const std::size_t lastTo = j < book.size() ? std::size_t(m.lastOf[j]) : last.size();
        if (j < book.size())
            ++m.exact;
        pairGap(last, book, lastFrom, lastTo, bookFrom, j, j < book.size(), m.lastOf, m.related);
        lastFrom = lastTo + 1;
        bookFrom = j + 1;
    }
    m.related += m.exact;
    return m;
}

ContactFields MergeFields(const ContactFields* base, const ContactFields& book,
                          const ContactFields& server, bool bookNewer,
                          std::vector<FieldConflict>& conflicts) {
    ContactFields merged;
    // Returns the side that wins one value; `conflict` is set when both changed it.
    const auto pick = [&](const auto& b, const auto& s, const auto* o, bool& conflict) {
        conflict = false;
        if (b == s)
            return b;
        if (o) {
            if (b == *o)
                return s;
            if (s == *o)
                return b;
        } else {
            if (b == decltype(b){})
                return s;
            if (s == decltype(s){})
                return b;
        }
        conflict = true;
        return bookNewer ? b : s;
    };
    bool conflict = false;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        merged.text[i] =
            pick(book.text[i], server.text[i], base ? &base->text[i] : nullptr, conflict);
        if (conflict)
            conflicts.push_back({FieldLabel(static_cast<Field>(i)),
                                 Cp1252ToUtf8(bookNewer ? server.text[i] : book.text[i]),
                                 !bookNewer});
    }
    merged.country = pick(book.country, server.country, base ? &base->country : nullptr, conflict);
    if (conflict)
        conflicts.push_back(
            {"country", countryText(bookNewer ? server.country : book.country), !bookNewer});
    return merged;
}

std::optional<std::int64_t> RevTime(std::string_view rev) {
    std::string digits;
    for (const char c : rev) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c == 'T' || c == 'Z' || c == '-' || c == ':' || c == '.')
            continue;
        else if (c == '+')
            break;
    }
    if (digits.size() < 8)
        return std::nullopt;
    digits.resize(14, '0');
    std::tm t{};
    t.tm_year = std::stoi(digits.substr(0, 4)) - 1900;
    t.tm_mon = std::stoi(digits.substr(4, 2)) - 1;
    t.tm_mday = std::stoi(digits.substr(6, 2));
    t.tm_hour = std::stoi(digits.substr(8, 2));
    t.tm_min = std::stoi(digits.substr(10, 2));
    t.tm_sec = std::stoi(digits.substr(12, 2));
    if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 || t.tm_mday > 31 || t.tm_hour > 23)
        return std::nullopt;
    return std::int64_t(timegm(&t));
}

} // namespace quenlark::sync
