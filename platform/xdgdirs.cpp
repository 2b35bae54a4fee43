#include "platform/xdgdirs.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenlark {

namespace {

// The variable's value when it is an absolute path, without trailing separators.
std::string AbsoluteFromEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || *value != '/')
        return {};
    std::string path = value;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string XdgHome(const char* variable, const char* underHome) {
    if (std::string dir = AbsoluteFromEnv(variable); !dir.empty())
        return dir;
    std::string home = AbsoluteFromEnv("HOME");
    if (home.empty())
        return {};
    if (home == "/")
        home.clear();
    return home + underHome;
}

} // namespace

std::string XdgConfigHome() {
    return XdgHome("XDG_CONFIG_HOME", "/.config");
}

std::string XdgDataHome() {
    return XdgHome("XDG_DATA_HOME", "/.local/share");
}

std::string XdgCacheHome() {
    return XdgHome("XDG_CACHE_HOME", "/.cache");
}

std::string XdgRuntimeDir() {
    return AbsoluteFromEnv("XDG_RUNTIME_DIR");
}

std::string QuenlarkFolder(const std::string& base) {
    if (base.empty())
        return {};
    return base == "/" ? "/quenlark" : base + "/quenlark";
}

Result MakeFolders(const std::string& dir) {
    if (dir.empty())
        return Result::Fail(Failure::BadArgument, "No folder was named");
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return {};
        return Result::FromErrno("Cannot create the folder \"" + dir + "\"", ENOTDIR);
    }
    if (errno != ENOENT)
        return Result::FromErrno("Cannot create the folder \"" + dir + "\"", errno);
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        if (Result parent = MakeFolders(dir.substr(0, slash)); !parent)
            return parent;
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return Result::FromErrno("Cannot create the folder \"" + dir + "\"", errno);
    return {};
}

Result EnsurePrivateFolder(const std::string& dir) {
    if (dir.empty())
        return Result::Fail(Failure::BadArgument, "No folder was named");
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return Result::FromErrno("Cannot create the folder \"" + dir + "\"", errno);
    // O_NOFOLLOW: a link planted under this name is refused, not followed.
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR)
            return Result::Fail(Failure::Io, "\"" + dir + "\" is a symbolic link or not a folder");
        return Result::FromErrno("Cannot open the folder \"" + dir + "\"", errno);
    }
    Result outcome;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        outcome = Result::FromErrno("Cannot look at the folder \"" + dir + "\"", errno);
    else if (st.st_uid != ::geteuid())
        outcome = Result::Fail(Failure::Io, "The folder \"" + dir + "\" belongs to another user");
    else if ((st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0)
        outcome = Result::FromErrno("Cannot close the folder \"" + dir + "\" to others", errno);
    ::close(fd);
    return outcome;
}

Result CheckPrivateFolder(const std::string& dir) {
    if (dir.empty())
        return Result::Fail(Failure::BadArgument, "No folder was named");
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0)
        return Result::FromErrno("Cannot look at the folder \"" + dir + "\"", errno);
    if (!S_ISDIR(st.st_mode))
        return Result::Fail(Failure::Io, "\"" + dir + "\" is a symbolic link or not a folder");
    if (st.st_uid != ::geteuid())
        return Result::Fail(Failure::Io, "The folder \"" + dir + "\" belongs to another user");
    if ((st.st_mode & 0777) != 0700)
        return Result::Fail(Failure::Io, "The folder \"" + dir + "\" is open to other users");
    return {};
}

} // namespace quenlark
