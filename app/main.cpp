// The executable. Its command line (a mail client's address query, exports, an import)
// runs in standard C++ alone; the window lives in a module loaded only when it is wanted,
// so a query does not pay for loading the toolkit.
#include "app/windowmodule.h"
#include "cli/commandline.h"
#include "cli/terminaltext.h"
#include "platform/firststart.h"
#include "platform/programfiles.h"
#include "platform/settingsstore.h"

#include <dlfcn.h>
#include <exception>
#include <iostream>
#include <sys/stat.h>

namespace {

bool isFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

int runWindow(const std::string& exeDir, int argc, char** argv) {
    // Only where the executable itself lies: a module in the current folder is never run.
    const std::vector<std::string> candidates =
        quenlark::ModuleCandidates(exeDir, quenlark::kWindowModuleName);
    std::string why = candidates.empty() ? "the program's own folder cannot be found"
                                         : candidates.back() + " is missing";
    for (const std::string& candidate : candidates) {
        if (!isFile(candidate))
            continue;
        void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            why = dlerror();
            continue;
        }
        auto* run = reinterpret_cast<quenlark::RunWindowFunction>(
            dlsym(module, quenlark::kWindowEntryPoint));
        if (!run) {
            why = dlerror();
            continue;
        }
        // The module stays loaded until the process ends: Qt's objects outlive main().
        return run(argc, argv);
    }
    std::cerr << "quenlark-addressbook: cannot load the window (" << quenlark::TerminalText(why)
              << ")\n";
    return 1;
}

int run(int argc, char** argv) {
    const std::string exeDir = quenlark::ExecutableDir();
    if (!quenlark::WantsCommandLine(argc, argv))
        return runWindow(exeDir, argc, argv);
    quenlark::SettingsStore settings;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const quenlark::CommandLineContext context{
        [&](std::string& path) { return quenlark::FindActiveBook(settings, exeDir, path); },
        std::cout, std::cerr};
    return quenlark::RunCommandLine(args, context);
}

} // namespace

int main(int argc, char** argv) {
    // Whatever escapes (a failure nobody foresaw, memory running out) ends the program with
    // a word and status 1, never with an abort.
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "quenlark-addressbook: " << quenlark::TerminalText(e.what()) << '\n';
    } catch (...) {
        std::cerr << "quenlark-addressbook: an unexpected error stopped the program\n";
    }
    return quenlark::kExitFailed;
}
