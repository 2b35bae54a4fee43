#include "app/startup.h"

#include "controls/quenlarkcolour.h"
#include "engine/addressbookengine.h"
#include "forms/mainform.h"
#include "platform/firststart.h"
#include "platform/instanceguard.h"
#include "platform/notices.h"
#include "platform/programoptions.h"
#include "platform/services.h"
#include "platform/settingsstore.h"
#include "platform/standarderror.h"
#include "platform/uiseam.h"
#include "reports/reportprint.h"
#include "resources/bitmaps.h"

#include <exception>
#include <memory>

namespace quenlark {

bool QuenlarkApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowStandardError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowStandardError(QStringLiteral("An unexpected error occurred"));
    }
    return false;
}

void ReportAlreadyRunning() {
    Ui().messageBox(nullptr, QString::fromLatin1(kCannotStartTitle),
                    QString::fromLatin1(kCannotStartText), MsgIcon::Information, MsgButtons::Ok);
}

Session::Session(const std::string& exeDir) : engine_(settings_, messages_, exeDir) {
    // Without a database beside the executable that the person may write, the first start
    // gives them one of their own.
    ProvideDefaultDatabase(settings_, exeDir);
    window_ = std::make_unique<Tmainform>(engine_, settings_);
}

Session::~Session() {
    window_.reset();
}

bool Session::startedUp() const {
    return window_->startedUp();
}

void Session::tellStartupProblems() {
    TellSettingsCannotBeSaved(window_.get(), settings_.lastFailure());
    if (engine_.isOpen() && engine_.lockingUnsupported())
        TellLockingUnsupported(window_.get(), engine_.databasePath());
}

void SetUpApplication() {
    // The name only: a display name would be added to the end of every window's title.
    QApplication::setApplicationName(QStringLiteral("Quenlark Address Book"));
    QApplication::setApplicationVersion(QStringLiteral("2.4.2"));
    QApplication::setDesktopFileName(QStringLiteral("quenlark-addressbook"));
    QApplication::setWindowIcon(ApplicationIcon());
    RegisterApplicationFonts();
    UseProgramPalette();
    RegisterReportPrinters();
}

int RunQuenlark(int argc, char** argv) {
    InstanceGuard guard;
    if (!guard.acquire()) {
        QApplication app(argc, argv);
        ReportAlreadyRunning();
        return 0;
    }

    QuenlarkApplication app(argc, argv);
    try {
        SetUpApplication();

        Session session(ExecutableDir());
        if (session.startedUp()) {
            session.window().show();
            session.tellStartupProblems();
            QApplication::exec();
        }
    } catch (const std::exception& e) {
        ShowStandardError(QString::fromLocal8Bit(e.what()));
    }
    guard.release();
    return 0;
}

} // namespace quenlark
