// The first start: a database file of the person's own when the executable's folder holds
// none they can write (an installed copy, and the build tree alike).
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

// When the settings hold no "Active Address Book" value and <exeDir>/addressbook.qab is
// not a writable file, points the settings at <UserDatabaseDir()>/addressbook.qab, first
// creating that file empty if nothing is there yet (an existing file is never replaced).
// Returns the path given to the settings, or an empty string when nothing was changed (a
// value already there, a writable file beside the executable, or no per-user file could be
// provided, in which case the usual "cannot open" handling of the start-up follows).
// Settings that cannot be read count as holding no value; settings that cannot be written
// keep the path in memory for this run and report why through their lastFailure().
std::string ProvideDefaultDatabase(SettingsStore& settings, const std::string& exeDir);
// The same, with the writability test given (tests running as root use it).
std::string ProvideDefaultDatabase(SettingsStore& settings, const std::string& exeDir,
                                   const std::function<bool(const std::string&)>& isWritable);

} // namespace quenlark
