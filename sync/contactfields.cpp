#include "sync/contactfields.h"

#include "engine/codepage.h"

#include <cstring>

namespace quenlark::sync {

namespace {

// Small letters, no blanks at the ends, one blank between words.
std::string folded(std::string_view text) {
    std::string out;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += static_cast<char>(FoldCaseCp1252(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

ContactFields ContactFields::Of(const ContactRecord& record) {
    ContactFields f;
    for (std::size_t i = 0; i < kFieldCount; ++i)
        f.text[i] = record.text(static_cast<Field>(i));
    f.country = record.country();
    return f;
}

ContactRecord ContactFields::record() const {
    ContactRecord r;
    for (std::size_t i = 0; i < kFieldCount; ++i)
        r.setText(static_cast<Field>(i), text[i]);
    r.setCountry(country);
    return r;
}

std::string ContactFields::encode() const {
    std::string out;
    for (const std::string& t : text) {
        out += t;
        out += '\0';
    }
    out += std::to_string(country);
    return out;
}

bool ContactFields::Decode(std::string_view bytes, ContactFields& out) {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const auto nul = bytes.find('\0');
        if (nul == std::string_view::npos)
            return false;
        out.text[i] = std::string(bytes.substr(0, nul));
        bytes.remove_prefix(nul + 1);
    }
    char* end = nullptr;
    const std::string number(bytes);
    const long country = std::strtol(number.c_str(), &end, 10);
    if (number.empty() || *end != '\0')
        return false;
    out.country = static_cast<std::int32_t>(country);
    return true;
}

std::uint64_t ContactFields::digest() const {
    // FNV-1a over the encoded fields.
    std::uint64_t h = 1469598103934665603ull;
    const auto mix = [&](std::string_view s) {
        for (const char c : s) {
            h ^= static_cast<unsigned char>(c);
            h *= 1099511628211ull;
        }
        h ^= 0xFF;
        h *= 1099511628211ull;
    };
    for (const std::string& t : text)
        mix(t);
    mix(std::to_string(country));
    return h;
}

std::string ContactFields::contentKey() const {
    return folded((*this)[Field::Name]) + '\x1f' + folded((*this)[Field::Email]);
}

} // namespace quenlark::sync
