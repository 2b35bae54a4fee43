// The executable. Its command line (a mail client's address query, exports, an import)
// runs in standard C++ alone; the window and the CardDAV sync live in modules loaded only when
// they are wanted, so a query pays for neither the toolkit nor the network libraries.
#include "app/syncmodule.h"
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

// Loads a module of the program (only where the executable itself lies: a module in the current
// folder is never run) and gives its entry point; nothing, with the reason in `why`, when none.
void* loadEntry(const std::string& exeDir, const char* name, const char* entry, std::string& why) {
    const std::vector<std::string> candidates = quenlark::ModuleCandidates(exeDir, name);
    why = candidates.empty() ? "the program's own folder cannot be found"
                             : candidates.back() + " is missing";
    for (const std::string& candidate : candidates) {
        if (!isFile(candidate))
            continue;
        void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            why = dlerror();
            continue;
        }
        // The module stays loaded until the process ends: its objects outlive the call.
        if (void* found = dlsym(module, entry))
            return found;
        why = dlerror();
    }
    return nullptr;
}

int runWindow(const std::string& exeDir, int argc, char** argv) {
    std::string why;
    if (auto* run = reinterpret_cast<quenlark::RunWindowFunction>(
            loadEntry(exeDir, quenlark::kWindowModuleName, quenlark::kWindowEntryPoint, why)))
        return run(argc, argv);
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
    // The CardDAV commands live in a module of their own, loaded only for them.
    const auto runSync = [&](const std::vector<std::string>& syncArgs,
                             const quenlark::CommandLineContext& syncContext) {
        std::string why;
        if (auto* sync = reinterpret_cast<quenlark::RunSyncFunction>(
                loadEntry(exeDir, quenlark::kSyncModuleName, quenlark::kSyncEntryPoint, why)))
            return sync(syncArgs, syncContext);
        syncContext.err << "quenlark-addressbook: cannot load the sync (" << why << ")\n";
        return quenlark::kExitFailed;
    };
    const quenlark::CommandLineContext context{
        [&](std::string& path) { return quenlark::FindActiveBook(settings, exeDir, path); },
        std::cout, std::cerr, runSync};
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
