// Where the running program's own files are: its executable's folder and the window module.
// Only absolute paths come out of here, so nothing is ever looked for in the current folder,
// which another person or a downloaded archive may have filled.
#pragma once

#include <string>
#include <vector>

namespace quenlark {

// The folder of an executable at `exePath`, without a trailing separator ("/" for the root);
// "" when the path is not absolute.
std::string FolderOfExecutable(const std::string& exePath);

// The folder of the running executable, as the kernel names it (/proc/self/exe); "" when
// it cannot be known.
std::string ExecutableDir();

// Where a module of the program may lie, in the order to try: beside the executable (the
// build tree), then in lib/quenlark-addressbook/modules of the prefix it is installed
// under. None when the executable's folder is unknown.
std::vector<std::string> ModuleCandidates(const std::string& exeDir, const std::string& name);

} // namespace quenlark
