#include "sync/synccommands.h"

#include "platform/settingsstore.h"
#include "sync/carddavbook.h"
#include "sync/discovery.h"
#include "sync/httpclient.h"
#include "sync/password.h"
#include "sync/runsync.h"
#include "sync/syncstate.h"

#include <ostream>

namespace quenlark::sync {

namespace {

constexpr char kSyncUsage[] =
    "Usage: quenlark-addressbook --sync-setup URL --user NAME [--book NAME]\n"
    "       quenlark-addressbook --sync [--yes]\n";

int usageError(const CommandLineContext& context, const std::string& problem) {
    context.err << "quenlark-addressbook: " << problem << "\n\n" << kSyncUsage;
    return kExitUsage;
}

int failed(const CommandLineContext& context, const std::string& message) {
    context.err << "quenlark-addressbook: " << message << '\n';
    return kExitFailed;
}

std::string bookName(const AddressBookInfo& book) {
    return book.displayName.empty() ? LastSegment(book.url) : book.displayName;
}

int runSetup(const std::string& url, const std::string& user, const std::string& book,
             const CommandLineContext& context, SettingsStore& settings) {
    if (Result allowed = CheckUrlAllowed(url, url); !allowed)
        return allowed.failure() == Failure::BadArgument ? usageError(context, allowed.message())
                                                         : failed(context, allowed.message());
    std::string password;
    PasswordSource source{};
    if (Result found = FindPassword(user, url, password, source); !found)
        return failed(context, found.message());
    CurlHttpClient http({url, user, std::move(password)});
    Discovery discovery;
    if (Result found = DiscoverAddressBooks(http, url, book, discovery); !found)
        return failed(context, found.message());
    const AddressBookInfo& chosen = discovery.books[discovery.chosen];
    if (Result saved = SaveSyncAccount(settings, {url, user, chosen.url}); !saved)
        return failed(context, "The account cannot be saved: " + saved.message());
    context.out << "Connected to " << ParseUrl(chosen.url).host << " as " << user
                << " (password from " << DescribeSource(source) << ").\n"
                << "Address book to sync: \"" << bookName(chosen) << "\" (" << chosen.url << ")\n";
    if (discovery.books.size() > 1) {
        context.out << "Also on the server (choose one with --book NAME):\n";
        for (std::size_t i = 0; i < discovery.books.size(); ++i)
            if (i != discovery.chosen)
                context.out << "  \"" << bookName(discovery.books[i]) << "\" ("
                            << discovery.books[i].url << ")\n";
    }
    return kExitOk;
}

// The sync itself, with the account, the password and the server's address book ready.
int runSync(bool acceptDeletions, const CommandLineContext& context, SettingsStore& settings) {
    SyncAccount account;
    if (Result loaded = LoadSyncAccount(settings, account); !loaded)
        return failed(context, loaded.message());
    std::string bookPath;
    if (Result found = context.databasePath(bookPath); !found)
        return failed(context, found.message());
    std::string password;
    PasswordSource source{};
    if (Result found = FindPassword(account.user, account.url, password, source); !found)
        return failed(context, found.message());
    CurlHttpClient http({account.url, account.user, std::move(password)});
    CardDavBook collection(http, account.book);
    return RunSync(collection, {bookPath, DefaultSyncStatePath(), account.book, acceptDeletions},
                   context.out, context.err);
}

} // namespace

Result LoadSyncAccount(SettingsStore& settings, SyncAccount& account) {
    account.url = settings.findText(kSyncUrlSetting).value_or("");
    account.user = settings.findText(kSyncUserSetting).value_or("");
    account.book = settings.findText(kSyncBookSetting).value_or("");
    if (account.url.empty() || account.user.empty() || account.book.empty())
        return Result::Fail(Failure::NotFound,
                            "No CardDAV account is set up: run quenlark-addressbook --sync-setup "
                            "URL --user NAME first");
    return {};
}

Result SaveSyncAccount(SettingsStore& settings, const SyncAccount& account) {
    for (const auto& [name, value] :
         {std::pair{kSyncUrlSetting, &account.url}, std::pair{kSyncUserSetting, &account.user},
          std::pair{kSyncBookSetting, &account.book}})
        if (Result stored = settings.storeText(name, *value); !stored)
            return stored;
    return {};
}

int RunSyncCommand(const std::vector<std::string>& args, const CommandLineContext& context,
                   SettingsStore& settings) {
    if (args.empty())
        return usageError(context, "no option given");
    if (args[0] == "--sync") {
        if (args.size() == 1 || (args.size() == 2 && args[1] == "--yes"))
            return runSync(args.size() == 2, context, settings);
        return usageError(context, "wrong arguments for --sync");
    }
    if (args[0] != "--sync-setup")
        return usageError(context, "unknown option " + args[0]);
    if (args.size() < 2 || args[1].rfind("--", 0) == 0)
        return usageError(context, "--sync-setup needs the server's address");
    std::string user, book;
    bool haveUser = false, haveBook = false;
    for (std::size_t i = 2; i < args.size(); i += 2) {
        const bool isUser = args[i] == "--user";
        if ((!isUser && args[i] != "--book") || i + 1 >= args.size() ||
            (isUser ? haveUser : haveBook))
            return usageError(context, "wrong arguments for --sync-setup");
        (isUser ? user : book) = args[i + 1];
        (isUser ? haveUser : haveBook) = true;
    }
    if (user.empty())
        return usageError(context, "--sync-setup needs --user NAME");
    return runSetup(args[1], user, book, context, settings);
}

} // namespace quenlark::sync
