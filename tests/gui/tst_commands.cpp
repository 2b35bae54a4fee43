// The main window's commands: the View file items, the home page item, and Exit by its
// button, by Escape and by Alt+X.
#include "controls/quenlarkstdbutton.h"
#include "engine/contactrecord.h"
#include "forms/mainform.h"
#include "mainwindowdriver.h"
#include "platform/services.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QStringListModel>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QByteArray databaseWithNames(const QList<QByteArray>& names) {
    QList<ContactRecord> records;
    for (const QByteArray& name : names) {
        ContactRecord& r = records.emplace_back();
        ClearContactRecord(r);
        r.setText(Field::Name, name.toStdString());
        r.setText(Field::Email, "someone@example.org");
    }
    return DatabaseWith(records);
}

} // namespace

class TstCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void viewFileOpensTheNamedFile_data();
    void viewFileOpensTheNamedFile();
    void homePage_data();
    void homePage();
    void exitButtonClosesAtOnce();
    void escapeAndAltXClearSelectionFirst_data();
    void escapeAndAltXClearSelectionFirst();

private:
    std::unique_ptr<Tmainform> window();

    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> seam_;
};

void TstCommands::init() {
    env_ = std::make_unique<TestEnv>();
    seam_ = std::make_unique<ScriptedUiSeam>();
}

void TstCommands::cleanup() {
    QVERIFY(seam_->drained());
    seam_.reset();
    env_.reset();
}

std::unique_ptr<Tmainform> TstCommands::window() {
    return OpenMainWindow(*env_, databaseWithNames({"Amy", "Bob"}));
}

void TstCommands::viewFileOpensTheNamedFile_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("opens");
    QTest::newRow("info") << "infotxt1"
                          << "info.txt" << true;
    QTest::newRow("license") << "licensetxt1"
                             << "license.txt" << true;
    QTest::newRow("whats new, with its space") << "whatsnewtxt1"
                                               << "whats new.txt" << true;
    QTest::newRow("missing file") << "whatsnewtxt1"
                                  << "whats new.txt" << false;
}

void TstCommands::viewFileOpensTheNamedFile() {
    QFETCH(QString, item);
    QFETCH(QString, file);
    QFETCH(bool, opens);
    auto w = window();
    QVERIFY(w);
    QAction* action = item == "infotxt1"      ? w->infotxt1
                      : item == "licensetxt1" ? w->licensetxt1
                                              : w->whatsnewtxt1;
    QVERIFY(w->Viewfile1->actions().contains(action));
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
    QCOMPARE(w->QuenlarkHomePage1->text(), QStringLiteral("&Quenlark Home Page"));
    seam_->launchResult = opens;
    w->QuenlarkHomePage1->trigger();
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
    auto* exit = w->ui()->QuenlarkStdButton2;
    QCOMPARE(exit->Caption(), QStringLiteral("E&xit Address Book"));
    QCOMPARE(exit->Tag(), 1);
    ClickRow(*w, 1);
    QVERIFY(w->SelectedContact());
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
    const auto& ui = *w->ui();
    ClickRow(*w, 1);
    QVERIFY(w->SelectedContact());
    QCOMPARE(ui.e_name->text(), QStringLiteral("Bob"));

    QTest::keyClick(ui.contacts, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(w->isVisible());
    QVERIFY(!w->SelectedContact());
    QVERIFY(ui.contacts->selectionModel()->selectedIndexes().isEmpty());
    QVERIFY(ui.e_name->text().isEmpty());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.e_name));

    // Nothing selected now: the same key closes the window.
    QTest::keyClick(ui.e_name, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(!w->isVisible());
    QVERIFY(seam_->messages.isEmpty());
}

QTEST_MAIN(TstCommands)
#include "tst_commands.moc"
