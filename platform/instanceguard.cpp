#include "platform/instanceguard.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenlark {

std::string InstanceGuard::defaultDirectory() {
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run == '/')
        return run;
    std::string dir = "/tmp/quenlark-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    return dir;
}

InstanceGuard::InstanceGuard(const std::string& name) : InstanceGuard(name, defaultDirectory()) {}

InstanceGuard::InstanceGuard(const std::string& name, const std::string& directory)
    : path_(directory + "/" + name + ".lock") {}

InstanceGuard::~InstanceGuard() {
    release();
}

bool InstanceGuard::acquire() {
    alreadyRunning_ = false;
    if (fd_ >= 0)
        return true;
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return true;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        alreadyRunning_ = errno == EWOULDBLOCK;
        ::close(fd_);
        fd_ = -1;
        return !alreadyRunning_;
    }
    return true;
}

void InstanceGuard::release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace quenlark
