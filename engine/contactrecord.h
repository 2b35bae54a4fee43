// The database file format: a 36-byte header followed by 2444-byte contact records.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quenlark {

inline constexpr char kMagicText[] = "Quenlark Address Book";
inline constexpr std::size_t kMagicFieldSize = 30;
inline constexpr std::size_t kVersionOffset = 32;
inline constexpr std::size_t kHeaderSize = 36;
inline constexpr std::int32_t kFormatVersion = 2;
inline constexpr std::size_t kRecordSize = 2444;
// The largest address book the program opens, restores or grows to: 4 GiB, about 1.75
// million contacts. A larger file takes too long to read and too much memory to list, and
// is far more likely a mistake or a hostile file than an address book.
inline constexpr std::int64_t kLargestBook = std::int64_t(4) << 30;

// The ten text fields of a contact record, in file order.
enum class Field {
    Name,
    Email,
    SecondEmail,
    Nickname,
    WebSite,
    Phone,
    Mobile,
    Address,
    City,
    ZipCode,
};
inline constexpr std::size_t kFieldCount = 10;

struct FieldSlot {
    std::size_t offset;
    std::size_t width;
};

inline constexpr std::array<FieldSlot, kFieldCount> kFieldSlots{{
    {0, 255},
    {255, 255},
    {510, 255},
    {765, 255},
    {1020, 300},
    {1320, 255},
    {1575, 255},
    {1830, 255},
    {2085, 255},
    {2340, 100},
}};
inline constexpr std::size_t kCountryOffset = 2440;

constexpr FieldSlot slotOf(Field f) {
    return kFieldSlots[static_cast<std::size_t>(f)];
}
// Longest text a field can hold: its width less the terminating NUL.
constexpr std::size_t maxLength(Field f) {
    return slotOf(f).width - 1;
}

// One contact exactly as it lies in the file. Text is Windows-1252 bytes.
struct ContactRecord {
    std::array<char, kRecordSize> bytes{};

    // Text of a field up to its first NUL, never beyond its slot.
    std::string text(Field f) const;
    // Copies text into the slot, cut to the field's longest text, and zero-fills the rest.
    void setText(Field f, std::string_view value);
    std::int32_t country() const;
    void setCountry(std::int32_t index);
};

// True when both records hold the same texts and country index (bytes after a field's NUL,
// which no reader sees, are not compared).
bool SameContact(const ContactRecord& a, const ContactRecord& b);

// Zero-fills every text slot and sets the country index to 0.
void ClearContactRecord(ContactRecord& record);

// A fresh header: the magic text, zero padding, version 2.
std::array<char, kHeaderSize> MakeHeader();

enum class HeaderCheck { Valid, NotADatabase, OtherVersion };
// Checks the first 36 bytes of a file. Fewer than 36 bytes is never a database.
HeaderCheck CheckHeader(std::string_view bytes);

// The fixed country list; a record stores an index into it.
inline constexpr int kCountryCount = 235;
extern const std::array<const char*, kCountryCount> kCountries;

} // namespace quenlark
