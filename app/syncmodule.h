// What the executable and the sync module agree on.
#pragma once

#include "cli/commandline.h"

#include <string>
#include <vector>

namespace quenlark {

inline constexpr char kSyncModuleName[] = "quenlark-sync.so";
inline constexpr char kSyncEntryPoint[] = "quenlark_run_sync";
// Runs --sync-setup or --sync (the first argument) with the command line's context.
using RunSyncFunction = int (*)(const std::vector<std::string>& args,
                                const CommandLineContext& context);

} // namespace quenlark
