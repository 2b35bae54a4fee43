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

Result ChooseActiveBook(SettingsStore& settings, const std::string& exeDir,
                        const std::function<bool(const std::string&)>& isWritable,
                        ActiveBook& book) {
    std::optional<std::string> stored;
    if (Result read = settings.readText(kActiveAddressBookValue, stored); !read)
        return read;
    if (stored) {
        book = {std::move(*stored), BookSource::Settings};
        return {};
    }
    // Without the executable's folder there is no portable copy to look at.
    if (!exeDir.empty()) {
        std::string beside = exeDir;
        if (beside.back() != '/')
            beside += '/';
        beside += kDefaultDatabaseName;
        if (isWritable(beside)) {
            book = {std::move(beside), BookSource::BesideProgram};
            return {};
        }
    }
    const std::string dir = UserDatabaseDir();
    if (dir.empty())
        return Result::Fail(Failure::NotOpen, "There is no folder for the address book: "
                                              "neither XDG_DATA_HOME nor HOME names one");
    book = {dir + '/' + kDefaultDatabaseName, BookSource::PersonsOwn};
    return {};
}

Result FindActiveBook(SettingsStore& settings, const std::string& exeDir, std::string& path,
                      const std::function<bool(const std::string&)>& isWritable) {
    ActiveBook book;
    if (Result chosen = ChooseActiveBook(settings, exeDir, isWritable, book); !chosen)
        return chosen;
    struct stat st {};
    if (book.source == BookSource::PersonsOwn && ::stat(book.path.c_str(), &st) != 0)
        return Result::Fail(Failure::NotOpen,
                            "There is no address book yet; start the program once to make one");
    path = std::move(book.path);
    return {};
}

std::string ProvideDefaultDatabase(SettingsStore& settings, const std::string& exeDir) {
    return ProvideDefaultDatabase(settings, exeDir, IsWritableFile);
}

std::string ProvideDefaultDatabase(SettingsStore& settings, const std::string& exeDir,
                                   const std::function<bool(const std::string&)>& isWritable) {
    ActiveBook book;
    if (!ChooseActiveBook(settings, exeDir, isWritable, book) ||
        book.source != BookSource::PersonsOwn)
        return {};
    if (!MakeFolders(UserDatabaseDir()) || !EnsureFile(book.path))
        return {};
    // Settings that cannot be written keep the path in memory, so this run still opens the
    // person's own database; the store's lastFailure() tells the start-up why.
    [[maybe_unused]] const Result stored = settings.storeText(kActiveAddressBookValue, book.path);
    return book.path;
}

} // namespace quenlark
