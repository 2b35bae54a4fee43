#include "platform/instanceguard.h"

#include "engine/fileio.h"
#include "platform/xdgdirs.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenlark {

std::string InstanceGuard::defaultDirectory() {
    return chooseDirectory(XdgRuntimeDir(), "/tmp/quenlark-" + std::to_string(::geteuid()),
                           QuenlarkFolder(XdgCacheHome()));
}

std::string InstanceGuard::chooseDirectory(const std::string& runtimeDir,
                                           const std::string& sharedFallback,
                                           const std::string& homeFallback) {
    if (!runtimeDir.empty() && CheckPrivateFolder(runtimeDir))
        return runtimeDir;
    // Anyone may create names in /tmp: a folder there is used only when it is our own.
    if (!sharedFallback.empty() && EnsurePrivateFolder(sharedFallback))
        return sharedFallback;
    if (!homeFallback.empty() && MakeFolders(fileio::parentDir(homeFallback)) &&
        EnsurePrivateFolder(homeFallback))
        return homeFallback;
    return {};
}

InstanceGuard::InstanceGuard(const std::string& name) : InstanceGuard(name, defaultDirectory()) {}

InstanceGuard::InstanceGuard(const std::string& name, const std::string& directory)
    : path_(directory.empty() ? std::string() : directory + "/" + name + ".lock") {}

InstanceGuard::~InstanceGuard() {
    release();
}

bool InstanceGuard::acquire() {
    alreadyRunning_ = false;
    if (fd_ >= 0 || path_.empty())
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
