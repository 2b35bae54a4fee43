// The program's command line: an address query for mail clients, exports to vCard and CSV,
// an import, help and version. None of it needs a window; the query and the exports only
// read the book, so they work while the program has it open.
//
//     quenlark-addressbook --query TEXT
//     quenlark-addressbook --export-vcard FILE|-
//     quenlark-addressbook --export-csv FILE|-
//     quenlark-addressbook --import FILE [--yes]
//     quenlark-addressbook --help | --version
#pragma once

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
    // The book the program works on, as its settings name it; empty when there is none.
    std::function<std::string()> databasePath;
    std::ostream& out;
    std::ostream& err;
};

// True when the arguments ask for the command line rather than the window: the first one
// starts with "--". (Anything else, such as the toolkit's own "-display :1", is the window's.)
bool WantsCommandLine(int argc, const char* const* argv);

// Runs the command the arguments (without the program's name) give; returns the exit status.
int RunCommandLine(const std::vector<std::string>& args, const CommandLineContext& context);

} // namespace quenlark
