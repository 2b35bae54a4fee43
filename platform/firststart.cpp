#include "platform/firststart.h"

#include "engine/addressbookengine.h"
#include "platform/xdgdirs.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenlark {

namespace {

// Makes sure a regular file is at path, creating it empty only when nothing is there.
bool EnsureFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        return ::close(fd) == 0;
    if (errno != EEXIST)
        return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

bool IsWritableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), W_OK) == 0;
}

std::string UserDatabaseDir() {
    return QuenlarkFolder(XdgDataHome());
}

std::string ProvideDefaultDatabase(SettingsStore& settings, const std::string& exeDir) {
    return ProvideDefaultDatabase(settings, exeDir, IsWritableFile);
}

std::string ProvideDefaultDatabase(SettingsStore& settings, const std::string& exeDir,
                                   const std::function<bool(const std::string&)>& isWritable) {
    if (settings.valueExists(kActiveAddressBookValue))
        return {};
    std::string besideProgram = exeDir;
    if (besideProgram.empty() || besideProgram.back() != '/')
        besideProgram += '/';
    if (isWritable(besideProgram + kDefaultDatabaseName))
        return {};
    const std::string dir = UserDatabaseDir();
    if (dir.empty() || !MakeFolders(dir))
        return {};
    const std::string path = dir + '/' + kDefaultDatabaseName;
    if (!EnsureFile(path))
        return {};
    // Settings that cannot be written keep the path in memory, so this run still opens the
    // person's own database; the store's lastFailure() tells the start-up why.
    [[maybe_unused]] const Result stored = settings.storeText(kActiveAddressBookValue, path);
    return path;
}

} // namespace quenlark
