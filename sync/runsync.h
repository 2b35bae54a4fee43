// `--sync` on the command line: the book the settings name kept in step with the collection,
// and a summary of what was done.
#pragma once

#include "sync/carddavcollection.h"

#include <iosfwd>
#include <string>

namespace quenlark::sync {

struct SyncCommand {
    std::string bookPath;   // the book the window opens
    std::string statePath;  // the sync state (DefaultSyncStatePath())
    std::string collection; // the collection's URL, as the settings keep it
    bool yes = false;       // a sync that deletes more than half of one side may go on
};

// Runs one sync and prints its summary to `out`, a failure to `err`. Returns 0 when both
// sides are in step, 1 on a failure (the side that failed is unchanged; the next sync
// finishes the work) or when a large deletion needs --yes.
int RunSync(CardDavCollection& collection, const SyncCommand& command, std::ostream& out,
            std::ostream& err);

} // namespace quenlark::sync
