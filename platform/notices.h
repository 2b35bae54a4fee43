// Warnings the program gives at most once in a run, when something keeps it from working as
// safely as usual but need not stop it.
#pragma once

#include <string>

class QWidget;

namespace quenlark {

enum class RunNotice { SettingsCannotBeSaved, LockingUnsupported };

// True the first time it is asked about a notice in this run, false afterwards.
bool FirstTimeInRun(RunNotice notice);
// Forgets which notices were given (each test case behaves as a run of its own).
void ForgetRunNotices();

// Tells the person, the first time in a run, that the open database's file system offers no
// file locks, so nothing stops another copy of the program from changing the file at the
// same time. For after a successful open when the engine says lockingUnsupported().
void TellLockingUnsupported(QWidget* owner, const std::string& databasePath);

} // namespace quenlark
