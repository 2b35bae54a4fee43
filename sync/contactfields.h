// A contact's fields as the sync compares and keeps them: the ten texts (Windows-1252) and the
// country index, without the zero padding of a record, so that ten thousand contacts on each
// side fit in a few megabytes.
#pragma once

#include "engine/contactrecord.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quenlark::sync {

struct ContactFields {
    std::array<std::string, kFieldCount> text;
    std::int32_t country = 0;

    static ContactFields Of(const ContactRecord& record);
    ContactRecord record() const;
    const std::string& operator[](Field f) const { return text[static_cast<std::size_t>(f)]; }
    std::string& operator[](Field f) { return text[static_cast<std::size_t>(f)]; }
    bool operator==(const ContactFields&) const = default;

    // The fields as one string (NUL between texts, the country last), and back.
    std::string encode() const;
    static bool Decode(std::string_view bytes, ContactFields& out);
    // A 64-bit digest of encode(), for tables and tombstones.
    std::uint64_t digest() const;
    // Name and first e-mail address, in small letters with blanks collapsed: what a slow sync
    // matches contacts by.
    std::string contentKey() const;
};

} // namespace quenlark::sync
