// Warnings the program gives at most once in a run, when something keeps it from working as
// safely as usual but need not stop it.
#pragma once

namespace quenlark {

enum class RunNotice { SettingsCannotBeSaved, LockingUnsupported };

// True the first time it is asked about a notice in this run, false afterwards.
bool FirstTimeInRun(RunNotice notice);
// Forgets which notices were given (each test case behaves as a run of its own).
void ForgetRunNotices();

} // namespace quenlark
