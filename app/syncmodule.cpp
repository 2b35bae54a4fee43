// The sync module's entry: the CardDAV commands, with libcurl, expat and libsecret, loaded by
// the executable only for --sync-setup and --sync.
#include "app/syncmodule.h"

#include "platform/settingsstore.h"
#include "sync/synccommands.h"

extern "C" __attribute__((visibility("default"))) int
quenlark_run_sync(const std::vector<std::string>& args,
                  const quenlark::CommandLineContext& context) {
    quenlark::SettingsStore settings;
    return quenlark::sync::RunSyncCommand(args, context, settings);
}
