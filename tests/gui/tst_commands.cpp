// The main window's commands: the View file items, the home page item, and Exit by its
// button, by Escape and by Alt+X.
#include "controls/quenlarkstdbutton.h"
#include "forms/mainform.h"
#include "guitest.h"
#include "platform/services.h"

#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

class TstCommands : public GuiTest {
    Q_OBJECT
private slots:
    void viewFileOpensTheNamedFile_data();
    void viewFileOpensTheNamedFile();
    void homePage_data();
    void homePage();
    void exitButtonClosesAtOnce();
    void escapeAndAltXClearSelectionFirst_data();
    void escapeAndAltXClearSelectionFirst();

private:
    std::unique_ptr<Tmainform> window() {
        return GuiTest::window({NamedContact("Amy", "someone@example.org"),
                                NamedContact("Bob", "someone@example.org")});
    }
};

void TstCommands::viewFileOpensTheNamedFile_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("opens");
    QTest::newRow("info") << 0 << "info.txt" << true;
    QTest::newRow("license") << 1 << "license.txt" << true;
    QTest::newRow("whats new, with its space") << 2 << "whats new.txt" << true;
    QTest::newRow("missing file") << 2 << "whats new.txt" << false;
}

void TstCommands::viewFileOpensTheNamedFile() {
    QFETCH(int, item);
    QFETCH(QString, file);
    QFETCH(bool, opens);
    auto w = window();
    QVERIFY(w);
    QAction* action = Menu(*w, "viewFileMenu")->actions().value(item);
    QVERIFY(action);
    QCOMPARE(action->text(), file);
    seam_->launchResult = opens;
    action->trigger();
    QCOMPARE(seam_->launches.size(), 1);
    QCOMPARE(seam_->launches[0].verb, QStringLiteral("open"));
    QCOMPARE(seam_->launches[0].target,
             QString::fromStdString(ExecutableDir()) + QLatin1Char('/') + file);
    // A file that is missing or cannot be opened is passed over in silence.
    QVERIFY(seam_->messages.isEmpty());
    QVERIFY(w->isVisible());
}

void TstCommands::homePage_data() {
    QTest::addColumn<bool>("opens");
    QTest::newRow("opened") << true;
    QTest::newRow("refused") << false;
}

void TstCommands::homePage() {
    QFETCH(bool, opens);
    auto w = window();
    QVERIFY(w);
    QAction* homePage = Action(*w, "homePageItem");
    QCOMPARE(homePage->text(), QStringLiteral("&Quenlark Home Page"));
    seam_->launchResult = opens;
    homePage->trigger();
    QCOMPARE(seam_->launches.size(), 1);
    QCOMPARE(seam_->launches[0].verb, QStringLiteral("open"));
    QCOMPARE(seam_->launches[0].target, QStringLiteral("https://quenlark.example/"));
    if (opens) {
        QVERIFY(seam_->messages.isEmpty());
        return;
    }
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Failed to open link"));
    QCOMPARE(m.text,
             QStringLiteral("There was an error sending an e-mail/opening the web site address for "
                            "the selected contact!\n\nPlease make sure that the e-mail/web site "
                            "address is correct.\n\nIf it is, please make sure you have installed "
                            "a default web browser and e-mail client."));
    QCOMPARE(m.icon, MsgIcon::Error);
    QCOMPARE(m.buttons, MsgButtons::Ok);
    QCOMPARE(m.owner.data(), w.get());
}

void TstCommands::exitButtonClosesAtOnce() {
    auto w = window();
    QVERIFY(w);
    auto* exit = Child<TQuenlarkStdButton>(*w, "exitButton");
    QCOMPARE(exit->Caption(), QStringLiteral("E&xit Address Book"));
    QCOMPARE(exit->Tag(), 1);
    ClickRow(*w, 1);
    QVERIFY(w->selectedContact());
    QTest::mouseClick(exit, Qt::LeftButton);
    QVERIFY(!w->isVisible());
    QVERIFY(seam_->messages.isEmpty());
}

void TstCommands::escapeAndAltXClearSelectionFirst_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier);
    QTest::newRow("Alt+X") << int(Qt::Key_X) << int(Qt::AltModifier);
}

void TstCommands::escapeAndAltXClearSelectionFirst() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    auto w = window();
    QVERIFY(w);
    auto* contacts = Child<QListView>(*w, "contacts");
    auto* name = Child<QLineEdit>(*w, "nameEdit");
    ClickRow(*w, 1);
    QVERIFY(w->selectedContact());
    QCOMPARE(name->text(), QStringLiteral("Bob"));

    QTest::keyClick(contacts, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(w->isVisible());
    QVERIFY(!w->selectedContact());
    QVERIFY(contacts->selectionModel()->selectedIndexes().isEmpty());
    QVERIFY(name->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), name);

    // Nothing selected now: the same key closes the window.
    QTest::keyClick(name, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(!w->isVisible());
    QVERIFY(seam_->messages.isEmpty());
}

QTEST_MAIN(TstCommands)
#include "tst_commands.moc"
