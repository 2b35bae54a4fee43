// A stream buffer that reads UTF-16 text from another stream and gives it as UTF-8, a chunk
// at a time, so the readers made for 8-bit text read UTF-16 files unchanged.
#pragma once

#include <istream>
#include <streambuf>
#include <vector>

namespace quenlark {

class Utf16Decoder : public std::streambuf {
public:
    Utf16Decoder(std::istream& in, bool bigEndian);

    // True once the input held something that is not UTF-16 (a surrogate without its pair,
    // an odd byte at the end); the text then ends there.
    bool failed() const { return failed_; }
    // Bytes of UTF-16 read so far.
    std::uint64_t bytesRead() const { return read_; }

protected:
    int_type underflow() override;

private:
    std::istream& in_;
    bool bigEndian_;
    std::vector<char> raw_;
    std::size_t carried_ = 0; // bytes of an unfinished unit or surrogate pair kept from before
    std::vector<char> out_;
    std::uint64_t read_ = 0;
    bool failed_ = false;
    bool ended_ = false;
};

} // namespace quenlark
