// The executable. Its command line (a mail client's address query, exports, an import)
// runs in standard C++ alone; the window lives in a module loaded only when it is wanted,
// so a query does not pay for loading the toolkit.
#include "app/windowmodule.h"
#include "cli/commandline.h"
#include "engine/addressbookengine.h"
#include "platform/firststart.h"
#include "platform/settingsstore.h"

#include <dlfcn.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string executableDir() {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    std::string path(buffer, static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool isFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// The book the window would open, found without changing anything: the settings' value,
// else a database beside the executable, else the person's own.
std::string activeBook(const std::string& exeDir) {
    quenlark::SettingsStore settings;
    if (auto stored = settings.findText(quenlark::kActiveAddressBookValue))
        return *stored;
    const std::string beside = exeDir + '/' + quenlark::kDefaultDatabaseName;
    if (isFile(beside))
        return beside;
    const std::string own = quenlark::UserDatabaseDir();
    if (!own.empty() && isFile(own + '/' + quenlark::kDefaultDatabaseName))
        return own + '/' + quenlark::kDefaultDatabaseName;
    return {};
}

int runWindow(const std::string& exeDir, int argc, char** argv) {
    // Beside the executable in the build tree; in lib/ of the prefix when installed.
    const std::string candidates[] = {
        exeDir + '/' + quenlark::kWindowModuleName,
        exeDir + "/../lib/quenlark-addressbook/" + quenlark::kWindowModuleName,
    };
    std::string why;
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
    std::cerr << "quenlark-addressbook: cannot load the window ("
              << (why.empty() ? candidates[1] + " is missing" : why) << ")\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string exeDir = executableDir();
    if (quenlark::WantsCommandLine(argc, argv)) {
        const std::vector<std::string> args(argv + 1, argv + argc);
        const quenlark::CommandLineContext context{[&] { return activeBook(exeDir); }, std::cout,
                                                   std::cerr};
        return quenlark::RunCommandLine(args, context);
    }
    return runWindow(exeDir, argc, argv);
}
