// Which book the program works on, and the first start: a database file of the person's own
// when the executable's folder holds none they can write (an installed copy, and the build
// tree alike).
#pragma once

#include "platform/settingsstore.h"

#include <functional>
#include <string>

namespace quenlark {

// Whether a path names an existing regular file this process may write (access W_OK).
bool IsWritableFile(const std::string& path);

// The folder of the person's own database: $XDG_DATA_HOME/quenlark (an absolute
// $XDG_DATA_HOME only), else ~/.local/share/quenlark; empty when neither can be named.
std::string UserDatabaseDir();

// Where the book the program works on is named.
enum class BookSource { Settings, BesideProgram, PersonsOwn };

struct ActiveBook {
    std::string path;
    BookSource source = BookSource::Settings;
};

// Which book the program works on; the window and the command line both ask this one
// function. The settings' "Active Address Book" when they hold one (settings that cannot be
// read hold none); else <exeDir>/addressbook.qab when it is a file the person may write (a
// portable copy); else the person's own, <UserDatabaseDir()>/addressbook.qab, whether it
// exists yet or not. Nothing is created or written. A failure when the setting is not a
// text, or when the person's own is wanted and no folder for it can be named.
Result ChooseActiveBook(SettingsStore& settings, const std::string& exeDir,
                        const std::function<bool(const std::string&)>& isWritable,
                        ActiveBook& book);

// The book the window would open, for the command line, which never makes one: the choice
// above, with a failure when it is the person's own and that file is not there yet.
Result FindActiveBook(SettingsStore& settings, const std::string& exeDir, std::string& path,
                      const std::function<bool(const std::string&)>& isWritable = IsWritableFile);

// The first start of the window. When the choice above is the person's own, creates that
// file empty if nothing is there yet (an existing file is never replaced) and names it in
// the settings. Returns the path given to the settings, or an empty string when nothing was
// changed (a value already there, a writable file beside the executable, or no per-user
// file could be provided, in which case the usual "cannot open" handling of the start-up
// follows). Settings that cannot be written keep the path in memory for this run and report
// why through their lastFailure().
std::string ProvideDefaultDatabase(SettingsStore& settings, const std::string& exeDir);
// The same, with the writability test given (tests running as root use it).
std::string ProvideDefaultDatabase(SettingsStore& settings, const std::string& exeDir,
                                   const std::function<bool(const std::string&)>& isWritable);

} // namespace quenlark
