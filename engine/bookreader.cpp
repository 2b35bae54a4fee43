#include "engine/bookreader.h"

#include "engine/fileio.h"

#include <cerrno>
#include <cstring>

namespace quenlark {

namespace {

// Records read at a time: 156 KB, so a block is still in the processor's cache when it is
// looked at.
constexpr std::size_t kBlockRecords = 64;

} // namespace

BookReader::~BookReader() {
    fileio::closeFd(fd_);
}

Result BookReader::open(const std::string& path) {
    fileio::closeFd(fd_);
    failed_ = false;
    used_ = filled_ = 0;
    if (Result opened = fileio::openRegularForReading(path, fd_); !opened)
        return opened;
    char header[kHeaderSize];
    const std::int64_t got = fileio::readAt(fd_, header, sizeof header, 0);
    if (got < 0)
        return Result::FromErrno("Cannot read \"" + path + "\"", errno);
    if (CheckHeader(std::string_view(header, std::size_t(got))) != HeaderCheck::Valid) {
        fileio::closeFd(fd_);
        return Result::Fail(Failure::NotABackup,
                            "\"" + path + "\" is not an address book of this version");
    }
    position_ = kHeaderSize;
    block_.resize(kBlockRecords * kRecordSize);
    return {};
}

bool BookReader::fill() {
    const std::int64_t got = fileio::readAt(fd_, block_.data(), block_.size(), position_);
    if (got < 0) {
        failed_ = true;
        return false;
    }
    filled_ = std::size_t(got) / kRecordSize * kRecordSize;
    used_ = 0;
    position_ += std::int64_t(filled_);
    return filled_ > 0;
}

bool BookReader::nextBytes(const char*& record) {
    if (fd_ < 0 || failed_)
        return false;
    if (used_ == filled_ && !fill())
        return false;
    record = block_.data() + used_;
    used_ += kRecordSize;
    return true;
}

bool BookReader::next(ContactRecord& record) {
    const char* bytes = nullptr;
    if (!nextBytes(bytes))
        return false;
    std::memcpy(record.bytes.data(), bytes, kRecordSize);
    return true;
}

} // namespace quenlark
