#include "cli/commandline.h"

#include "cli/commands.h"
#include "cli/terminaltext.h"

#include <ostream>

namespace quenlark {

namespace {

constexpr char kUsage[] =
    "Usage: quenlark-addressbook [OPTION]\n"
    "Without an option, the address book's window opens.\n"
    "\n"
    "  --query TEXT          print the e-mail addresses of the contacts whose name,\n"
    "                        nickname or e-mail address holds TEXT (any letter case),\n"
    "                        one \"address<TAB>name<TAB>nickname\" line each, after a\n"
    "                        first line of status, as mail clients expect\n"
    "  --export-vcard FILE   write every contact to FILE as vCard 3.0 (- for the output)\n"
    "  --export-csv FILE     write every contact to FILE as CSV (- for the output)\n"
    "  --import FILE         add the contacts of a vCard or CSV file to the address book;\n"
    "                        add --yes to accept values cut to fit their fields\n"
    "  --sync-setup URL --user NAME [--book NAME]\n"
    "                        find the address book on a CardDAV server from URL (the\n"
    "                        server, your principal or the address book), check the\n"
    "                        account and keep it in the settings (never the password)\n"
    "  --sync                bring the address book and the server's in step; add --yes\n"
    "                        to accept deleting more than half of either side\n"
    "                        The password comes from QUENLARK_SYNC_PASSWORD, the keyring\n"
    "                        or standard input.\n"
    "  --help                show this text\n"
    "  --version             show the program's version\n"
    "\n"
    "Exit status: 0 when the command did its work, 1 when nothing matched or the\n"
    "command failed, 2 for a wrong option.\n";

int usageError(const CommandLineContext& context, const std::string& problem) {
    context.err << "quenlark-addressbook: " << problem << "\n\n" << kUsage;
    return kExitUsage;
}

int RunCommand(const std::vector<std::string>& args, const CommandLineContext& context) {
    if (args.empty())
        return usageError(context, "no option given");
    const std::string& option = args[0];
    const auto argument = [&](std::size_t count) { return args.size() == count + 1; };
    if (option == "--help" && argument(0)) {
        context.out << kUsage;
        return kExitOk;
    }
    if (option == "--version" && argument(0)) {
        context.out << "Quenlark Address Book 2.4.2\n";
        return kExitOk;
    }
    if (option == "--query" && argument(1))
        return RunQuery(args[1], context);
    if (option == "--export-vcard" && argument(1))
        return RunExport(args[1], ExportFormat::VCard, context);
    if (option == "--export-csv" && argument(1))
        return RunExport(args[1], ExportFormat::Csv, context);
    if (option == "--import" && (argument(1) || (argument(2) && args[2] == "--yes")))
        return RunImport(args[1], argument(2), context);
    if (option == "--sync-setup" || option == "--sync") {
        if (!context.runSync)
            return usageError(context, option + " is not in this build");
        return context.runSync(args, context);
    }
    if (option == "--help" || option == "--version" || option == "--query" ||
        option == "--export-vcard" || option == "--export-csv" || option == "--import")
        return usageError(context, "wrong arguments for " + option);
    return usageError(context, "unknown option " + option);
}

} // namespace

bool WantsCommandLine(int argc, const char* const* argv) {
    return argc > 1 && std::string(argv[1]).rfind("--", 0) == 0;
}

int RunCommandLine(const std::vector<std::string>& args, const CommandLineContext& context) {
    TerminalTextBuffer outBuffer(context.out.rdbuf());
    TerminalTextBuffer errBuffer(context.err.rdbuf());
    std::ostream out(&outBuffer);
    std::ostream err(&errBuffer);
    const int status = RunCommand(args, {context.databasePath, out, err, context.runSync});
    // What is left (a character cut at the end) goes out too; a failure to write it fails
    // a command that had succeeded.
    const bool written = outBuffer.close();
    errBuffer.close();
    return status == kExitOk && !written ? kExitFailed : status;
}

} // namespace quenlark
