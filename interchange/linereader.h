// Reads a byte stream line by line in bounded memory, for the vCard and CSV readers. A line
// longer than the reader's piece size comes in pieces, so a line of any length is read
// without holding it whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

namespace quenlark {

// How a piece of a line ended: a line feed, a carriage return and line feed, a lone carriage
// return, the end of the input, or nothing yet (the line goes on in the next piece).
enum class LineEnd { None, Lf, CrLf, Cr, More };
std::string_view LineEndText(LineEnd end);

class LineReader {
public:
    enum class Failure { None, Io, TooLarge, Binary };

    // Reads at most `maxBytes` bytes; a longer input is a failure, as is a NUL byte. Lines
    // longer than `maxPiece` bytes come in pieces of at most that size.
    LineReader(std::istream& in, std::uint64_t maxBytes, std::size_t maxPiece);

    // Skips bytes at the start, such as a byte order mark; only before the first line.
    void skip(std::size_t count);

    // The next line, or the next piece of a long one, without its end; valid until the next
    // call. False at the end of the input or on a failure.
    bool next(std::string_view& piece, LineEnd& end);
    // Makes the next call return the last piece again.
    void unread();

    // The number of the line the last piece belongs to, counting from 1.
    std::size_t lineNumber() const { return line_; }
    Failure failure() const { return failure_; }
    std::uint64_t bytesRead() const { return total_; }

private:
    // Reads more input behind the unread bytes; false when nothing more came.
    bool fill();
    void fail(Failure f);

    std::istream& in_;
    std::uint64_t maxBytes_;
    std::size_t maxPiece_;
    std::string buf_;
    std::size_t begin_ = 0; // first unread byte
    std::size_t end_ = 0;   // end of the bytes read
    std::uint64_t total_ = 0;
    bool eof_ = false;
    Failure failure_ = Failure::None;
    std::size_t line_ = 0;
    bool inLine_ = false;      // the last piece returned ended with LineEnd::More
    bool lastStarted_ = false; // the last piece returned began a line
    bool repeat_ = false;
    std::string_view last_;
    LineEnd lastEnd_ = LineEnd::None;
};

} // namespace quenlark
