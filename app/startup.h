// The program's start: one copy at a time, the application object, the main window.
#pragma once

#include <QApplication>

namespace quenlark {

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

// Runs the program and returns its exit code, which is 0 on every path.
int RunQuenlark(int argc, char** argv);

} // namespace quenlark
