// The report generator: its layout and defaults, the field check, the file dialog, which
// contacts go into the report and in what order, and the launches that follow.
#include "controls/quenlarkstdbutton.h"
#include "forms/report.h"
#include "guitest.h"
#include "modaldriver.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
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

} // namespace

class TstReportGen : public GuiTest {
    Q_OBJECT
private slots:
    void init() override;

    void layoutAndDefaults();
    void noFieldCheckedAsksNothing();
    void cancelledFileDialogKeepsChoices();
    void fileDialogAndFormat_data();
    void fileDialogAndFormat();
    void contactsAndOrder_data();
    void contactsAndOrder();
    void fieldsFollowCheckList();
    void launches_data();
    void launches();
    void unwritableFileStaysOpen();
    void addressBookIsNeverWrittenOver();
    void enterOnlyOnCreateButton();

private:
    // Opens the dialog through RunReportGenerator and runs `drive` on it while it is
    // shown modally. Returns whether the dialog was still open when `drive` returned.
    bool run(const std::function<void(Treportgen&)>& drive);
    QString path(const char* name) const { return env_->path(QString::fromLatin1(name)); }

    ContactSerials all_; // Zed, Amy, Mia in file order
};

void TstReportGen::init() {
    GuiTest::init();
    QVERIFY(env_->engine().OpenAddressBook());
    for (const char* name : {"Zed", "Amy", "Mia"}) {
        ContactRecord record;
        ClearContactRecord(record);
        record.setText(Field::Name, name);
        record.setText(Field::Email, QByteArray(name).toLower().append("@example.org").data());
        QVERIFY(env_->engine().AppendContact(record));
    }
    env_->engine().LoadContactIndex();
    all_.clear();
    for (const ContactIndexEntry& entry : env_->engine().index())
        all_.append(entry.serial);
}

bool TstReportGen::run(const std::function<void(Treportgen&)>& drive) {
    const ModalRun run = RunModal<Treportgen>(
        [this] { RunReportGenerator(env_->engine(), nullptr); }, drive, Treportgen::mrCancel);
    if (!run.driven || !run.destroyed)
        qWarning("the report dialog was not shown, or not destroyed once closed");
    return run.leftOpen;
}

void TstReportGen::layoutAndDefaults() {
    const bool leftOpen = run([&](Treportgen& d) {
        QCOMPARE(d.windowTitle(), QStringLiteral("Report generator"));
        QCOMPARE(d.size(), QSize(460, 315));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QCOMPARE(d.font().pixelSize(), 11);
        QCOMPARE(Child<QWidget>(d, "titleBar")->geometry(), QRect(0, 0, 460, 29));
        QCOMPARE(Child<QLabel>(d, "titleLabel")->text(), QStringLiteral("Create report"));
        QVERIFY(Child<QLabel>(d, "titleLabel")->font().bold());

        QVERIFY(Child<QRadioButton>(d, "htmlButton")->isChecked());
        QVERIFY(!Child<QRadioButton>(d, "richTextButton")->isChecked());
        QVERIFY(Child<QRadioButton>(d, "allContactsButton")->isChecked());
        QVERIFY(!Child<QRadioButton>(d, "chosenContactsButton")->isChecked());
        QVERIFY(Child<QCheckBox>(d, "openReportBox")->isChecked());
        QVERIFY(!Child<QCheckBox>(d, "printReportBox")->isChecked());
        QCOMPARE(d.focusWidget(), static_cast<QWidget*>(Child<QRadioButton>(d, "htmlButton")));
        QCOMPARE(Child<QRadioButton>(d, "richTextButton")->text(),
                 QStringLiteral("Rich Text report"));
        QCOMPARE(Child<QRadioButton>(d, "chosenContactsButton")->text(),
                 QStringLiteral("Selected contacts"));
        QCOMPARE(Child<QCheckBox>(d, "printReportBox")->text(), QStringLiteral("Print the report"));
        QCOMPARE(Child<QLabel>(d, "sourceLabel")->text(), QStringLiteral("Create report from: "));
        QVERIFY(Child<QLabel>(d, "noteLabel")
                    ->text()
                    .endsWith(QLatin1String("the documet might not be what you are looking for.")));
        QVERIFY(Child<QLabel>(d, "noteLabel")->wordWrap());

        // Two groups of radio buttons: choosing one does not clear the other group.
        QTest::mouseClick(Child<QRadioButton>(d, "chosenContactsButton"), Qt::LeftButton);
        QVERIFY(Child<QRadioButton>(d, "htmlButton")->isChecked());
        QVERIFY(!Child<QRadioButton>(d, "allContactsButton")->isChecked());

        QCOMPARE(Child<QListWidget>(d, "fieldList")->count(), 11);
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(Child<QListWidget>(d, "fieldList")->item(i)->text(),
                     QString::fromLatin1(kReportFieldItems[i]));
            QCOMPARE(Child<QListWidget>(d, "fieldList")->item(i)->checkState(), Qt::Checked);
        }
        QCOMPARE(Child<QListWidget>(d, "fieldList")->item(2)->text(),
                 QStringLiteral("Seccond E-Mail Address"));
        QCOMPARE(Child<QListWidget>(d, "fieldList")
                     ->visualItemRect(Child<QListWidget>(d, "fieldList")->item(1))
                     .height(),
                 13);

        const std::vector<std::pair<TQuenlarkStdButton*, const char*>> buttons{
            {Child<TQuenlarkStdButton>(d, "selectContactsButton"), "&Select contacts"},
            {Child<TQuenlarkStdButton>(d, "createButton"), "C&reate report"},
            {Child<TQuenlarkStdButton>(d, "cancelButton"), "&Cancel"}};
        for (const auto& [button, caption] : buttons) {
            QCOMPARE(button->Caption(), QString::fromLatin1(caption));
            QVERIFY(button->Border());
            QCOMPARE(button->TransparentColour(), TColor(0x0000FF00));
            QCOMPARE(button->Default(), button == Child<TQuenlarkStdButton>(d, "createButton"));
        }
        // Every control where the layout puts it (labels sized to their text; the note takes
        // three lines of this font, down to the buttons, where two took 26 pixels).
        const std::pair<const char*, QRect> places[] = {
            {"typeLabel", {24, 40, 0, 0}},
            {"typePanel", {128, 36, 133, 45}},
            {"htmlButton", {16, 4, 89, 17}},
            {"richTextButton", {16, 24, 105, 17}},
            {"sourceLabel", {24, 104, 0, 0}},
            {"sourcePanel", {128, 100, 133, 73}},
            {"allContactsButton", {16, 4, 113, 17}},
            {"chosenContactsButton", {16, 24, 113, 17}},
            {"selectContactsButton", {16, 44, 105, 23}},
            {"afterLabel", {24, 192, 0, 0}},
            {"afterPanel", {128, 188, 133, 45}},
            {"openReportBox", {16, 4, 101, 17}},
            {"printReportBox", {16, 24, 97, 17}},
            {"fieldsLabel", {288, 40, 0, 0}},
            {"fieldList", {292, 56, 157, 181}},
            {"noteLabel", {8, 248, 444, 35}},
            {"cancelButton", {280, 284, 75, 23}},
            {"createButton", {360, 284, 91, 23}},
        };
        for (const auto& [name, place] : places) {
            const QRect at = Child(d, name)->geometry();
            QCOMPARE(place.isEmpty() ? QRect(at.topLeft(), QSize(0, 0)) : at, place);
        }
        QCOMPARE(d.findChildren<QRadioButton*>().size(), 4);
        QCOMPARE(d.findChildren<QCheckBox*>().size(), 2);
        const QList<QWidget*> order{Child<QRadioButton>(d, "htmlButton"),
                                    Child<QRadioButton>(d, "richTextButton"),
                                    Child<QRadioButton>(d, "allContactsButton"),
                                    Child<QRadioButton>(d, "chosenContactsButton"),
                                    Child<TQuenlarkStdButton>(d, "selectContactsButton"),
                                    Child<TQuenlarkStdButton>(d, "createButton"),
                                    Child<TQuenlarkStdButton>(d, "cancelButton"),
                                    Child<QCheckBox>(d, "openReportBox"),
                                    Child<QCheckBox>(d, "printReportBox"),
                                    Child<QListWidget>(d, "fieldList")};
        for (int i = 0; i + 1 < order.size(); ++i)
            QCOMPARE(NextFocusable(order[i]), order[i + 1]);

        QCOMPARE(d.allContacts(), all_);
        QVERIFY(d.chosenContacts().isEmpty());
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "cancelButton"), Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    QVERIFY(seam_->dialogs.isEmpty());
}

void TstReportGen::noFieldCheckedAsksNothing() {
    const bool leftOpen = run([&](Treportgen& d) {
        for (int i = 0; i < Child<QListWidget>(d, "fieldList")->count(); ++i)
            Child<QListWidget>(d, "fieldList")->item(i)->setCheckState(Qt::Unchecked);
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "createButton"), Qt::LeftButton);
        QCOMPARE(seam_->messages.size(), 1);
        QCOMPARE(seam_->messages[0].title, QStringLiteral("At least one field required!"));
        QCOMPARE(seam_->messages[0].text,
                 QStringLiteral("Please select at least one field to add to the report!"));
        QCOMPARE(seam_->messages[0].icon, MsgIcon::Information);
        QCOMPARE(seam_->messages[0].owner.data(), static_cast<QWidget*>(&d));
        QVERIFY(seam_->dialogs.isEmpty());
        QVERIFY(d.isVisible());

        // The last field alone is enough.
        Child<QListWidget>(d, "fieldList")->item(10)->setCheckState(Qt::Checked);
        seam_->cancelFile();
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "createButton"), Qt::LeftButton);
        QCOMPARE(seam_->messages.size(), 1);
        QCOMPARE(seam_->dialogs.size(), 1);
    });
    QVERIFY(leftOpen);
}

void TstReportGen::cancelledFileDialogKeepsChoices() {
    const QString file = path("report.rtf");
    const bool leftOpen = run([&](Treportgen& d) {
        QTest::mouseClick(Child<QRadioButton>(d, "richTextButton"), Qt::LeftButton);
        QTest::mouseClick(Child<QCheckBox>(d, "openReportBox"), Qt::LeftButton);
        Child<QListWidget>(d, "fieldList")->item(3)->setCheckState(Qt::Unchecked);
        seam_->cancelFile();
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "createButton"), Qt::LeftButton);
        QVERIFY(d.isVisible());
        QVERIFY(Child<QRadioButton>(d, "richTextButton")->isChecked());
        QVERIFY(!Child<QCheckBox>(d, "openReportBox")->isChecked());
        QCOMPARE(Child<QListWidget>(d, "fieldList")->item(3)->checkState(), Qt::Unchecked);
        QVERIFY(seam_->launches.isEmpty());
        QCOMPARE(QDir(env_->dir()).entryList({"*.rtf"}), QStringList());

        seam_->chooseFile(file);
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "createButton"), Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    QCOMPARE(seam_->dialogs.size(), 2);
    QVERIFY(fileBytes(file).startsWith("{\\rtf"));
    QVERIFY(seam_->launches.isEmpty());
    QVERIFY(seam_->messages.isEmpty());
}

void TstReportGen::fileDialogAndFormat_data() {
    QTest::addColumn<bool>("richText");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("HTML") << false << "Hyper text markup language"
                          << "*.html; *.htm"
                          << "html" << QByteArray("<!-- Created with Quenlark");
    QTest::newRow("rich text") << true << "Rich Text Files"
                               << "*.rtf"
                               << "rtf" << QByteArray("{\\rtf");
}

void TstReportGen::fileDialogAndFormat() {
    QFETCH(bool, richText);
    QFETCH(QString, description);
    QFETCH(QString, pattern);
    QFETCH(QString, ext);
    QFETCH(QByteArray, start);
    QWidget* dialog = nullptr;
    seam_->chooseFile(path("contacts"));
    const bool leftOpen = run([&](Treportgen& d) {
        dialog = &d;
        if (richText)
            QTest::mouseClick(Child<QRadioButton>(d, "richTextButton"), Qt::LeftButton);
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "createButton"), Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    QCOMPARE(seam_->dialogs.size(), 1);
    const RecordedDialog& asked = seam_->dialogs[0];
    QVERIFY(asked.save);
    QCOMPARE(asked.options.owner, dialog);
    QCOMPARE(asked.options.title, QStringLiteral("Please select a file name of the report ..."));
    QCOMPARE(asked.options.filters.size(), 1);
    QCOMPARE(asked.options.filters[0].first, description);
    QCOMPARE(asked.options.filters[0].second, pattern);
    QCOMPARE(asked.options.defaultExt, ext);
    QCOMPARE(asked.options.filterIndex, 0);
    QCOMPARE(asked.options.flags, kDialogOverwritePrompt);

    const QString written = path("contacts.") + ext;
    const QByteArray bytes = fileBytes(written);
    QVERIFY(bytes.startsWith(start));
    QVERIFY(bytes.contains("Zed"));
    QVERIFY(!QFile::exists(path("contacts")));
    QCOMPARE(seam_->launches.size(), 1);
    QCOMPARE(seam_->launches[0].target, written);
}

void TstReportGen::contactsAndOrder_data() {
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QList<int>>("chosen");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("entire list ignores chosen, file order")
        << false << QList<int>{2} << QStringList{"Zed", "Amy", "Mia"};
    QTest::newRow("chosen, in their order")
        << true << QList<int>{2, 0} << QStringList{"Mia", "Zed"};
    QTest::newRow("none chosen") << true << QList<int>{} << QStringList{};
}

void TstReportGen::contactsAndOrder() {
    QFETCH(bool, selected);
    QFETCH(QList<int>, chosen);
    QFETCH(QStringList, expected);
    const QString file = path("order.html");
    seam_->chooseFile(file);
    const bool leftOpen = run([&](Treportgen& d) {
        ContactSerials contacts;
        for (int i : chosen)
            contacts.append(d.allContacts().at(i));
        d.setChosenContacts(contacts);
        if (selected)
            QTest::mouseClick(Child<QRadioButton>(d, "chosenContactsButton"), Qt::LeftButton);
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "createButton"), Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    const QByteArray bytes = fileBytes(file);
    QVERIFY(bytes.endsWith("</HTML>\r\n"));
    qsizetype last = -1;
    for (const QString& name : QStringList{"Zed", "Amy", "Mia"}) {
        const qsizetype at = bytes.indexOf(name.toLatin1());
        QCOMPARE(at >= 0, expected.contains(name));
        if (at < 0)
            continue;
        if (expected.indexOf(name) > 0)
            QVERIFY2(at > last, qPrintable(name));
        last = at;
    }
}

void TstReportGen::fieldsFollowCheckList() {
    const QString file = path("fields.html");
    seam_->chooseFile(file);
    run([&](Treportgen& d) {
        Child<QListWidget>(d, "fieldList")
            ->item(int(ReportField::Email))
            ->setCheckState(Qt::Unchecked);
        QCOMPARE(d.checkedFields().chosen.count(), 10u);
        QVERIFY(!d.checkedFields().has(ReportField::Email));
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "createButton"), Qt::LeftButton);
    });
    const QByteArray bytes = fileBytes(file);
    QVERIFY(bytes.contains("Amy"));
    QVERIFY(!bytes.contains("amy@example.org"));
}

void TstReportGen::launches_data() {
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("print");
    QTest::addColumn<QStringList>("verbs");
    QTest::newRow("open") << true << false << QStringList{"open"};
    QTest::newRow("print") << false << true << QStringList{"print"};
    QTest::newRow("both") << true << true << QStringList{"open", "print"};
    QTest::newRow("neither") << false << false << QStringList{};
}

void TstReportGen::launches() {
    QFETCH(bool, open);
    QFETCH(bool, print);
    QFETCH(QStringList, verbs);
    const QString file = path("launch.html");
    seam_->chooseFile(file);
    seam_->launchResult = false; // a failed launch is not reported
    const bool leftOpen = run([&](Treportgen& d) {
        Child<QCheckBox>(d, "openReportBox")->setChecked(open);
        Child<QCheckBox>(d, "printReportBox")->setChecked(print);
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "createButton"), Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    QVERIFY(QFile::exists(file));
    QStringList launched;
    for (const RecordedLaunch& l : seam_->launches) {
        launched << l.verb;
        QCOMPARE(l.target, file);
    }
    QCOMPARE(launched, verbs);
    QVERIFY(seam_->messages.isEmpty());
}

void TstReportGen::unwritableFileStaysOpen() {
    seam_->chooseFile(path("missing/folder/report.html"));
    const bool leftOpen = run([&](Treportgen& d) {
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "createButton"), Qt::LeftButton);
    });
    QVERIFY(leftOpen);
    QVERIFY(seam_->messages.isEmpty());
    QVERIFY(seam_->launches.isEmpty());
}

void TstReportGen::enterOnlyOnCreateButton() {
    const bool leftOpen = run([&](Treportgen& d) {
        QTest::keyClick(Child<QRadioButton>(d, "htmlButton"), Qt::Key_Return);
        QTest::keyClick(Child<QListWidget>(d, "fieldList"), Qt::Key_Return);
        QVERIFY(seam_->dialogs.isEmpty());
        QVERIFY(d.isVisible());
        seam_->cancelFile();
        QTest::keyClick(Child<TQuenlarkStdButton>(d, "createButton"), Qt::Key_Return);
        QCOMPARE(seam_->dialogs.size(), 1);
    });
    QVERIFY(leftOpen);
}

// The file dialog's own question before replacing a file is no consent to write over the
// address book: nothing is written and the dialog stays open with a message.
void TstReportGen::addressBookIsNeverWrittenOver() {
    const QByteArray before = env_->databaseBytes();
    QVERIFY(QFile::link(env_->databasePath(), path("link.html")));
    seam_->chooseFile(env_->databasePath());
    seam_->chooseFile(path("link.html"));
    const bool leftOpen = run([&](Treportgen& d) {
        auto* create = Child<TQuenlarkStdButton>(d, "createButton");
        QTest::mouseClick(Child(d, "richTextButton"), Qt::LeftButton);
        QTest::mouseClick(create, Qt::LeftButton); // rich text over the database
        QVERIFY(d.isVisible());
        QTest::mouseClick(Child(d, "htmlButton"), Qt::LeftButton);
        QTest::mouseClick(create, Qt::LeftButton); // HTML over a link to it
        QVERIFY(d.isVisible());
    });
    QVERIFY(leftOpen);
    QCOMPARE(seam_->titles(),
             QStringList({"Cannot replace the address book", "Cannot replace the address book"}));
    for (const RecordedMessage& m : seam_->messages) {
        QVERIFY(m.text.contains(QLatin1String("the address book itself")));
        QCOMPARE(m.icon, MsgIcon::Error);
        QVERIFY(m.hadOwner);
    }
    QCOMPARE(env_->databaseBytes(), before);
    QVERIFY(seam_->launches.isEmpty());
}

QTEST_MAIN(TstReportGen)
#include "tst_reportgen.moc"
