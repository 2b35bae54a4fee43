#include "interchange/textcodec.h"

#include "engine/codepage.h"
#include "engine/contactrecord.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace quenlark {

namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

bool NextValidCodePoint(std::string_view text, std::size_t& i, char32_t& codePoint) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    if (i >= n)
        return false;
    const unsigned char c = s[i];
    if (c < 0x80) {
        codePoint = c;
        ++i;
        return true;
    }
    std::size_t len;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07u;
    } else {
        return false;
    }
    if (n - i < len)
        return false;
    for (std::size_t k = 1; k < len; ++k) {
        if (!isContinuation(s[i + k]))
            return false;
        cp = (cp << 6) | (s[i + k] & 0x3Fu);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    codePoint = cp;
    i += len;
    return true;
}

std::size_t InvalidUtf8Offset(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        // Plain ASCII eight bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, s + i, 8);
            if (word & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i == n)
            break;
        // Latin letters (two bytes, lead C2 to DF) checked in line; the rest in full.
        if (const unsigned char c = s[i]; c >= 0xC2 && c <= 0xDF) {
            if (i + 1 < n && isContinuation(s[i + 1])) {
                i += 2;
                continue;
            }
            return i;
        }
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t cp;
        if (!NextValidCodePoint(text, i, cp))
            return i;
    }
    return std::string_view::npos;
}

std::size_t Utf8BoundaryAtOrBefore(std::string_view text, std::size_t pos) {
    if (pos >= text.size())
        return text.size();
    while (pos > 0 && isContinuation(static_cast<unsigned char>(text[pos])))
        --pos;
    return pos;
}

void AppendXmlEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
}

void AppendFoldedLine(std::string& out, std::string_view line, std::string_view lineEnd) {
    constexpr std::size_t kFoldWidth = 75;
    std::size_t width = kFoldWidth;
    while (line.size() > width) {
        std::size_t cut = Utf8BoundaryAtOrBefore(line, width);
        if (cut == 0)
            cut = width;
        out.append(line.substr(0, cut)).append(lineEnd).append(" ");
        line.remove_prefix(cut);
        width = kFoldWidth - 1;
    }
    out.append(line).append(lineEnd);
}

char32_t NextCodePoint(std::string_view s, std::size_t& i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    len = std::min(len, s.size() - i);
    char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1Fu) : len == 3 ? (c & 0x0Fu) : (c & 0x07u);
    for (std::size_t k = 1; k < len; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
    i += len;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::size_t Utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        if (!isContinuation(static_cast<unsigned char>(c)))
            ++count;
    return count;
}

namespace {

// The value of a hexadecimal digit, or -1.
constexpr std::array<signed char, 256> kHexValues = [] {
    std::array<signed char, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[std::size_t(c)] = c >= '0' && c <= '9'   ? static_cast<signed char>(c - '0')
                            : c >= 'A' && c <= 'F' ? static_cast<signed char>(c - 'A' + 10)
                            : c >= 'a' && c <= 'f' ? static_cast<signed char>(c - 'a' + 10)
                                                   : static_cast<signed char>(-1);
    return t;
}();

int hexDigit(char c) {
    return kHexValues[static_cast<unsigned char>(c)];
}

template <bool kLineBreaks> void decodeQuotedPrintable(std::string& text, std::size_t from) {
    // The output never outgrows the input, so it is written over the input as it is read.
    char* s = text.data();
    const std::size_t n = text.size();
    std::size_t out = from;
    const auto put = [&](char c) {
        // A CR LF made of what was decoded becomes one LF.
        if (kLineBreaks && c == '\n' && out > from && s[out - 1] == '\r')
            s[out - 1] = '\n';
        else
            s[out++] = c;
    };
    for (std::size_t i = from; i < n; ++i) {
        const char c = s[i];
        if (c != '=') {
            put(c);
            continue;
        }
        const std::size_t rest = n - i - 1;
        int high, low;
        if (rest >= 2 && (high = hexDigit(s[i + 1])) >= 0 && (low = hexDigit(s[i + 2])) >= 0) {
            put(static_cast<char>(high * 16 + low));
            i += 2;
        } else if (rest == 0) {
            // A soft line break at the very end.
        } else if (s[i + 1] == '\n') {
            i += 1;
        } else if (s[i + 1] == '\r') {
            i += (rest >= 2 && s[i + 2] == '\n') ? 2 : 1;
        } else {
            put(c);
        }
    }
    text.resize(out);
}

} // namespace

void DecodeQuotedPrintable(std::string& text, std::size_t from) {
    decodeQuotedPrintable<false>(text, from);
}

void DecodeQuotedPrintableLines(std::string& text, std::size_t from) {
    decodeQuotedPrintable<true>(text, from);
}

void CrLfToLf(std::string& text, std::size_t from) {
    // Nothing moves before the first CR; after it, the text between CRs moves in runs.
    std::size_t cr = text.find('\r', from);
    if (cr == std::string::npos)
        return;
    char* s = text.data();
    const std::size_t n = text.size();
    std::size_t out = cr;
    while (cr < n) {
        const bool pair = cr + 1 < n && s[cr + 1] == '\n';
        const std::size_t start = pair ? cr + 1 : cr;
        const void* next = cr + 1 < n ? std::memchr(s + cr + 1, '\r', n - cr - 1) : nullptr;
        const std::size_t end = next ? std::size_t(static_cast<const char*>(next) - s) : n;
        std::memmove(s + out, s + start, end - start);
        out += end - start;
        cr = end;
    }
    text.resize(out);
}

bool HasNonAscii(std::string_view text) {
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if (word & 0x8080808080808080ULL)
            return true;
    }
    for (; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return true;
    return false;
}

bool IsAsciiWithoutNul(std::string_view text) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        // A high bit, or a zero byte (which borrows into its high bit).
        if ((word & kHighs) || ((word - kOnes) & ~word & kHighs))
            return false;
    }
    for (; i < text.size(); ++i)
        if (text[i] == '\0' || static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    return true;
}

Charset CharsetFromName(std::string_view name) {
    const std::string n = ToUpperAscii(TrimBlanks(name));
    if (n == "UTF-8" || n == "UTF8")
        return Charset::Utf8;
    if (n == "US-ASCII" || n == "ASCII" || n == "ANSI_X3.4-1968" || n == "US")
        return Charset::Ascii;
    if (n == "ISO-8859-1" || n == "ISO8859-1" || n == "ISO_8859-1" || n == "LATIN1" ||
        n == "LATIN-1" || n == "L1" || n == "WINDOWS-1252" || n == "CP1252" || n == "X-CP1252")
        return Charset::Windows1252;
    return Charset::Unsupported;
}

std::string_view Cp1252AsUtf8(std::string_view text, std::string& scratch) {
    if (!HasNonAscii(text))
        return text;
    scratch.clear();
    for (const char c : text)
        AppendUtf8(scratch, Cp1252ToUnicode(static_cast<unsigned char>(c)));
    return scratch;
}

std::string_view CountryNameUtf8(std::int32_t index) {
    static const auto names = [] {
        std::array<std::string, kCountryCount> n;
        for (std::size_t i = 1; i < std::size_t(kCountryCount); ++i)
            n[i] = Cp1252ToUtf8(kCountries[i]);
        return n;
    }();
    return index >= 1 && index < kCountryCount ? std::string_view(names[std::size_t(index)])
                                               : std::string_view();
}

bool DecodeToUtf8(std::string_view bytes, Charset charset, std::string& out) {
    switch (charset) {
    case Charset::Utf8:
        if (!IsValidUtf8(bytes))
            return false;
        out.assign(bytes);
        return true;
    case Charset::Ascii:
        for (char c : bytes)
            if (static_cast<unsigned char>(c) >= 0x80)
                return false;
        out.assign(bytes);
        return true;
    case Charset::Windows1252:
        out = Cp1252ToUtf8(bytes);
        return true;
    case Charset::Unsupported:
        break;
    }
    return false;
}

namespace {

// The character the two characters at `at` stand for after a "%" in AppendUriValue's codes,
// or 0 when they are none of them.
char uriCode(std::string_view text, std::size_t at) {
    if (at + 2 > text.size())
        return 0;
    const char hi = text[at];
    const char lo = ToUpperAscii(text[at + 1]);
    if (hi == '2' && lo == 'C')
        return ',';
    if (hi == '3' && lo == 'B')
        return ';';
    if (hi == '5' && lo == 'C')
        return '\\';
    if (hi == '0' && lo == 'A')
        return '\n';
    if (hi == '0' && lo == 'D')
        return '\r';
    if (hi == '2' && lo == '5')
        return '%';
    return 0;
}

} // namespace

void AppendUriValue(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case ',':
            out += "%2C";
            break;
        case ';':
            out += "%3B";
            break;
        case '\\':
            out += "%5C";
            break;
        case '\n':
            out += "%0A";
            break;
        case '\r':
            out += "%0D";
            break;
        case '%':
            // A "%" before what would read as a code is itself written as one.
            out += uriCode(text, i + 1) ? "%25" : "%";
            break;
        default:
            out += text[i];
        }
    }
}

std::string DecodeUriDelimiters(std::string_view uri) {
    std::string out;
    out.reserve(uri.size());
    for (std::size_t i = 0; i < uri.size(); ++i) {
        const char c = uri[i] == '%' ? uriCode(uri, i + 1) : 0;
        // "%25" is a "%" only where AppendUriValue wrote it: before the characters of a code.
        if (c == 0 || (c == '%' && !uriCode(uri, i + 3))) {
            out += uri[i];
            continue;
        }
        out += c;
        i += 2;
    }
    return out;
}

char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = ToUpperAscii(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToUpperAscii(a[i]) != ToUpperAscii(b[i]))
            return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    return text.substr(b, e - b);
}

void UnescapeVCardValue(std::string& text, std::size_t from, bool v21, bool split,
                        std::vector<std::string_view>& parts) {
    // The output never outgrows the input: it is written over it as it is read, and the
    // parts view the output, which stays where it is.
    char* s = text.data();
    const std::size_t n = text.size();
    parts.clear();
    std::size_t out = from;
    std::size_t start = from;
    std::size_t i = from;
    // Eight bytes at a time, the bytes that mean something: a backslash, and a semicolon when
    // splitting (a zero byte after XOR with the character; the lowest one found is exact).
    static_assert(std::endian::native == std::endian::little);
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
    const auto marks = [split](std::uint64_t word) {
        const std::uint64_t b = word ^ (kOnes * '\\');
        std::uint64_t m = (b - kOnes) & ~b & kHighs;
        if (split) {
            const std::uint64_t c = word ^ (kOnes * ';');
            m |= (c - kOnes) & ~c & kHighs;
        }
        return m;
    };
    for (;;) {
        // Plain characters are moved in runs, up to the next one that means something.
        std::size_t run = i;
        for (; run + 8 <= n; run += 8) {
            std::uint64_t word;
            std::memcpy(&word, s + run, 8);
            if (const std::uint64_t m = marks(word)) {
                run += std::size_t(std::countr_zero(m)) / 8;
                break;
            }
        }
        while (run < n && s[run] != '\\' && !(split && s[run] == ';'))
            ++run;
        if (run > i) {
            if (out != i)
                std::memmove(s + out, s + i, run - i);
            out += run - i;
            i = run;
        }
        if (i >= n)
            break;
        const char c = s[i];
        if (c == ';') {
            parts.emplace_back(s + start, out - start);
            start = out;
            ++i;
            continue;
        }
        if (i + 1 == n) {
            s[out++] = c;
            ++i;
            continue;
        }
        const char e = s[i + 1];
        if (e == ';') {
            s[out++] = ';';
        } else if (v21) {
            s[out++] = c;
            ++i;
            continue;
        } else if (e == '\\' || e == ',') {
            s[out++] = e;
        } else if (e == 'n' || e == 'N') {
            s[out++] = '\n';
        } else if (e == 'r') {
            s[out++] = '\r';
        } else {
            s[out++] = c;
            ++i;
            continue;
        }
        i += 2;
    }
    parts.emplace_back(s + start, out - start);
    text.resize(out);
}

} // namespace quenlark
