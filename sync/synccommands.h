// The sync's commands on the command line, run from the sync module (quenlark-sync.so):
//
//     quenlark-addressbook --sync-setup URL --user NAME [--book NAME]
//     quenlark-addressbook --sync [--yes]
#pragma once

#include "cli/commandline.h"

#include <string>
#include <vector>

namespace quenlark {
class SettingsStore;
}

namespace quenlark::sync {

// The names of the account's values in the settings file (never the password).
inline constexpr char kSyncUrlSetting[] = "Sync URL";
inline constexpr char kSyncUserSetting[] = "Sync User";
inline constexpr char kSyncBookSetting[] = "Sync Address Book";

struct SyncAccount {
    std::string url; // what the person gave
    std::string user;
    std::string book; // the chosen address book's URL
};

Result LoadSyncAccount(SettingsStore& settings, SyncAccount& account);
Result SaveSyncAccount(SettingsStore& settings, const SyncAccount& account);

// Runs --sync-setup or --sync (`args[0]`) with the settings file in `settings`; returns the
// exit status.
int RunSyncCommand(const std::vector<std::string>& args, const CommandLineContext& context,
                   SettingsStore& settings);

} // namespace quenlark::sync
