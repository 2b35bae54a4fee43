// Byte-level text helpers shared by the vCard and CSV readers and writers: UTF-8 checks,
// quoted-printable, the character sets a vCard 2.1 file may name, ASCII case folding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quenlark {

// The offset of the first byte that does not begin a well-formed UTF-8 sequence (overlong
// forms, surrogates and code points above U+10FFFF included), or npos for valid text.
std::size_t InvalidUtf8Offset(std::string_view text);
inline bool IsValidUtf8(std::string_view text) {
    return InvalidUtf8Offset(text) == std::string_view::npos;
}

// The largest character boundary of valid UTF-8 text that is not past `pos`.
std::size_t Utf8BoundaryAtOrBefore(std::string_view text, std::size_t pos);

// The number of characters of valid UTF-8 text.
std::size_t Utf8Length(std::string_view text);

// Decodes quoted-printable: "=XX" becomes the byte XX, "=" before a line end or at the end
// of the text is a soft line break and vanishes; any other "=" is kept as it stands.
std::string DecodeQuotedPrintable(std::string_view text);

// The character sets a vCard value may be written in. ISO-8859-1 is read as Windows-1252,
// its superset, as mail and web software do: the bytes 0x80 to 0x9F are almost always
// meant that way.
enum class Charset { Utf8, Ascii, Windows1252, Unsupported };
Charset CharsetFromName(std::string_view name);

// Converts bytes in `charset` to UTF-8. False when the bytes are not valid in it.
bool DecodeToUtf8(std::string_view bytes, Charset charset, std::string& out);

char ToUpperAscii(char c);
std::string ToUpperAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Cuts spaces and tabs from both ends.
std::string_view TrimBlanks(std::string_view text);

} // namespace quenlark
