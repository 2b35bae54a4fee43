#include "engine/contactrecord.h"

#include <algorithm>
#include <cstring>

namespace quenlark {

namespace {

std::int32_t readInt32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    const std::uint32_t v = std::uint32_t(u[0]) | std::uint32_t(u[1]) << 8 |
                            std::uint32_t(u[2]) << 16 | std::uint32_t(u[3]) << 24;
    return static_cast<std::int32_t>(v);
}

void writeInt32(char* p, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

std::string ContactRecord::text(Field f) const {
    const FieldSlot s = slotOf(f);
    const char* begin = bytes.data() + s.offset;
    return std::string(begin, strnlen(begin, s.width));
}

void ContactRecord::setText(Field f, std::string_view value) {
    const FieldSlot s = slotOf(f);
    char* begin = bytes.data() + s.offset;
    // A NUL inside the value would end the stored text there anyway.
    value = value.substr(0, std::min(value.find('\0'), s.width - 1));
    std::memset(begin, 0, s.width);
    std::memcpy(begin, value.data(), value.size());
}

std::int32_t ContactRecord::country() const {
    return readInt32(bytes.data() + kCountryOffset);
}

void ContactRecord::setCountry(std::int32_t index) {
    writeInt32(bytes.data() + kCountryOffset, index);
}

bool SameContact(const ContactRecord& a, const ContactRecord& b) {
    for (const FieldSlot& s : kFieldSlots)
        if (std::string_view(a.bytes.data() + s.offset,
                             strnlen(a.bytes.data() + s.offset, s.width)) !=
            std::string_view(b.bytes.data() + s.offset,
                             strnlen(b.bytes.data() + s.offset, s.width)))
            return false;
    return a.country() == b.country();
}

void ClearContactRecord(ContactRecord& record) {
    record.bytes.fill(0);
}

std::array<char, kHeaderSize> MakeHeader() {
    std::array<char, kHeaderSize> header{};
    std::memcpy(header.data(), kMagicText, sizeof kMagicText);
    writeInt32(header.data() + kVersionOffset, kFormatVersion);
    return header;
}

HeaderCheck CheckHeader(std::string_view bytes) {
    if (bytes.size() < kHeaderSize)
        return HeaderCheck::NotADatabase;
    const std::string_view magic(bytes.data(), strnlen(bytes.data(), kMagicFieldSize));
    if (magic != kMagicText)
        return HeaderCheck::NotADatabase;
    if (readInt32(bytes.data() + kVersionOffset) != kFormatVersion)
        return HeaderCheck::OtherVersion;
    return HeaderCheck::Valid;
}

} // namespace quenlark
