#include "platform/firststart.h"

#include "engine/addressbookengine.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenlark {

namespace {

// Creates a folder and its missing parents, private to the user where it makes them.
bool MakeDirs(const std::string& dir) {
    if (dir.empty())
        return false;
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash)))
        return false;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

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

std::string ProvideFor(SettingsStore& settings, const std::string& exeDir,
                       const std::function<bool(const std::string&)>& isWritable) {
    if (settings.valueExists(kActiveAddressBookValue))
        return {};
    std::string besideProgram = exeDir;
    if (besideProgram.empty() || besideProgram.back() != '/')
        besideProgram += '/';
    if (isWritable(besideProgram + kDefaultDatabaseName))
        return {};
    const std::string dir = UserDatabaseDir();
    if (dir.empty() || !MakeDirs(dir))
        return {};
    const std::string path = dir + '/' + kDefaultDatabaseName;
    if (!EnsureFile(path))
        return {};
    settings.writeString(kActiveAddressBookValue, path);
    return path;
}

} // namespace

bool IsWritableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), W_OK) == 0;
}

std::string UserDatabaseDir() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home == '/')
        base = std::string(home) + "/.local/share";
    else
        return {};
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/quenlark";
}

std::string ProvideDefaultDatabase(SettingsStore& settings, const std::string& exeDir) {
    return ProvideDefaultDatabase(settings, exeDir, IsWritableFile);
}

std::string ProvideDefaultDatabase(SettingsStore& settings, const std::string& exeDir,
                                   const std::function<bool(const std::string&)>& isWritable) {
    try {
        return ProvideFor(settings, exeDir, isWritable);
    } catch (const SettingsError&) {
        // A settings file that cannot be read or written is reported by the start-up's
        // own opening of the database, as it always has been.
        return {};
    }
}

} // namespace quenlark
