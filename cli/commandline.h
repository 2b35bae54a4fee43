// The program's command line: an address query for mail clients, exports to vCard and CSV,
// an import, help and version. None of it needs a window; the query and the exports only
// read the book, so they work while the program has it open.
//
//     quenlark-addressbook --query TEXT
//     quenlark-addressbook --export-vcard FILE|-
//     quenlark-addressbook --export-csv FILE|-
//     quenlark-addressbook --import FILE [--yes]
//     quenlark-addressbook --sync-setup URL --user NAME [--book NAME]
//     quenlark-addressbook --sync [--yes]
//     quenlark-addressbook --help | --version
#pragma once

#include "engine/result.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace quenlark {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // nothing found, a refused or failed command
inline constexpr int kExitUsage = 2;  // an unknown option or a missing argument

struct CommandLineContext {
    // Puts the path of the book the program works on (the one the window opens) in its
    // argument; a failure, with the reason, when there is none.
    std::function<Result(std::string&)> databasePath;
    std::ostream& out;
    std::ostream& err;
    // Runs --sync-setup and --sync (the sync module, loaded only for them); none in a program
    // built without it.
    std::function<int(const std::vector<std::string>& args, const CommandLineContext& context)>
        runSync = nullptr;
};

// True when the arguments ask for the command line rather than the window: the first one
// starts with "--". (Anything else, such as the toolkit's own "-display :1", is the window's.)
bool WantsCommandLine(int argc, const char* const* argv);

// Runs the command the arguments (without the program's name) give; returns the exit status.
// What it writes to `out` and `err` reaches them as terminal-safe text (cli/terminaltext.h),
// the contacts of an export to "-" included.
int RunCommandLine(const std::vector<std::string>& args, const CommandLineContext& context);

} // namespace quenlark
