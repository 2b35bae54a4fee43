// The person's folders for configuration, data, cache and runtime files, after the XDG base
// directory rules: an XDG_* variable counts only when it holds an absolute path; otherwise
// the usual folder under $HOME (itself absolute) is used; without either the folder is
// unknown and the functions return "". (QStandardPaths in Qt 6.4 takes a relative value as
// it is and, without HOME, names folders under the root, so it is not used here.)
#pragma once

#include "engine/result.h"

#include <string>

namespace quenlark {

// $XDG_CONFIG_HOME, else $HOME/.config.
std::string XdgConfigHome();
// $XDG_DATA_HOME, else $HOME/.local/share.
std::string XdgDataHome();
// $XDG_CACHE_HOME, else $HOME/.cache.
std::string XdgCacheHome();
// $XDG_RUNTIME_DIR as it is given; the rules name no folder in its place. Whether it may be
// used is for the caller to check (CheckPrivateFolder).
std::string XdgRuntimeDir();

// The program's own folder in one of those: <base>/quenlark, or "" when base is "".
std::string QuenlarkFolder(const std::string& base);

// Creates a folder and the missing folders above it; those it creates are private to the
// user (0700). Success when the path names a folder afterwards (links followed).
Result MakeFolders(const std::string& dir);

// Makes sure `dir` is a folder only this user can enter: creates it 0700 when it is missing
// (its parent must exist) and closes an existing folder of the user's to others. Refused
// when it is a symbolic link or anything but a folder, or when another user owns it.
Result EnsurePrivateFolder(const std::string& dir);

// Checks, changing nothing, that `dir` is a folder (not a symbolic link) that this user owns
// and that only they may read, write or enter (permissions 0700), as a runtime folder must be.
Result CheckPrivateFolder(const std::string& dir);

} // namespace quenlark
