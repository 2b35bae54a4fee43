// Conversion between UTF-8 text and the Windows-1252 bytes kept in the database file.
#pragma once

#include <string>
#include <string_view>

namespace quenlark {

// Converts UTF-8 to Windows-1252. Returns false, leaving `out` unspecified, when the
// text is not valid UTF-8 or holds a character Windows-1252 cannot represent; nothing
// is ever replaced or dropped silently.
bool Utf8ToCp1252(std::string_view utf8, std::string& out);

// Converts Windows-1252 bytes to UTF-8. Every byte has a meaning; the five bytes the
// code page leaves unassigned map to the C1 control characters of the same value so
// the conversion round-trips.
std::string Cp1252ToUtf8(std::string_view bytes);

// The Unicode code point of one Windows-1252 byte.
char32_t Cp1252ToUnicode(unsigned char byte);

// The Windows-1252 byte for a code point, or -1 when it has none.
int UnicodeToCp1252(char32_t codePoint);

// The small letter of a Windows-1252 capital (A-Z, the accented capitals, Š, Œ, Ž, Ÿ);
// every other byte as it is. For comparisons that ignore letter case.
unsigned char FoldCaseCp1252(unsigned char byte);

} // namespace quenlark
