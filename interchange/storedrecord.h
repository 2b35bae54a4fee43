// A contact record's fields read where they lie, in the record's own bytes as the file holds
// them, without copying them: for the writers, which look at every field of every contact.
#pragma once

#include "engine/contactrecord.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace quenlark {

// The Windows-1252 text of a field, up to its NUL, never beyond its slot.
inline std::string_view StoredField(const char* record, Field field) {
    const FieldSlot slot = slotOf(field);
    return {record + slot.offset, strnlen(record + slot.offset, slot.width)};
}

// The country index, as ContactRecord::country() reads it.
inline std::int32_t StoredCountry(const char* record) {
    const auto* u = reinterpret_cast<const unsigned char*>(record + kCountryOffset);
    return static_cast<std::int32_t>(std::uint32_t(u[0]) | std::uint32_t(u[1]) << 8 |
                                     std::uint32_t(u[2]) << 16 | std::uint32_t(u[3]) << 24);
}

} // namespace quenlark
