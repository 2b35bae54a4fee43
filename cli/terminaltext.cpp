#include "cli/terminaltext.h"

namespace quenlark {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

bool shownAsItIs(unsigned char byte) {
    return byte == '\t' || byte == '\n' || byte == '\r' || (byte >= 0x20 && byte != 0x7F);
}

// How many bytes follow a leading byte, or -1 when it leads no character.
int followers(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 1;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 2;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 3;
    return -1;
}

// Whether the byte after `lead` keeps the character valid UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF) and not a C1 control.
bool secondByteFits(unsigned char lead, unsigned char byte) {
    switch (lead) {
    case 0xC2:
        return byte >= 0xA0 && byte <= 0xBF; // 0x80 to 0x9F: U+0080 to U+009F
    case 0xE0:
        return byte >= 0xA0 && byte <= 0xBF;
    case 0xED:
        return byte >= 0x80 && byte <= 0x9F;
    case 0xF0:
        return byte >= 0x90 && byte <= 0xBF;
    case 0xF4:
        return byte >= 0x80 && byte <= 0x8F;
    default:
        return byte >= 0x80 && byte <= 0xBF;
    }
}

} // namespace

void TerminalTextFilter::put(unsigned char byte, std::string& out) {
    if (needed_ > 0) {
        const bool fits = open_.size() == 1
                              ? secondByteFits(static_cast<unsigned char>(open_[0]), byte)
                              : byte >= 0x80 && byte <= 0xBF;
        if (fits) {
            open_ += static_cast<char>(byte);
            if (--needed_ == 0) {
                out += open_;
                open_.clear();
            }
            return;
        }
        // The character broke off: it is replaced, and this byte starts afresh, unless it
        // belonged to it (a C1 control, an overlong form).
        const bool continuation = byte >= 0x80 && byte <= 0xBF && open_.size() == 1;
        open_.clear();
        needed_ = 0;
        out += kReplacement;
        if (continuation)
            return;
    }
    if (byte < 0x80) {
        if (shownAsItIs(byte))
            out += static_cast<char>(byte);
        else
            out += kReplacement;
        return;
    }
    const int more = followers(byte);
    if (more < 0) {
        out += kReplacement;
        return;
    }
    open_.assign(1, static_cast<char>(byte));
    needed_ = std::size_t(more);
}

void TerminalTextFilter::feed(std::string_view bytes, std::string& out) {
    out.reserve(out.size() + bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Printable ASCII, tabs and line breaks, most of any text, go on in runs.
        if (needed_ == 0) {
            std::size_t end = i;
            while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0x7F &&
                   shownAsItIs(static_cast<unsigned char>(bytes[end])))
                ++end;
            out.append(bytes.data() + i, end - i);
            if ((i = end) == bytes.size())
                break;
        }
        put(static_cast<unsigned char>(bytes[i++]), out);
    }
}

void TerminalTextFilter::finish(std::string& out) {
    if (needed_ > 0)
        out += kReplacement;
    open_.clear();
    needed_ = 0;
}

std::string TerminalText(std::string_view text) {
    TerminalTextFilter filter;
    std::string out;
    filter.feed(text, out);
    filter.finish(out);
    return out;
}

TerminalTextBuffer::TerminalTextBuffer(std::streambuf* target)
    : target_(target), block_(64 * 1024) {
    setp(block_.data(), block_.data() + block_.size());
}

TerminalTextBuffer::~TerminalTextBuffer() {
    close();
}

bool TerminalTextBuffer::drain(bool finish) {
    safe_.clear();
    filter_.feed(std::string_view(pbase(), std::size_t(pptr() - pbase())), safe_);
    if (finish)
        filter_.finish(safe_);
    setp(block_.data(), block_.data() + block_.size());
    if (!failed_ && !safe_.empty())
        failed_ = target_->sputn(safe_.data(), std::streamsize(safe_.size())) !=
                  std::streamsize(safe_.size());
    return !failed_;
}

TerminalTextBuffer::int_type TerminalTextBuffer::overflow(int_type c) {
    if (!drain(false))
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof()))
        sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
}

int TerminalTextBuffer::sync() {
    return drain(false) && target_->pubsync() == 0 ? 0 : -1;
}

bool TerminalTextBuffer::close() {
    return drain(true) && target_->pubsync() == 0;
}

} // namespace quenlark
