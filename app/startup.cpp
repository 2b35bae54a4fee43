#include "app/startup.h"

#include "forms/mainform.h"
#include "platform/firststart.h"
#include "platform/instanceguard.h"
#include "platform/services.h"
#include "platform/standarderror.h"
#include "platform/uiseam.h"
#include "reports/reportprint.h"
#include "resources/bitmaps.h"

#include <QApplication>
#include <exception>
#include <memory>

namespace quenlark {

namespace {

// Errors that escape an event handler end up here and are shown by the standard report,
// after which the program carries on.
class QuenlarkApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ShowStandardError(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            ShowStandardError(QStringLiteral("An unexpected error occurred"));
        }
        return false;
    }
};

} // namespace

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
        SetServices(&engine, &settings);

        {
            Tmainform window;
            mainform = &window;
            if (window.startedUp()) {
                window.show();
                QApplication::exec();
            }
            mainform = nullptr;
        }
        SetServices(nullptr, nullptr);
    } catch (const std::exception& e) {
        ShowStandardError(QString::fromLocal8Bit(e.what()));
    }
    guard.release();
    return 0;
}

} // namespace quenlark
