// The pure parts of a sync: pairing the book's contacts with those it held after the last
// sync, and merging one contact's fields three ways.
#pragma once

#include "sync/contactfields.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenlark::sync {

// For each book record, the index of the last-synced record it is (equal, or the same
// contact changed), or -1 for a contact added since; `exact` counts the equal pairs,
// `related` those and the pairs that share a name or an e-mail address.
//
// Equal records are paired in order (a common start and end, then each book record with the
// next equal one); between two such pairs, records that share the name or the first e-mail
// address are paired, then the rest in order when as many are left on both sides (a contact
// changed in place; not after the last equal pair, where new contacts are appended). What is
// left is added (book) or deleted (last sync).
struct BookMatch {
    std::vector<std::ptrdiff_t> lastOf;
    std::size_t exact = 0;
    std::size_t related = 0;
};
BookMatch MatchBook(const std::vector<const ContactFields*>& last,
                    const std::vector<ContactFields>& book);

// A field that both sides changed to different values: the value that lost.
struct FieldConflict {
    std::string field; // "name", "country", ...
    std::string lost;  // UTF-8
    bool serverWon = true;
};

// Merges the book's and the server's fields over `base` (the fields after the last sync, or
// none when the two were never synced): a field changed on one side takes that side; one
// changed on both to different values takes the server's, or the book's when `bookNewer`,
// and the other goes to `conflicts`. Without a base, an empty field takes the other side's.
ContactFields MergeFields(const ContactFields* base, const ContactFields& book,
                          const ContactFields& server, bool bookNewer,
                          std::vector<FieldConflict>& conflicts);

// Seconds since 1970 (UTC) of a vCard REV ("20261209T151000Z", "2026-12-09T15:10:00Z", a date
// alone); none when it cannot be read.
std::optional<std::int64_t> RevTime(std::string_view rev);

} // namespace quenlark::sync
