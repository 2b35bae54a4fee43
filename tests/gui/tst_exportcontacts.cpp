// "Export contacts..." from the backup menu: its dialog and keys, the formats and the file it
// writes, the contacts chosen for it, and what it refuses or fails to write.
#include "controls/quenlarkstdbutton.h"
#include "forms/exportcontacts.h"
#include "forms/mainform.h"
#include "forms/selectcontacts.h"
#include "guitest.h"
#include "modaldriver.h"
#include "reports/contactfiles.h"

#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QRadioButton>
#include <QtTest>
#include <functional>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TQuenlarkStdButton* button(const Texportcontacts& d, const char* name) {
    return Child<TQuenlarkStdButton>(d, name);
}

} // namespace

class TstExportContacts : public GuiTest {
    Q_OBJECT
private slots:
    void init() override;
    void cleanup() override;

    void backupMenuOpensItByKeys();
    void layoutAndTabOrder();
    void writesTheChosenFormat_data();
    void writesTheChosenFormat();
    void chosenContactsInTheirOrder();
    void keys_data();
    void keys();
    void refusedOrFailedLeavesItOpen_data();
    void refusedOrFailedLeavesItOpen();
    void progressCountsTheContactsFoundAndCancels();

private:
    // Opens the dialog from the backup menu's item and runs `drive` on it while it is shown.
    // Returns whether `drive` left it open.
    bool run(const std::function<void(Texportcontacts&)>& drive);
    QString path(const char* name) const { return env_->path(QString::fromLatin1(name)); }

    std::unique_ptr<Tmainform> window_; // on Zed, Amy and Mia, in this file order
};

void TstExportContacts::init() {
    GuiTest::init();
    window_ = window({NamedContact("Zed", "zed@example.org"), NamedContact("Amy", "amy@x"),
                      NamedContact("Mia", "mia@x")});
    QVERIFY(window_);
}

void TstExportContacts::cleanup() {
    window_.reset();
    GuiTest::cleanup();
}

bool TstExportContacts::run(const std::function<void(Texportcontacts&)>& drive) {
    const ModalRun run =
        RunModal<Texportcontacts>([this] { Action(*window_, "exportContactsItem")->trigger(); },
                                  drive, Texportcontacts::mrCancel);
    if (!run.driven || !run.destroyed)
        qWarning("the export dialog was not shown, or not destroyed once closed");
    return run.leftOpen;
}

void TstExportContacts::backupMenuOpensItByKeys() {
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QWidget* owner = nullptr;
    // Alt+B drops the backup menu; E, its underlined letter, chooses the item.
    QTimer::singleShot(50, [] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            QTest::keyClick(menu, Qt::Key_E);
    });
    const ModalRun run = RunModal<Texportcontacts>(
        [&] { QTest::keyClick(Child(*window_, "nameEdit"), Qt::Key_B, Qt::AltModifier); },
        [&](Texportcontacts& d) {
            owner = d.parentWidget();
            QTest::keyClick(&d, Qt::Key_Escape);
        });
    QVERIFY(run.driven && run.destroyed && !run.leftOpen);
    QCOMPARE(owner, window_.get());
    QVERIFY(seam_->dialogs.isEmpty());
}

void TstExportContacts::layoutAndTabOrder() {
    const bool leftOpen = run([&](Texportcontacts& d) {
        QCOMPARE(d.windowTitle(), QStringLiteral("Export contacts"));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QCOMPARE(d.font().pixelSize(), 11);
        QCOMPARE(Child<QLabel>(d, "titleLabel")->text(), QStringLiteral("Export contacts"));
        QVERIFY(Child<QLabel>(d, "titleLabel")->font().bold());
        QCOMPARE(d.format(), ReportFormat::VCard3);
        QVERIFY(Child<QRadioButton>(d, "allContactsButton")->isChecked());
        QCOMPARE(d.allContacts().size(), 3);
        QVERIFY(button(d, "exportButton")->Default());
        QCOMPARE(d.focusWidget(), Child(d, "vcard3Button"));
        // Tab goes top to bottom, then left to right along the buttons.
        const char* order[] = {"vcard3Button",      "vcard4Button",         "csvButton",
                               "allContactsButton", "chosenContactsButton", "selectContactsButton",
                               "cancelButton",      "exportButton"};
        for (std::size_t i = 0; i + 1 < std::size(order); ++i)
            QCOMPARE(NextFocusable(Child(d, order[i])), Child(d, order[i + 1]));
    });
    QVERIFY(leftOpen);
}

void TstExportContacts::writesTheChosenFormat_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("vCard 3.0") << "vcard3Button"
                               << "*.vcf" << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    QTest::newRow("vCard 4.0") << "vcard4Button"
                               << "*.vcf" << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\n");
    QTest::newRow("CSV") << "csvButton"
                         << "*.csv" << QByteArray("\xEF\xBB\xBFName,");
}

void TstExportContacts::writesTheChosenFormat() {
    QFETCH(QString, format);
    QFETCH(QString, pattern);
    QFETCH(QByteArray, start);
    QWidget* dialog = nullptr;
    seam_->chooseFile(path("contacts")); // typed without an extension
    const bool leftOpen = run([&](Texportcontacts& d) {
        dialog = &d;
        QTest::mouseClick(Child(d, format.toLatin1()), Qt::LeftButton);
        QTest::mouseClick(button(d, "exportButton"), Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    QCOMPARE(seam_->dialogs.size(), 1);
    const FileDialogOptions& asked = seam_->dialogs[0].options;
    QVERIFY(seam_->dialogs[0].save);
    QCOMPARE(asked.owner, dialog);
    QCOMPARE(asked.title,
             QStringLiteral("Please select where you want to export the contacts to..."));
    QCOMPARE(asked.filters.size(), 1);
    QCOMPARE(asked.filters[0].second, pattern);
    QCOMPARE(asked.flags, kDialogOverwritePrompt);

    // Every contact with every field, in file order.
    const QString written = path("contacts") + pattern.mid(1);
    const QByteArray bytes = fileBytes(written);
    QVERIFY(bytes.startsWith(start));
    const qsizetype zed = bytes.indexOf("Zed"), amy = bytes.indexOf("Amy"),
                    mia = bytes.indexOf("Mia");
    QVERIFY(zed > 0 && zed < amy && amy < mia);
    QVERIFY(bytes.contains("zed@example.org"));
    QCOMPARE(seam_->titles(), QStringList{"Export complete!"});
    QCOMPARE(seam_->messages[0].text, QStringLiteral("3 contacts written to %1.").arg(written));
    QVERIFY(seam_->launches.isEmpty());
}

// Chosen contacts go out in the order they were chosen; choosing ticks "Selected contacts".
// "Selected contacts" with none chosen asks for them instead of writing an empty file.
void TstExportContacts::chosenContactsInTheirOrder() {
    const QString file = path("chosen.csv");
    seam_->chooseFile(file);
    const bool leftOpen = run([&](Texportcontacts& d) {
        QTest::mouseClick(Child(d, "csvButton"), Qt::LeftButton);
        QTest::mouseClick(Child(d, "chosenContactsButton"), Qt::LeftButton);
        QTest::mouseClick(button(d, "exportButton"), Qt::LeftButton);
        QCOMPARE(seam_->titles(), QStringList{"No contacts chosen"});
        QVERIFY(seam_->dialogs.isEmpty());
        QTest::mouseClick(Child(d, "allContactsButton"), Qt::LeftButton);

        const ModalRun chose = RunModal<Tselectcontacts>(
            [&] { QTest::mouseClick(button(d, "selectContactsButton"), Qt::LeftButton); },
            [](Tselectcontacts& s) {
                for (const int row : {2, 0}) {
                    ClickRow(*Child<QListView>(s, "availableList"), row);
                    QTest::mouseClick(Child(s, "addButton"), Qt::LeftButton);
                }
                QTest::mouseClick(Child(s, "okButton"), Qt::LeftButton);
            });
        QVERIFY(chose.driven && !chose.leftOpen);
        QCOMPARE(d.chosenContacts().size(), 2);
        QVERIFY(Child<QRadioButton>(d, "chosenContactsButton")->isChecked());
        QTest::mouseClick(button(d, "exportButton"), Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    const QList<QByteArray> lines = fileBytes(file).split('\n');
    QCOMPARE(lines.size(), 4); // header, two contacts, and the end of the last line
    QVERIFY(lines[1].startsWith("Mia,"));
    QVERIFY(lines[2].startsWith("Zed,"));
    QCOMPARE(seam_->messages.last().text, QStringLiteral("2 contacts written to %1.").arg(file));
}

void TstExportContacts::keys_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("exports");
    const auto row = [](const char* name, const char* focus, Qt::Key key,
                        Qt::KeyboardModifiers modifiers, bool exports) {
        QTest::newRow(name) << focus << int(key) << int(modifiers) << exports;
    };
    row("Enter on a format", "csvButton", Qt::Key_Return, {}, true);
    row("Enter on Export", "exportButton", Qt::Key_Return, {}, true);
    row("Enter on Cancel", "cancelButton", Qt::Key_Return, {}, false);
    row("Alt+E", "allContactsButton", Qt::Key_E, Qt::AltModifier, true);
    row("Escape", "csvButton", Qt::Key_Escape, {}, false);
    row("Alt+C", "csvButton", Qt::Key_C, Qt::AltModifier, false);
}

void TstExportContacts::keys() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, exports);
    if (exports)
        seam_->chooseFile(path("keys.vcf"));
    const bool leftOpen = run([&](Texportcontacts& d) {
        QWidget* target = Child(d, focus.toLatin1());
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    });
    QVERIFY(!leftOpen);
    QCOMPARE(seam_->dialogs.size(), exports ? 1 : 0);
    QCOMPARE(QFile::exists(path("keys.vcf")), exports);
}

void TstExportContacts::refusedOrFailedLeavesItOpen_data() {
    QTest::addColumn<QString>("chosen"); // empty: the file dialog is cancelled
    QTest::addColumn<QString>("title");  // of the one message, if any
    QTest::newRow("file dialog cancelled") << QString() << QString();
    QTest::newRow("the address book") << "addressbook.qab"
                                      << "Cannot replace the address book";
    QTest::newRow("a link to it") << "link.vcf"
                                  << "Cannot replace the address book";
    QTest::newRow("no such folder") << "missing/contacts.vcf"
                                    << "Failed to export contacts!";
}

void TstExportContacts::refusedOrFailedLeavesItOpen() {
    QFETCH(QString, chosen);
    QFETCH(QString, title);
    QVERIFY(QFile::link(env_->databasePath(), path("link.vcf")));
    const QByteArray before = env_->databaseBytes();
    if (chosen.isEmpty())
        seam_->cancelFile();
    else
        seam_->chooseFile(env_->path(chosen));
    const bool leftOpen = run([&](Texportcontacts& d) {
        QTest::mouseClick(button(d, "exportButton"), Qt::LeftButton);
        QVERIFY(d.isVisible());
    });
    QVERIFY(leftOpen);
    QCOMPARE(seam_->titles(), title.isEmpty() ? QStringList() : QStringList{title});
    for (const RecordedMessage& m : seam_->messages)
        QCOMPARE(m.icon, MsgIcon::Error);
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(QFileInfo(path("link.vcf")).symLinkTarget(), env_->databasePath());
}

// The progress hears the number of contacts the file will hold (a serial that names no
// contact is left out); a cancel leaves the file that was there as it was.
void TstExportContacts::progressCountsTheContactsFoundAndCancels() {
    window_.reset();
    QList<ContactRecord> many;
    for (int i = 0; i < 2500; ++i)
        many << NamedContact("C" + QByteArray::number(i));
    env_->writeDatabase(DatabaseWith(many));
    AddressBookEngine& engine = env_->engine();
    QVERIFY(engine.OpenAddressBook());
    engine.LoadContactIndex();
    ContactSerials contacts{quint64(-1)};
    for (const ContactIndexEntry& entry : engine.index())
        contacts << entry.serial;
    const QString file = path("old.csv");
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();

    QList<std::int64_t> heard;
    const Result cancelled = SaveContactsFile(engine, contacts, file, ReportFormat::Csv,
                                              ReportFields::All(), [&](auto done, auto total) {
                                                  heard << done << total;
                                                  return done < 2000;
                                              });
    QCOMPARE(cancelled.failure(), Failure::Cancelled);
    QCOMPARE(heard, (QList<std::int64_t>{1000, 2500, 2000, 2500}));
    QCOMPARE(fileBytes(file), QByteArray("old"));
    QCOMPARE(CountFound(engine, contacts), 2500);
}

QTEST_MAIN(TstExportContacts)
#include "tst_exportcontacts.moc"
