#include "app/startup.h"

#include "engine/addressbookengine.h"
#include "forms/mainform.h"
#include "platform/firststart.h"
#include "platform/instanceguard.h"
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

int RunQuenlark(int argc, char** argv) {
    InstanceGuard guard;
    if (!guard.acquire()) {
        QApplication app(argc, argv);
        ReportAlreadyRunning();
        return 0;
    }

    QuenlarkApplication app(argc, argv);
    try {
        QApplication::setApplicationName(QStringLiteral("Quenlark Address Book"));
        QApplication::setApplicationDisplayName(QString::fromLatin1(kApplicationTitle));
        QApplication::setApplicationVersion(QStringLiteral("2.4.2"));
        QApplication::setDesktopFileName(QStringLiteral("quenlark-addressbook"));
        QApplication::setWindowIcon(ApplicationIcon());
        RegisterApplicationFonts();
        RegisterReportPrinters();

        SettingsStore settings;
        // An installed copy cannot keep its database beside the executable: give the
        // person a database of their own on the first start.
        ProvideDefaultDatabase(settings, ExecutableDir());
        SeamMessageSink messages;
        AddressBookEngine engine(settings, messages, ExecutableDir());
        Tmainform window(engine, settings);
        if (window.startedUp()) {
            window.show();
            QApplication::exec();
        }
    } catch (const std::exception& e) {
        ShowStandardError(QString::fromLocal8Bit(e.what()));
    }
    guard.release();
    return 0;
}

} // namespace quenlark
