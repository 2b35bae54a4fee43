// The about box run from the Info menu: its texts, the database path it shows, its links
// and the ways it closes.
#include "controls/quenlarkstdbutton.h"
#include "controls/quenlarkweblink.h"
#include "forms/aboutbox.h"
#include "forms/mainform.h"
#include "guitest.h"
#include "modaldriver.h"

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
    const ModalRun run = RunModal<Taboutbox>([&] { Action(w, "aboutItem")->trigger(); }, drive);
    QVERIFY(run.driven);
    QVERIFY(!run.leftOpen);
    QVERIFY(run.destroyed); // destroyed when it closed
}

QString shownPath(Tmainform& w) {
    QString path = QStringLiteral("<not shown>");
    withAboutBox(w, [&](Taboutbox& box) {
        path = Child<QLineEdit>(box, "databasePath")->text();
        Child<TQuenlarkStdButton>(box, "okButton")->Click();
    });
    return path;
}

} // namespace

class TstAboutBox : public GuiTest {
    Q_OBJECT
private slots:
    void cleanup() override;

    void textsIconAndLinks();
    void pathIsTheActiveDatabase();
    void closes_data();
    void closes();
};

void TstAboutBox::cleanup() {
    QVERIFY(seam_->messages.isEmpty());
    GuiTest::cleanup();
}

void TstAboutBox::textsIconAndLinks() {
    auto window = MakeMainWindow(*env_);
    Tmainform& w = *window;
    QVERIFY(w.startedUp());
    QCOMPARE(Action(w, "aboutItem")->text(), QStringLiteral("&About Quenlark Address Book 2.4"));
    withAboutBox(w, [&](Taboutbox& box) {
        QCOMPARE(box.windowTitle(), QStringLiteral("About Quenlark Address Book"));
        QCOMPARE(box.size(), QSize(362, 278));
        QCOMPARE(box.minimumSize(), box.maximumSize());
        QCOMPARE(box.parentWidget(), &w);
        QCOMPARE(Child<QLabel>(box, "titleLabel")->text(),
                 QStringLiteral("About Quenlark Address Book"));
        QVERIFY(Child<QLabel>(box, "titleLabel")->font().bold());
        QVERIFY(!Child<QLabel>(box, "programIcon")->pixmap().isNull());
        QCOMPARE(Child<QLabel>(box, "programIcon")->pixmap().size(), QSize(32, 32));
        QCOMPARE(Child<QLabel>(box, "programName")->text(),
                 QStringLiteral("Quenlark Address Book 2.4.2"));
        QVERIFY(Child<QLabel>(box, "programName")->font().bold());
        QCOMPARE(Child<QLabel>(box, "versionLabel")->text(), QStringLiteral("Version 2.4.2.0"));
        QCOMPARE(Child<QGroupBox>(box, "databaseGroup")->title(),
                 QStringLiteral("Active Address Book"));
        QCOMPARE(Child<QLabel>(box, "thanksLabel")->text(),
                 QStringLiteral("Thanks for using Quenlark Address Book. "));
        QVERIFY(
            Child<QLabel>(box, "noticeLabel")->text().contains(QLatin1String("free of charge")));
        QVERIFY(Child<QLabel>(box, "noticeLabel")->text().contains(QLatin1String("warranty")));
        QCOMPARE(Child<QLabel>(box, "noticeLabel")->geometry(), QRect(0, 246, 362, 32));
        QCOMPARE(Child<TQuenlarkStdButton>(box, "okButton")->Caption(), QStringLiteral("&OK"));
        QVERIFY(Child<TQuenlarkStdButton>(box, "okButton")->Default());

        QCOMPARE(Child<TQuenlarkWebLink>(box, "homePageLink")->URL(),
                 QStringLiteral("https://quenlark.example/"));
        QCOMPARE(Child<TQuenlarkWebLink>(box, "homePageLink")->Caption(),
                 Child<TQuenlarkWebLink>(box, "homePageLink")->URL());
        QCOMPARE(Child<TQuenlarkWebLink>(box, "mailLink")->URL(),
                 QStringLiteral("mailto:support@quenlark.example"));
        QCOMPARE(Child<TQuenlarkWebLink>(box, "mailLink")->Caption(),
                 QStringLiteral("support@quenlark.example"));
        QTest::mouseClick(Child<TQuenlarkWebLink>(box, "mailLink"), Qt::LeftButton, {},
                          QPoint(3, 3));
        QTest::mouseClick(Child<TQuenlarkWebLink>(box, "homePageLink"), Qt::LeftButton, {},
                          QPoint(3, 3));
        QCOMPARE(seam_->launches.size(), 2);
        QCOMPARE(seam_->launches[0].target, QStringLiteral("mailto:support@quenlark.example"));
        QCOMPARE(seam_->launches[1].target, QStringLiteral("https://quenlark.example/"));
        QVERIFY(box.isVisible()); // a link leaves the box open
        QTest::mouseClick(Child<TQuenlarkStdButton>(box, "okButton"), Qt::LeftButton);
    });
}

void TstAboutBox::pathIsTheActiveDatabase() {
    auto window = MakeMainWindow(*env_);
    Tmainform& w = *window;
    QVERIFY(w.startedUp());
    withAboutBox(w, [&](Taboutbox& box) {
        QLineEdit* path = Child<QLineEdit>(box, "databasePath");
        QCOMPARE(path->text(), env_->databasePath());
        QVERIFY(path->isReadOnly());
        path->setFocus();
        path->end(false);
        QTest::keyClicks(path, QStringLiteral("x"));
        QTest::keyClick(path, Qt::Key_Backspace);
        QCOMPARE(path->text(), env_->databasePath());
        QTest::mouseClick(Child<TQuenlarkStdButton>(box, "okButton"), Qt::LeftButton);
    });
    // Read when the box opens, as the settings hold it then: any characters, spaces kept.
    const QString other = QStringLiteral("/home/r\u00e9my/My Books/\u65e5\u672c.qab");
    QVERIFY(env_->settings().storeText("Active Address Book", other.toStdString()));
    QCOMPARE(shownPath(w), other);
    // No value, or one that is not a text, shows an empty box.
    env_->settings().deleteValue("Active Address Book");
    QCOMPARE(shownPath(w), QString());
    QVERIFY(env_->settings().storeNumber("Active Address Book", 3));
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
    auto window = MakeMainWindow(*env_);
    Tmainform& w = *window;
    QVERIFY(w.startedUp());
    w.show();
    withAboutBox(w, [&](Taboutbox& box) {
        QWidget* focused = Child<QLineEdit>(box, "databasePath");
        focused->setFocus();
        if (how == "button")
            QTest::mouseClick(Child<TQuenlarkStdButton>(box, "okButton"), Qt::LeftButton);
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
