// The program's start: one copy at a time, the application object, the main window.
#pragma once

#include "engine/addressbookengine.h"
#include "platform/services.h"
#include "platform/settingsstore.h"

#include <QApplication>
#include <memory>
#include <string>

namespace quenlark {

class Tmainform;

// The application object of the program. An error that escapes an event handler (none of
// the program's own handlers throws) ends up here and is shown by the standard error
// report, after which the program carries on.
class QuenlarkApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

inline constexpr char kCannotStartTitle[] = "Cannot start program.";
inline constexpr char kCannotStartText[] =
    "You cannot run two or more copies of Quenlark Address Book at a time.  Please use the "
    "copy that is already open.";

// Tells the person that another copy is running (no owner window, OK button).
void ReportAlreadyRunning();

// One run of the program inside its application object: the settings (with the person's own
// database provided on the first start), the engine and the main window, which opens the
// database as it is created.
class Session {
public:
    // `exeDir` is the executable's folder, where a database of a portable copy may lie.
    explicit Session(const std::string& exeDir);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // True when the window opened the database and is ready to be shown.
    bool startedUp() const;
    Tmainform& window() { return *window_; }
    SettingsStore& settings() { return settings_; }
    AddressBookEngine& engine() { return engine_; }

    // Once the window is up: says, owned by it, that the settings cannot be saved and that the
    // database's file system has no locks, when that is so (each at most once in a run).
    void tellStartupProblems();

private:
    SettingsStore settings_;
    SeamMessageSink messages_;
    AddressBookEngine engine_;
    std::unique_ptr<Tmainform> window_;
};

// Makes the application object the program's: its name, icon, fonts, colours (its own light
// ones whatever the desktop's theme) and report printers.
void SetUpApplication();

// Runs the program and returns its exit code, which is 0 on every path.
int RunQuenlark(int argc, char** argv);

} // namespace quenlark
