#include "interchange/linereader.h"

#include <algorithm>
#include <cstring>

namespace quenlark {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

} // namespace

std::string_view LineEndText(LineEnd end) {
    switch (end) {
    case LineEnd::Lf:
        return "\n";
    case LineEnd::CrLf:
        return "\r\n";
    case LineEnd::Cr:
        return "\r";
    case LineEnd::None:
    case LineEnd::More:
        break;
    }
    return {};
}

LineReader::LineReader(std::istream& in, std::uint64_t maxBytes, std::size_t maxPiece)
    : in_(in), maxBytes_(maxBytes), maxPiece_(std::max<std::size_t>(maxPiece, 2)) {}

void LineReader::fail(Failure f) {
    if (failure_ == Failure::None)
        failure_ = f;
    eof_ = true;
}

bool LineReader::fill() {
    if (eof_ || failure_ != Failure::None)
        return false;
    // Keep the unread bytes, moved to the front, and read a chunk behind them.
    if (begin_ > 0) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (buf_.size() < end_ + kChunk)
        buf_.resize(end_ + kChunk);
    in_.read(buf_.data() + end_, static_cast<std::streamsize>(kChunk));
    const auto got = static_cast<std::size_t>(in_.gcount());
    if (in_.bad()) {
        fail(Failure::Io);
        return false;
    }
    if (got == 0) {
        eof_ = true;
        return false;
    }
    if (std::memchr(buf_.data() + end_, '\0', got)) {
        fail(Failure::Binary);
        return false;
    }
    total_ += got;
    if (total_ > maxBytes_) {
        fail(Failure::TooLarge);
        return false;
    }
    end_ += got;
    if (got < kChunk && in_.eof())
        eof_ = true;
    return true;
}

void LineReader::skip(std::size_t count) {
    while (end_ - begin_ < count && fill()) {
    }
    begin_ += std::min(count, end_ - begin_);
}

void LineReader::unread() {
    repeat_ = true;
    inLine_ = false;
    if (lastStarted_)
        --line_;
    else
        inLine_ = true;
}

bool LineReader::next(std::string_view& piece, LineEnd& end) {
    if (repeat_) {
        repeat_ = false;
        piece = last_;
        end = lastEnd_;
        if (lastStarted_)
            ++line_;
        inLine_ = end == LineEnd::More;
        return true;
    }
    if (failure_ != Failure::None)
        return false;
    std::size_t scanned = 0; // bytes after begin_ known to hold no line end
    for (;;) {
        const char* base = buf_.data() + begin_;
        const std::size_t avail = end_ - begin_;
        const std::size_t window = std::min(avail, maxPiece_);
        const char* from = base + scanned;
        const std::size_t left = window > scanned ? window - scanned : 0;
        const char* lf = static_cast<const char*>(std::memchr(from, '\n', left));
        const std::size_t lfSpan = lf ? static_cast<std::size_t>(lf - from) : left;
        const char* cr = static_cast<const char*>(std::memchr(from, '\r', lfSpan));
        if (cr && cr + 1 == base + avail && !eof_) {
            // A CR at the end of what was read may be the first half of a CRLF.
            scanned = static_cast<std::size_t>(cr - base);
            if (!fill() && failure_ != Failure::None)
                return false;
            continue;
        }
        const char* stop = cr ? cr : lf;
        if (stop) {
            const auto len = static_cast<std::size_t>(stop - base);
            std::size_t skipLen = 1;
            if (cr) {
                const bool crlf = cr + 1 < base + avail && cr[1] == '\n';
                end = crlf ? LineEnd::CrLf : LineEnd::Cr;
                skipLen = crlf ? 2 : 1;
            } else {
                end = LineEnd::Lf;
            }
            piece = std::string_view(base, len);
            begin_ += len + skipLen;
            break;
        }
        if (avail >= maxPiece_) {
            // No line end within a piece: hand out a piece and keep the line open. A CR
            // stays back for the next piece, which may pair it with its LF.
            std::size_t len = maxPiece_;
            if (base[len - 1] == '\r')
                --len;
            piece = std::string_view(base, len);
            end = LineEnd::More;
            begin_ += len;
            break;
        }
        scanned = avail;
        if (!fill()) {
            if (failure_ != Failure::None)
                return false;
            if (end_ == begin_) {
                if (!inLine_)
                    return false;
                // The input ended right after a piece that left the line open.
                piece = {};
                end = LineEnd::None;
                break;
            }
            piece = std::string_view(buf_.data() + begin_, end_ - begin_);
            end = LineEnd::None;
            begin_ = end_;
            break;
        }
    }
    lastStarted_ = !inLine_;
    if (lastStarted_)
        ++line_;
    inLine_ = end == LineEnd::More;
    last_ = piece;
    lastEnd_ = end;
    return true;
}

} // namespace quenlark
