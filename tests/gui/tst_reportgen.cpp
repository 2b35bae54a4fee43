// The report generator: its layout and defaults, the field check, the file dialog, which
// contacts go into the report and in what order, and the launches that follow.
#include "controls/quenlarkstdbutton.h"
#include "engine/contactrecord.h"
#include "forms/report.h"
#include "modaldriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QFile>
#include <QListWidget>
#include <QtTest>
#include <functional>

using namespace quenlark;
using namespace quenlark::test;

namespace {

// The next control in the tab order after `w` (Qt takes the unchecked radio buttons of a
// group out of it while another one is checked).
QWidget* nextTabStop(QWidget* w) {
    QWidget* next = w->nextInFocusChain();
    while (next != w && (next->focusPolicy() == Qt::NoFocus || !next->isEnabled()))
        next = next->nextInFocusChain();
    return next;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TstReportGen : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

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
    void enterOnlyOnCreateButton();

private:
    // Opens the dialog through RunReportGenerator and runs `drive` on it while it is
    // shown modally. Returns whether the dialog was still open when `drive` returned.
    bool run(const std::function<void(Treportgen&)>& drive);
    QString path(const char* name) const { return env_->dir() + QLatin1Char('/') + name; }

    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> ui_;
    QStringList all_; // Zed, Amy, Mia in file order
};

void TstReportGen::init() {
    env_ = std::make_unique<TestEnv>();
    ui_ = std::make_unique<ScriptedUiSeam>();
    QVERIFY(env_->engine().OpenAddressBook());
    for (const char* name : {"Zed", "Amy", "Mia"}) {
        ContactRecord record;
        ClearContactRecord(record);
        record.setText(Field::Name, name);
        record.setText(Field::Email, QByteArray(name).toLower().append("@example.org").data());
        QVERIFY(env_->engine().AppendContact(record));
    }
    env_->engine().LoadContactIndex();
    std::vector<std::string> handles;
    env_->engine().CopyContactIndex(handles);
    all_.clear();
    for (const std::string& handle : handles)
        all_.append(QString::fromStdString(handle));
}

void TstReportGen::cleanup() {
    QVERIFY(ui_->drained());
    QVERIFY(reportgen == nullptr);
    ui_.reset();
    env_.reset();
}

bool TstReportGen::run(const std::function<void(Treportgen&)>& drive) {
    const ModalRun run =
        RunModal<Treportgen>([] { RunReportGenerator(nullptr); }, drive, Treportgen::mrCancel);
    if (!run.driven)
        qWarning("the report dialog was not shown");
    return run.leftOpen;
}

void TstReportGen::layoutAndDefaults() {
    const bool leftOpen = run([&](Treportgen& d) {
        const auto& ui = *d.ui();
        QCOMPARE(reportgen, &d);
        QCOMPARE(d.windowTitle(), QStringLiteral("Report generator"));
        QCOMPARE(d.size(), QSize(460, 315));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QCOMPARE(d.font().pixelSize(), 11);
        QCOMPARE(ui.titlebar->geometry(), QRect(0, 0, 460, 29));
        QCOMPARE(ui.Label1->text(), QStringLiteral("Create report"));
        QVERIFY(ui.Label1->font().bold());

        QVERIFY(ui.rt_HTML->isChecked());
        QVERIFY(!ui.rt_RichText->isChecked());
        QVERIFY(ui.crf_All->isChecked());
        QVERIFY(!ui.crf_Selected->isChecked());
        QVERIFY(ui.wc_OpenReport->isChecked());
        QVERIFY(!ui.wc_PrintReport->isChecked());
        QCOMPARE(d.focusWidget(), static_cast<QWidget*>(ui.rt_HTML));
        QCOMPARE(ui.rt_RichText->text(), QStringLiteral("Rich Text report"));
        QCOMPARE(ui.crf_Selected->text(), QStringLiteral("Selected contacts"));
        QCOMPARE(ui.wc_PrintReport->text(), QStringLiteral("Print the report"));
        QCOMPARE(ui.Label3->text(), QStringLiteral("Create report from: "));
        QVERIFY(ui.Label6->text().endsWith(
            QLatin1String("the documet might not be what you are looking for.")));
        QVERIFY(ui.Label6->wordWrap());

        // Two groups of radio buttons: choosing one does not clear the other group.
        QTest::mouseClick(ui.crf_Selected, Qt::LeftButton);
        QVERIFY(ui.rt_HTML->isChecked());
        QVERIFY(!ui.crf_All->isChecked());

        QCOMPARE(ui.inc_fields->geometry(), QRect(292, 56, 157, 181));
        QCOMPARE(ui.inc_fields->count(), 11);
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(ui.inc_fields->item(i)->text(), QString::fromLatin1(kReportFieldItems[i]));
            QCOMPARE(ui.inc_fields->item(i)->checkState(), Qt::Checked);
        }
        QCOMPARE(ui.inc_fields->item(2)->text(), QStringLiteral("Seccond E-Mail Address"));
        QCOMPARE(ui.inc_fields->visualItemRect(ui.inc_fields->item(1)).height(), 13);

        const std::vector<std::pair<TQuenlarkStdButton*, const char*>> buttons{
            {ui.QuenlarkStdButton1, "&Select contacts"},
            {ui.QuenlarkStdButton2, "C&reate report"},
            {ui.QuenlarkStdButton3, "&Cancel"}};
        for (const auto& [button, caption] : buttons) {
            QCOMPARE(button->Caption(), QString::fromLatin1(caption));
            QVERIFY(button->Border());
            QCOMPARE(button->TransparentColour(), TColor(0x0000FF00));
            QCOMPARE(button->Default(), button == ui.QuenlarkStdButton2);
        }
        QCOMPARE(ui.QuenlarkStdButton2->geometry(), QRect(360, 284, 91, 23));

        const QList<QWidget*> order{ui.rt_HTML,
                                    ui.rt_RichText,
                                    ui.crf_All,
                                    ui.crf_Selected,
                                    ui.QuenlarkStdButton1,
                                    ui.QuenlarkStdButton2,
                                    ui.QuenlarkStdButton3,
                                    ui.wc_OpenReport,
                                    ui.wc_PrintReport,
                                    ui.inc_fields};
        for (int i = 0; i + 1 < order.size(); ++i)
            QCOMPARE(nextTabStop(order[i]), order[i + 1]);

        QCOMPARE(d.all_contacts, all_);
        QVERIFY(d.chosen_contacts.isEmpty());
        QTest::mouseClick(ui.QuenlarkStdButton3, Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    QVERIFY(ui_->dialogs.isEmpty());
}

void TstReportGen::noFieldCheckedAsksNothing() {
    const bool leftOpen = run([&](Treportgen& d) {
        for (int i = 0; i < d.ui()->inc_fields->count(); ++i)
            d.ui()->inc_fields->item(i)->setCheckState(Qt::Unchecked);
        QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
        QCOMPARE(ui_->messages.size(), 1);
        QCOMPARE(ui_->messages[0].title, QStringLiteral("At least one field required!"));
        QCOMPARE(ui_->messages[0].text,
                 QStringLiteral("Please select at least one field to add to the report!"));
        QCOMPARE(ui_->messages[0].icon, MsgIcon::Information);
        QCOMPARE(ui_->messages[0].owner.data(), static_cast<QWidget*>(&d));
        QVERIFY(ui_->dialogs.isEmpty());
        QVERIFY(d.isVisible());

        // The last field alone is enough.
        d.ui()->inc_fields->item(10)->setCheckState(Qt::Checked);
        ui_->cancelFile();
        QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
        QCOMPARE(ui_->messages.size(), 1);
        QCOMPARE(ui_->dialogs.size(), 1);
    });
    QVERIFY(leftOpen);
}

void TstReportGen::cancelledFileDialogKeepsChoices() {
    const QString file = path("report.rtf");
    const bool leftOpen = run([&](Treportgen& d) {
        auto& ui = *d.ui();
        QTest::mouseClick(ui.rt_RichText, Qt::LeftButton);
        QTest::mouseClick(ui.wc_OpenReport, Qt::LeftButton);
        ui.inc_fields->item(3)->setCheckState(Qt::Unchecked);
        ui_->cancelFile();
        QTest::mouseClick(ui.QuenlarkStdButton2, Qt::LeftButton);
        QVERIFY(d.isVisible());
        QVERIFY(ui.rt_RichText->isChecked());
        QVERIFY(!ui.wc_OpenReport->isChecked());
        QCOMPARE(ui.inc_fields->item(3)->checkState(), Qt::Unchecked);
        QVERIFY(ui_->launches.isEmpty());
        QCOMPARE(QDir(env_->dir()).entryList({"*.rtf"}), QStringList());

        ui_->chooseFile(file);
        QTest::mouseClick(ui.QuenlarkStdButton2, Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    QCOMPARE(ui_->dialogs.size(), 2);
    QVERIFY(fileBytes(file).startsWith("{\\rtf"));
    QVERIFY(ui_->launches.isEmpty());
    QVERIFY(ui_->messages.isEmpty());
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
    ui_->chooseFile(path("contacts"));
    const bool leftOpen = run([&](Treportgen& d) {
        dialog = &d;
        if (richText)
            QTest::mouseClick(d.ui()->rt_RichText, Qt::LeftButton);
        QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    QCOMPARE(ui_->dialogs.size(), 1);
    const RecordedDialog& asked = ui_->dialogs[0];
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
    QCOMPARE(ui_->launches.size(), 1);
    QCOMPARE(ui_->launches[0].target, written);
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
    ui_->chooseFile(file);
    const bool leftOpen = run([&](Treportgen& d) {
        for (int i : chosen)
            d.chosen_contacts.append(d.all_contacts.at(i));
        if (selected)
            QTest::mouseClick(d.ui()->crf_Selected, Qt::LeftButton);
        QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
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
    ui_->chooseFile(file);
    run([&](Treportgen& d) {
        d.ui()->inc_fields->item(int(ReportField::Email))->setCheckState(Qt::Unchecked);
        QCOMPARE(d.checkedFields().chosen.count(), 10u);
        QVERIFY(!d.checkedFields().has(ReportField::Email));
        QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
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
    ui_->chooseFile(file);
    ui_->launchResult = false; // a failed launch is not reported
    const bool leftOpen = run([&](Treportgen& d) {
        d.ui()->wc_OpenReport->setChecked(open);
        d.ui()->wc_PrintReport->setChecked(print);
        QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
    });
    QVERIFY(!leftOpen);
    QVERIFY(QFile::exists(file));
    QStringList launched;
    for (const RecordedLaunch& l : ui_->launches) {
        launched << l.verb;
        QCOMPARE(l.target, file);
    }
    QCOMPARE(launched, verbs);
    QVERIFY(ui_->messages.isEmpty());
}

void TstReportGen::unwritableFileStaysOpen() {
    ui_->chooseFile(path("missing/folder/report.html"));
    const bool leftOpen =
        run([&](Treportgen& d) { QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton); });
    QVERIFY(leftOpen);
    QVERIFY(ui_->messages.isEmpty());
    QVERIFY(ui_->launches.isEmpty());
}

void TstReportGen::enterOnlyOnCreateButton() {
    const bool leftOpen = run([&](Treportgen& d) {
        QTest::keyClick(d.ui()->rt_HTML, Qt::Key_Return);
        QTest::keyClick(d.ui()->inc_fields, Qt::Key_Return);
        QVERIFY(ui_->dialogs.isEmpty());
        QVERIFY(d.isVisible());
        ui_->cancelFile();
        QTest::keyClick(d.ui()->QuenlarkStdButton2, Qt::Key_Return);
        QCOMPARE(ui_->dialogs.size(), 1);
    });
    QVERIFY(leftOpen);
}

QTEST_MAIN(TstReportGen)
#include "tst_reportgen.moc"
