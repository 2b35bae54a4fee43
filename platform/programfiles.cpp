#include "platform/programfiles.h"

#include <climits>
#include <unistd.h>

namespace quenlark {

std::string FolderOfExecutable(const std::string& exePath) {
    if (exePath.empty() || exePath.front() != '/')
        return {};
    const auto slash = exePath.rfind('/');
    return slash == 0 ? std::string("/") : exePath.substr(0, slash);
}

std::string ExecutableDir() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    // A full buffer may hold a cut path.
    if (length <= 0 || std::size_t(length) >= sizeof buffer)
        return {};
    return FolderOfExecutable(std::string(buffer, std::size_t(length)));
}

std::vector<std::string> ModuleCandidates(const std::string& exeDir, const std::string& name) {
    if (exeDir.empty() || exeDir.front() != '/')
        return {};
    const std::string dir = exeDir == "/" ? std::string() : exeDir;
    return {dir + '/' + name, dir + "/../lib/quenlark-addressbook/modules/" + name};
}

} // namespace quenlark
