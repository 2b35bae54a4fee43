// Text on its way to a terminal. Contacts and files come from anywhere, and a terminal acts
// on the control characters in what it shows: an escape sequence in a name could move the
// cursor, retitle the window, rewrite the lines above or answer with keystrokes of its own.
// So every control character but tab and the line breaks (the C0 controls, DEL, and the C1
// controls U+0080 to U+009F), and every byte that is not part of a UTF-8 character, comes out
// as U+FFFD. What the program writes to a file is not filtered.
#pragma once

#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace quenlark {

// The filter itself, for text that arrives in pieces: a character cut between two pieces is
// held until its end arrives.
class TerminalTextFilter {
public:
    // Appends the safe form of `bytes` to `out`.
    void feed(std::string_view bytes, std::string& out);
    // Ends the text: a character left unfinished becomes U+FFFD.
    void finish(std::string& out);

private:
    void put(unsigned char byte, std::string& out);

    std::string open_;       // the bytes of a character not yet complete
    std::size_t needed_ = 0; // how many more it needs
};

// The safe form of a whole text.
std::string TerminalText(std::string_view text);

// A stream buffer that passes what is written through the filter to another buffer.
class TerminalTextBuffer : public std::streambuf {
public:
    explicit TerminalTextBuffer(std::streambuf* target);
    ~TerminalTextBuffer() override;
    TerminalTextBuffer(const TerminalTextBuffer&) = delete;
    TerminalTextBuffer& operator=(const TerminalTextBuffer&) = delete;

    // Writes out everything, an unfinished character included; false when the target failed.
    bool close();

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool drain(bool finish);

    std::streambuf* target_;
    TerminalTextFilter filter_;
    std::vector<char> block_;
    std::string safe_;
    bool failed_ = false;
};

} // namespace quenlark
