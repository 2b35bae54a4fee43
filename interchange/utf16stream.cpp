#include "interchange/utf16stream.h"

#include <cstring>

namespace quenlark {

namespace {

constexpr std::size_t kRawChunk = 64 * 1024;

void appendUtf8(std::vector<char>& out, std::size_t& at, char32_t cp) {
    auto put = [&](unsigned v) { out[at++] = static_cast<char>(v); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

} // namespace

Utf16Decoder::Utf16Decoder(std::istream& in, bool bigEndian)
    // Four bytes carried at most; two UTF-16 bytes become at most three UTF-8 bytes.
    : in_(in), bigEndian_(bigEndian), raw_(kRawChunk + 4), out_(kRawChunk / 2 * 3 + 8) {}

Utf16Decoder::int_type Utf16Decoder::underflow() {
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    for (;;) {
        if (ended_ || failed_)
            return traits_type::eof();
        in_.read(raw_.data() + carried_, static_cast<std::streamsize>(kRawChunk));
        const auto got = static_cast<std::size_t>(in_.gcount());
        read_ += got;
        const std::size_t have = carried_ + got;
        if (got == 0) {
            ended_ = true;
            // Half a unit, or a high surrogate, left at the end.
            failed_ = carried_ > 0 || in_.bad();
            return traits_type::eof();
        }
        const auto* b = reinterpret_cast<const unsigned char*>(raw_.data());
        auto unit = [&](std::size_t i) -> char32_t {
            return bigEndian_ ? char32_t(b[i] << 8 | b[i + 1]) : char32_t(b[i + 1] << 8 | b[i]);
        };
        std::size_t at = 0;
        std::size_t i = 0;
        while (i + 2 <= have) {
            const char32_t u = unit(i);
            if (u >= 0xD800 && u <= 0xDBFF) {
                if (i + 4 > have)
                    break; // its pair comes with the next chunk
                const char32_t low = unit(i + 2);
                if (low < 0xDC00 || low > 0xDFFF) {
                    failed_ = true;
                    break;
                }
                appendUtf8(out_, at, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 4;
            } else if (u >= 0xDC00 && u <= 0xDFFF) {
                failed_ = true;
                break;
            } else {
                appendUtf8(out_, at, u);
                i += 2;
            }
        }
        carried_ = failed_ ? 0 : have - i;
        std::memmove(raw_.data(), raw_.data() + i, carried_);
        if (at > 0) {
            setg(out_.data(), out_.data(), out_.data() + at);
            return traits_type::to_int_type(*gptr());
        }
    }
}

} // namespace quenlark
