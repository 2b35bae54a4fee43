// The about box run from the Info menu: its texts, the database path it shows, its links
// and the ways it closes.
#include "controls/quenlarkstdbutton.h"
#include "controls/quenlarkweblink.h"
#include "forms/aboutbox.h"
#include "forms/mainform.h"
#include "modaldriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <functional>

using namespace quenlark;
using namespace quenlark::test;

namespace {

// Runs the "&About Quenlark Address Book 2.4" item and `drive` on the box while it is
// shown modally. A box that `drive` leaves open is closed and fails the test.
void withAboutBox(Tmainform& w, const std::function<void(Taboutbox&)>& drive) {
    const ModalRun run =
        RunModal<Taboutbox>([&] { w.AboutQuenlarkAddressBook241->trigger(); }, drive);
    QVERIFY(run.driven);
    QVERIFY(!run.leftOpen);
    QVERIFY(aboutbox == nullptr); // destroyed when it closed
}

QString shownPath(Tmainform& w) {
    QString path = QStringLiteral("<not shown>");
    withAboutBox(w, [&](Taboutbox& box) {
        path = box.ui()->active_address_book->text();
        box.ui()->QuenlarkStdButton1->Click();
    });
    return path;
}

} // namespace

class TstAboutBox : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void textsIconAndLinks();
    void pathIsTheActiveDatabase();
    void closes_data();
    void closes();

private:
    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> seam_;
};

void TstAboutBox::init() {
    env_ = std::make_unique<TestEnv>();
    seam_ = std::make_unique<ScriptedUiSeam>();
}

void TstAboutBox::cleanup() {
    QVERIFY(seam_->messages.isEmpty());
    seam_.reset();
    env_.reset();
}

void TstAboutBox::textsIconAndLinks() {
    Tmainform w;
    QVERIFY(w.startedUp());
    QCOMPARE(w.AboutQuenlarkAddressBook241->text(),
             QStringLiteral("&About Quenlark Address Book 2.4"));
    withAboutBox(w, [&](Taboutbox& box) {
        const auto& ui = *box.ui();
        QCOMPARE(box.windowTitle(), QStringLiteral("About Quenlark Address Book"));
        QCOMPARE(box.size(), QSize(362, 278));
        QCOMPARE(box.minimumSize(), box.maximumSize());
        QCOMPARE(box.parentWidget(), &w);
        QCOMPARE(ui.titlebar_label->text(), QStringLiteral("About Quenlark Address Book"));
        QVERIFY(ui.titlebar_label->font().bold());
        QVERIFY(!ui.app_icon->pixmap().isNull());
        QCOMPARE(ui.app_icon->pixmap().size(), QSize(32, 32));
        QCOMPARE(ui.Label1->text(), QStringLiteral("Quenlark Address Book 2.4.2"));
        QVERIFY(ui.Label1->font().bold());
        QCOMPARE(ui.Label2->text(), QStringLiteral("Version 2.4.2.0"));
        QCOMPARE(ui.GroupBox1->title(), QStringLiteral("Active Address Book"));
        QCOMPARE(ui.Label8->text(), QStringLiteral("Thanks for using Quenlark Address Book. "));
        QVERIFY(ui.Label4->text().contains(QLatin1String("free of charge")));
        QVERIFY(ui.Label4->text().contains(QLatin1String("warranty")));
        QCOMPARE(ui.Label4->geometry(), QRect(0, 246, 362, 32));
        QCOMPARE(ui.QuenlarkStdButton1->Caption(), QStringLiteral("&OK"));
        QVERIFY(ui.QuenlarkStdButton1->Default());

        QCOMPARE(ui.QuenlarkWebLink1->URL(), QStringLiteral("https://quenlark.example/"));
        QCOMPARE(ui.QuenlarkWebLink1->Caption(), ui.QuenlarkWebLink1->URL());
        QCOMPARE(ui.QuenlarkWebLink2->URL(), QStringLiteral("mailto:support@quenlark.example"));
        QCOMPARE(ui.QuenlarkWebLink2->Caption(), QStringLiteral("support@quenlark.example"));
        QTest::mouseClick(ui.QuenlarkWebLink2, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseClick(ui.QuenlarkWebLink1, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(seam_->launches.size(), 2);
        QCOMPARE(seam_->launches[0].target, QStringLiteral("mailto:support@quenlark.example"));
        QCOMPARE(seam_->launches[1].target, QStringLiteral("https://quenlark.example/"));
        QVERIFY(box.isVisible()); // a link leaves the box open
        QTest::mouseClick(ui.QuenlarkStdButton1, Qt::LeftButton);
    });
}

void TstAboutBox::pathIsTheActiveDatabase() {
    Tmainform w;
    QVERIFY(w.startedUp());
    withAboutBox(w, [&](Taboutbox& box) {
        QLineEdit* path = box.ui()->active_address_book;
        QCOMPARE(path->text(), env_->databasePath());
        QVERIFY(path->isReadOnly());
        path->setFocus();
        path->end(false);
        QTest::keyClicks(path, QStringLiteral("x"));
        QTest::keyClick(path, Qt::Key_Backspace);
        QCOMPARE(path->text(), env_->databasePath());
        QTest::mouseClick(box.ui()->QuenlarkStdButton1, Qt::LeftButton);
    });
    // Read when the box opens, as the settings hold it then: any characters, spaces kept.
    const QString other = QStringLiteral("/home/r\u00e9my/My Books/\u65e5\u672c.qab");
    env_->settings().writeString("Active Address Book", other.toStdString());
    QCOMPARE(shownPath(w), other);
    // No value, or one that is not a text, shows an empty box.
    env_->settings().deleteValue("Active Address Book");
    QCOMPARE(shownPath(w), QString());
    env_->settings().writeNumber("Active Address Book", 3);
    QCOMPARE(shownPath(w), QString());
}

void TstAboutBox::closes_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("OK button") << "button";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "close";
}

void TstAboutBox::closes() {
    QFETCH(QString, how);
    Tmainform w;
    QVERIFY(w.startedUp());
    w.show();
    withAboutBox(w, [&](Taboutbox& box) {
        QWidget* focused = box.ui()->active_address_book;
        focused->setFocus();
        if (how == "button")
            QTest::mouseClick(box.ui()->QuenlarkStdButton1, Qt::LeftButton);
        else if (how == "enter")
            QTest::keyClick(focused, Qt::Key_Return);
        else if (how == "escape")
            QTest::keyClick(focused, Qt::Key_Escape);
        else
            box.close();
    });
    // Escape in the box is the box's own: the main window stays open.
    QVERIFY(w.isVisible());
}

QTEST_MAIN(TstAboutBox)
#include "tst_aboutbox.moc"
