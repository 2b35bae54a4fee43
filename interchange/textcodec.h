// Byte-level text helpers shared by the vCard and CSV readers and writers: UTF-8 checks,
// quoted-printable, the character sets a vCard 2.1 file may name, ASCII case folding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quenlark {

// The offset of the first byte that does not begin a well-formed UTF-8 sequence (overlong
// forms, surrogates and code points above U+10FFFF included), or npos for valid text.
std::size_t InvalidUtf8Offset(std::string_view text);
inline bool IsValidUtf8(std::string_view text) {
    return InvalidUtf8Offset(text) == std::string_view::npos;
}

// The largest character boundary of valid UTF-8 text that is not past `pos`.
std::size_t Utf8BoundaryAtOrBefore(std::string_view text, std::size_t pos);

// `text` appended to `out` with & < > and " written as XML (and HTML) entities.
void AppendXmlEscaped(std::string& out, std::string_view text);

// A vCard content line appended to `out` folded so that no physical line passes 75 octets
// (a continuation line's leading blank counts) and no UTF-8 sequence is split; each
// physical line ends with `lineEnd`.
void AppendFoldedLine(std::string& out, std::string_view line, std::string_view lineEnd);

// The code point at `i` of valid UTF-8 text; moves `i` past it.
char32_t NextCodePoint(std::string_view text, std::size_t& i);
// Like NextCodePoint for any text: false, leaving `i` alone, where no well-formed UTF-8
// sequence starts (as InvalidUtf8Offset judges it).
bool NextValidCodePoint(std::string_view text, std::size_t& i, char32_t& codePoint);

// Appends a code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// The number of characters of valid UTF-8 text.
std::size_t Utf8Length(std::string_view text);

// Decodes quoted-printable in place, from `from` to the end of `text`: "=XX" becomes the
// byte XX, "=" before a line end or at the end of the text is a soft line break and vanishes;
// any other "=" is kept as it stands. Linear in the length, however many breaks it holds.
void DecodeQuotedPrintable(std::string& text, std::size_t from = 0);

// The same, and every CR LF the decoded text holds becomes a single LF, in the same pass, as
// CrLfToLf would make it.
void DecodeQuotedPrintableLines(std::string& text, std::size_t from = 0);

// Turns every CR LF from `from` on into a single LF, in place and in linear time.
void CrLfToLf(std::string& text, std::size_t from = 0);

// The character sets a vCard value may be written in. ISO-8859-1 is read as Windows-1252,
// its superset, as mail and web software do: the bytes 0x80 to 0x9F are almost always
// meant that way.
enum class Charset { Utf8, Ascii, Windows1252, Unsupported };
Charset CharsetFromName(std::string_view name);

// Windows-1252 text as UTF-8: the text itself when it is ASCII, else its conversion, made in
// `scratch`. Valid while both are.
std::string_view Cp1252AsUtf8(std::string_view text, std::string& scratch);

// The UTF-8 name of a country of the list (1 to 234); empty for any other index.
std::string_view CountryNameUtf8(std::int32_t index);

// Converts bytes in `charset` to UTF-8. False when the bytes are not valid in it.
bool DecodeToUtf8(std::string_view bytes, Charset charset, std::string& out);

// Whether the text holds a byte above 0x7F.
bool HasNonAscii(std::string_view text);
// Whether every byte of the text is ASCII other than NUL.
bool IsAsciiWithoutNul(std::string_view text);

// A web address as a vCard URI value. No text escapes: readers that follow the standard keep
// backslashes in a URI. The characters some readers still take for delimiters, and those no
// URI may hold raw, are percent-encoded: "," ";" "\" and line breaks, and a "%" that would
// otherwise read back as one of those codes, so that DecodeUriDelimiters gives the text back
// exactly.
void AppendUriValue(std::string& out, std::string_view text);
// Undoes AppendUriValue: %2C %3B %5C %0A %0D become their characters, and %25 a "%" where the
// characters of one of those codes (or 25) follow it; any other percent code stays as written.
std::string DecodeUriDelimiters(std::string_view uri);

// Removes vCard escapes from `text` after `from`, in place, and splits it at unescaped
// semicolons when `split` is set; `parts` views the result. vCard 2.1 escapes only the
// semicolon; later versions also the backslash, the comma and line breaks.
void UnescapeVCardValue(std::string& text, std::size_t from, bool v21, bool split,
                        std::vector<std::string_view>& parts);

char ToUpperAscii(char c);
std::string ToUpperAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Cuts spaces and tabs from both ends.
std::string_view TrimBlanks(std::string_view text);

} // namespace quenlark
