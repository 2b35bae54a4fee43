// Progress for long work on the window's thread: nothing for quick work, a dialog after half
// a second, windows that keep painting meanwhile, Cancel where allowed.
#include "tools/busyindicator.h"

#include <QProgressDialog>
#include <QThread>
#include <QVBoxLayout>
#include <QtTest>

using namespace quenlark;

namespace {

// A widget that counts its paints.
class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

} // namespace

class TstBusyIndicator : public QObject {
    Q_OBJECT
private slots:
    void quickWorkShowsNothing() {
        QWidget window;
        window.show();
        BusyIndicator busy(&window, QStringLiteral("Working"), 100);
        for (int i = 0; i <= 100; ++i)
            QVERIFY(busy.advance(i));
        QVERIFY(!busy.shown());
        QVERIFY(!window.findChild<QProgressDialog*>());
    }

    void longWorkShowsProgressAndKeepsPainting() {
        QWidget window;
        auto* counter = new PaintCounter;
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(counter);
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        BusyIndicator busy(&window, QStringLiteral("Working"), 1000);
        const int paintsBefore = counter->paints;
        for (int i = 0; i < 1000; ++i) {
            QThread::usleep(800); // about 0.8 s of work in all
            counter->update();
            busy.advance(i);
        }
        QVERIFY(busy.shown());
        auto* dialog = window.findChild<QProgressDialog*>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->labelText(), QStringLiteral("Working"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Quenlark Address Book 2.4.2"));
        QVERIFY(dialog->value() > 400);
        QVERIFY(counter->paints > paintsBefore);
    }

    void cancellableWorkStopsWhenCancelled() {
        QWidget window;
        window.show();
        BusyIndicator busy(&window, QStringLiteral("Importing"), 0, true);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 600)
            QVERIFY(busy.advance(clock.elapsed()));
        auto* dialog = window.findChild<QProgressDialog*>();
        QVERIFY(dialog);
        dialog->cancel();
        QVERIFY(!busy.advance(700));
        QVERIFY(busy.cancelled());
    }
};

QTEST_MAIN(TstBusyIndicator)
#include "tst_busyindicator.moc"
