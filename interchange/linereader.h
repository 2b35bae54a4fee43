// Reads a byte stream line by line in bounded memory, for the vCard and CSV readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

namespace quenlark {

// How a line ended: a line feed, a carriage return and line feed, a lone carriage return,
// or the end of the input.
enum class LineEnd { None, Lf, CrLf, Cr };
std::string_view LineEndText(LineEnd end);

class LineReader {
public:
    enum class Failure { None, Io, TooLarge, Binary, LineTooLong };

    // Reads at most `maxBytes` bytes; a longer input is a failure, as is a NUL byte or a
    // line longer than `maxLine` bytes.
    LineReader(std::istream& in, std::uint64_t maxBytes, std::size_t maxLine);

    // The first bytes of the input, up to `count`, without taking them.
    std::string_view head(std::size_t count);
    // Skips bytes at the start, such as a byte order mark; only before the first line.
    void skip(std::size_t count);

    // The next line without its end, valid until the next call. False at the end of the
    // input or on a failure.
    bool next(std::string_view& line, LineEnd& end);
    // Makes the next call return the last line again.
    void unread();

    // The number of the line last returned, counting from 1.
    std::size_t lineNumber() const { return line_; }
    Failure failure() const { return failure_; }
    std::uint64_t bytesRead() const { return total_; }

private:
    // Reads more input behind the unread bytes; false when nothing more came.
    bool fill();
    void fail(Failure f);

    std::istream& in_;
    std::uint64_t maxBytes_;
    std::size_t maxLine_;
    std::string buf_;
    std::size_t begin_ = 0; // first unread byte
    std::size_t end_ = 0;   // end of the bytes read
    std::uint64_t total_ = 0;
    bool eof_ = false;
    Failure failure_ = Failure::None;
    std::size_t line_ = 0;
    bool repeat_ = false;
    std::string_view last_;
    LineEnd lastEnd_ = LineEnd::None;
};

} // namespace quenlark
