#include "engine/bookreader.h"

#include "engine/fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quenlark {

namespace {

// Records read at a time: 156 KB, so a block is still in the processor's cache when it is
// looked at.
constexpr std::size_t kBlockRecords = 64;

} // namespace

BookReader::~BookReader() {
    guard_.release();
    fileio::closeFd(fd_);
}

Result BookReader::open(const std::string& path) {
    guard_.release();
    fileio::closeFd(fd_);
    failed_ = false;
    used_ = filled_ = 0;
    rollback_.reset();
    if (Result opened = fileio::openRegularForReading(path, fd_); !opened)
        return opened;
    const auto refuse = [&](Result why) {
        fileio::closeFd(fd_);
        return why;
    };
    end_ = fileio::sizeOf(fd_);
    if (end_ > kLargestBook)
        return refuse(Result::Fail(Failure::TooLarge, "\"" + path +
                                                          "\" is larger than 4 GiB, more than "
                                                          "an address book may be"));
    char header[kHeaderSize];
    const std::int64_t got = fileio::readAt(fd_, header, sizeof header, 0);
    if (got < 0)
        return refuse(Result::FromErrno("Cannot read \"" + path + "\"", errno));
    if (CheckHeader(std::string_view(header, std::size_t(got))) != HeaderCheck::Valid)
        return refuse(Result::Fail(Failure::NotABackup,
                                   "\"" + path + "\" is not an address book of this version"));
    std::string real;
    if (Result followed = fileio::followLinks(path, real); !followed)
        return refuse(followed);
    rollback_ = RollbackJournal::Pending(real, fd_);
    if (rollback_)
        end_ = rollback_->originalSize;
    guard_.guard(fd_);
    position_ = kHeaderSize;
    block_.resize(kBlockRecords * kRecordSize);
    return {};
}

bool BookReader::fill() {
    used_ = filled_ = 0;
    const auto want =
        std::size_t(std::clamp<std::int64_t>(end_ - position_, 0, std::int64_t(block_.size())));
    if (want == 0)
        return false;
    const std::int64_t got = fileio::readAt(fd_, block_.data(), want, position_);
    if (got < 0) {
        failed_ = true;
        return false;
    }
    if (rollback_) {
        // The bytes the unfinished change wrote over, as they were.
        const std::int64_t from = std::max(position_, rollback_->offset);
        const std::int64_t to =
            std::min(position_ + got, rollback_->offset + std::int64_t(rollback_->saved.size()));
        if (from < to)
            std::copy(rollback_->saved.begin() + (from - rollback_->offset),
                      rollback_->saved.begin() + (to - rollback_->offset),
                      block_.begin() + (from - position_));
    }
    filled_ = std::size_t(got) / kRecordSize * kRecordSize;
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
