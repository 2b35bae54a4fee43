// The application object: an error that escapes an event handler is shown by the standard
// error report, and the program carries on.
#include "app/startup.h"
#include "platform/standarderror.h"
#include "scripteduiseam.h"

#include <QtTest>
#include <stdexcept>

using namespace quenlark;
using namespace quenlark::test;

namespace {

// A control whose click fails the way a broken handler would.
class FailingControl : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override {
        ++presses;
        throw std::runtime_error("The disk is full");
    }
};

} // namespace

class TstApplication : public QObject {
    Q_OBJECT
private slots:
    void escapedErrorIsShownAndTheProgramGoesOn();
};

void TstApplication::escapedErrorIsShownAndTheProgramGoesOn() {
    QApplication::setApplicationName(QStringLiteral("Quenlark Address Book"));
    ScriptedUiSeam seam;
    FailingControl control;
    control.resize(50, 20);
    control.show();
    QVERIFY(QTest::qWaitForWindowExposed(&control));
    QTest::mouseClick(&control, Qt::LeftButton);
    QCOMPARE(control.presses, 1);
    QCOMPARE(seam.messages.size(), 1);
    QCOMPARE(seam.messages[0].title, QString::fromLatin1(kApplicationTitle));
    QCOMPARE(seam.messages[0].text, QStringLiteral("The disk is full."));
    QCOMPARE(seam.messages[0].icon, MsgIcon::Error);
    QCOMPARE(seam.messages[0].buttons, MsgButtons::Ok);
    // The control goes on working.
    QTest::mouseClick(&control, Qt::LeftButton);
    QCOMPARE(control.presses, 2);
    QCOMPARE(seam.messages.size(), 2);
}

int main(int argc, char** argv) {
    QuenlarkApplication app(argc, argv);
    TstApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
