// The "Add contact fast" dialog and the main window's item that runs it: the layout, OK
// adding the contact, "Do not automatically add contact." only filling the edit panel, and
// every way of cancelling leaving the main window as it was.
#include "controls/quenlarkstdbutton.h"
#include "engine/contactrecord.h"
#include "forms/addcontactfast.h"
#include "forms/mainform.h"
#include "mainwindowdriver.h"
#include "modaldriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QStringListModel>
#include <QtTest>
#include <cstring>
#include <functional>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QByteArray databaseWith(const QList<QByteArrayList>& contacts) {
    QList<ContactRecord> records;
    for (const QByteArrayList& c : contacts) {
        ContactRecord& r = records.emplace_back();
        ClearContactRecord(r);
        r.setText(Field::Name, c.value(0).toStdString());
        r.setText(Field::Email, c.value(1).toStdString());
        r.setText(Field::City, c.value(2).toStdString());
        r.setCountry(7);
    }
    return DatabaseWith(records);
}

ContactRecord recordAt(const QByteArray& file, int i) {
    ContactRecord r;
    std::memcpy(r.bytes.data(), file.constData() + kHeaderSize + std::size_t(i) * kRecordSize,
                kRecordSize);
    return r;
}

int recordCount(const QByteArray& file) {
    return int((file.size() - int(kHeaderSize)) / int(kRecordSize));
}

// Runs the main window's "&Add contact fast" item and `drive` on the dialog while it is
// shown modally. A dialog that `drive` leaves open is cancelled and fails the test.
void withAddFast(Tmainform& w, const std::function<void(Taddcontactfast&)>& drive) {
    const ModalRun run = RunModal<Taddcontactfast>([&] { w.Addfastitem1->trigger(); }, drive);
    QVERIFY(run.driven);
    QVERIFY(!run.leftOpen);
    QVERIFY(addcontactfast == nullptr); // destroyed when it closed
}

void fill(Taddcontactfast& d, const QString& name, const QString& email, const QString& web) {
    QTest::keyClicks(d.ui()->e_name, name);
    QTest::keyClicks(d.ui()->e_email, email);
    QTest::keyClicks(d.ui()->e_website, web);
}

// The next control in the focus chain that Tab stops at.
QWidget* nextTabStop(QWidget* from) {
    QWidget* next = from->nextInFocusChain();
    while (next != from && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

} // namespace

class TstAddContactFast : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layoutAndFreshEveryTime();
    void okAddsAndRefreshes_data();
    void okAddsAndRefreshes();
    void noAutoAddOnlyFillsThePanel();
    void cancelLeavesMainWindowAlone_data();
    void cancelLeavesMainWindowAlone();
    void addCommandRulesStillApply();

private:
    std::unique_ptr<Tmainform> window(const QList<QByteArrayList>& contacts = {});

    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> seam_;
};

void TstAddContactFast::init() {
    env_ = std::make_unique<TestEnv>();
    seam_ = std::make_unique<ScriptedUiSeam>();
}

void TstAddContactFast::cleanup() {
    QVERIFY(seam_->drained());
    seam_.reset();
    env_.reset();
}

std::unique_ptr<Tmainform> TstAddContactFast::window(const QList<QByteArrayList>& contacts) {
    return OpenMainWindow(*env_, databaseWith(contacts));
}

void TstAddContactFast::layoutAndFreshEveryTime() {
    auto w = window();
    QVERIFY(w);
    withAddFast(*w, [&](Taddcontactfast& d) {
        const auto& ui = *d.ui();
        QCOMPARE(d.windowTitle(), QStringLiteral("Add contact fast"));
        QCOMPARE(d.size(), QSize(329, 243));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QCOMPARE(d.parentWidget(), w.get());
        QCOMPARE(d.font().pixelSize(), 11);
        QCOMPARE(ui.titlebar->geometry(), QRect(0, 0, 329, 29));
        QCOMPARE(ui.titlebar_label->text(), QStringLiteral("Add contact fast"));
        QVERIFY(ui.titlebar_label->font().bold());
        QCOMPARE(ui.Label5->text(),
                 QStringLiteral("Note: If there are fields you want to add that are not here you "
                                "will have to modify the contact after you add it."));
        QVERIFY(ui.Label5->wordWrap());
        QCOMPARE(ui.Label2->text(), QStringLiteral("Contact name: "));
        QCOMPARE(ui.Label3->text(), QStringLiteral("E-Mail address: "));
        QCOMPARE(ui.Label4->text(), QStringLiteral("Web Site: "));
        QCOMPARE(ui.e_name->geometry(), QRect(104, 84, 213, 21));
        QCOMPARE(ui.e_website->geometry(), QRect(104, 148, 213, 21));
        QCOMPARE(ui.noautoadd->text(), QStringLiteral("Do not automatically add contact."));
        QCOMPARE(ui.QuenlarkStdButton1->Caption(), QStringLiteral("&OK"));
        QCOMPARE(ui.QuenlarkStdButton1->geometry(), QRect(240, 212, 75, 23));
        QVERIFY(ui.QuenlarkStdButton1->Default());
        QCOMPARE(ui.QuenlarkStdButton2->Caption(), QStringLiteral("&Cancel"));
        QCOMPARE(ui.QuenlarkStdButton2->geometry(), QRect(160, 212, 75, 23));
        // Tab order: the three boxes, the check box, OK, Cancel.
        const QList<QWidget*> order{ui.e_name,
                                    ui.e_email,
                                    ui.e_website,
                                    ui.noautoadd,
                                    ui.QuenlarkStdButton1,
                                    ui.QuenlarkStdButton2};
        for (int i = 0; i + 1 < order.size(); ++i)
            QCOMPARE(nextTabStop(order[i]), order[i + 1]);
        // Names longer than any field are taken as typed; the add command cuts them.
        const QString longName(300, QLatin1Char('n'));
        ui.e_name->setText(longName);
        QCOMPARE(ui.e_name->text(), longName);
        fill(d, QString(), QStringLiteral("x@y"), QStringLiteral("http://x"));
        QTest::mouseClick(ui.noautoadd, Qt::LeftButton);
        QTest::mouseClick(ui.QuenlarkStdButton2, Qt::LeftButton);
    });
    // Nothing is kept from the last time.
    withAddFast(*w, [](Taddcontactfast& d) {
        QVERIFY(d.ui()->e_name->text().isEmpty());
        QVERIFY(d.ui()->e_email->text().isEmpty());
        QVERIFY(d.ui()->e_website->text().isEmpty());
        QVERIFY(!d.ui()->noautoadd->isChecked());
        QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
    });
}

void TstAddContactFast::okAddsAndRefreshes_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("OK button") << "button";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("Alt+O") << "alto";
}

void TstAddContactFast::okAddsAndRefreshes() {
    QFETCH(QString, how);
    auto w = window({{"Amy", "amy@x", "Oslo"}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    ClickRow(*w, 0);
    QVERIFY(w->SelectedContact());
    withAddFast(*w, [&](Taddcontactfast& d) {
        fill(d, QStringLiteral("Bo <b>Bold</b>"), QStringLiteral("bo@example.org"),
             QStringLiteral("https://bo.example"));
        if (how == "button")
            QTest::mouseClick(d.ui()->QuenlarkStdButton1, Qt::LeftButton);
        else if (how == "enter")
            QTest::keyClick(d.ui()->e_website, Qt::Key_Return);
        else
            QTest::keyClick(d.ui()->e_website, Qt::Key_O, Qt::AltModifier);
    });
    QVERIFY(seam_->messages.isEmpty());
    const QByteArray file = env_->databaseBytes();
    QCOMPARE(recordCount(file), 2);
    const ContactRecord added = recordAt(file, 1);
    QCOMPARE(added.text(Field::Name), std::string("Bo <b>Bold</b>"));
    QCOMPARE(added.text(Field::Email), std::string("bo@example.org"));
    QCOMPARE(added.text(Field::WebSite), std::string("https://bo.example"));
    // The rest of the record is empty: the selected contact's other fields are not taken.
    QCOMPARE(added.text(Field::City), std::string());
    QCOMPARE(added.country(), 0);
    // The list is refreshed and the panel emptied, as after any add.
    QCOMPARE(w->contactsModel()->rowCount(), 2);
    QVERIFY(!w->SelectedContact());
    QVERIFY(ui.e_name->text().isEmpty());
    QVERIFY(ui.e_website->text().isEmpty());
}

void TstAddContactFast::noAutoAddOnlyFillsThePanel() {
    auto w = window({{"Amy", "amy@x", "Oslo"}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    ClickRow(*w, 0);
    QCOMPARE(ui.e_city->text(), QStringLiteral("Oslo"));
    QCOMPARE(ui.e_country->currentIndex(), 7);
    const QByteArray before = env_->databaseBytes();
    withAddFast(*w, [&](Taddcontactfast& d) {
        // Texts are copied unchanged: spaces and all, no check of the web address yet.
        fill(d, QStringLiteral(" Cy "), QString(), QStringLiteral("cy.example"));
        QTest::mouseClick(d.ui()->noautoadd, Qt::LeftButton);
        QTest::mouseClick(d.ui()->QuenlarkStdButton1, Qt::LeftButton);
    });
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(env_->databaseBytes(), before);
    QVERIFY(!w->SelectedContact());
    QVERIFY(ui.contacts->selectionModel()->selectedIndexes().isEmpty());
    QCOMPARE(ui.e_name->text(), QStringLiteral(" Cy "));
    QCOMPARE(ui.e_email->text(), QString());
    QCOMPARE(ui.e_website->text(), QStringLiteral("cy.example"));
    QCOMPARE(ui.e_city->text(), QString());
    QCOMPARE(ui.e_country->currentIndex(), 0);
    QVERIFY(ui.panel_sendmail->isHidden());
}

void TstAddContactFast::cancelLeavesMainWindowAlone_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "button";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("Alt+C") << "altc";
    QTest::newRow("close box") << "close";
}

void TstAddContactFast::cancelLeavesMainWindowAlone() {
    QFETCH(QString, how);
    auto w = window({{"Amy", "amy@x", "Oslo"}, {"Bob", "bob@x", "Rome"}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    ClickRow(*w, 1);
    const ContactIndexEntry* selected = w->SelectedContact();
    QVERIFY(selected);
    QTest::keyClicks(ui.e_phone, QStringLiteral("555"));
    const QByteArray before = env_->databaseBytes();
    withAddFast(*w, [&](Taddcontactfast& d) {
        fill(d, QStringLiteral("Cy"), QStringLiteral("cy@x"), QString());
        QWidget* focused = d.ui()->e_name;
        if (how == "button")
            QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
        else if (how == "escape")
            QTest::keyClick(focused, Qt::Key_Escape);
        else if (how == "altc")
            QTest::keyClick(focused, Qt::Key_C, Qt::AltModifier);
        else
            d.close();
    });
    QVERIFY(seam_->messages.isEmpty());
    QVERIFY(w->isVisible());
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(w->SelectedContact(), selected);
    QCOMPARE(ui.e_name->text(), QStringLiteral("Bob"));
    QCOMPARE(ui.e_city->text(), QStringLiteral("Rome"));
    QCOMPARE(ui.e_phone->text(), QStringLiteral("555"));
}

void TstAddContactFast::addCommandRulesStillApply() {
    auto w = window();
    QVERIFY(w);
    const auto& ui = *w->ui();
    // An empty name: the add command's message comes once the dialog has closed, owned by
    // the main window, and the copied texts stay for the user to complete.
    bool dialogOpenAtMessage = true;
    seam_->onMessage = [&](const RecordedMessage&) {
        dialogOpenAtMessage = addcontactfast && addcontactfast->isVisible();
    };
    withAddFast(*w, [](Taddcontactfast& d) {
        fill(d, QString(), QStringLiteral("nobody@x"), QStringLiteral("http://n.example"));
        QTest::mouseClick(d.ui()->QuenlarkStdButton1, Qt::LeftButton);
    });
    QCOMPARE(seam_->titles(), QStringList({"Specify required fields!"}));
    QCOMPARE(seam_->messages.first().owner.data(), w.get());
    QVERIFY(!dialogOpenAtMessage);
    QCOMPARE(recordCount(env_->databaseBytes()), 0);
    QCOMPARE(ui.e_email->text(), QStringLiteral("nobody@x"));
    QCOMPARE(ui.e_website->text(), QStringLiteral("http://n.example"));

    // A web address without a scheme is questioned; No adds the contact without it.
    seam_->clear();
    seam_->onMessage = nullptr;
    seam_->answer(MsgResult::No);
    withAddFast(*w, [](Taddcontactfast& d) {
        fill(d, QStringLiteral("Di"), QStringLiteral("di@x"), QStringLiteral("www.di.example"));
        QTest::mouseClick(d.ui()->QuenlarkStdButton1, Qt::LeftButton);
    });
    QCOMPARE(seam_->titles(), QStringList({"Web link is invalid!"}));
    const QByteArray file = env_->databaseBytes();
    QCOMPARE(recordCount(file), 1);
    QCOMPARE(recordAt(file, 0).text(Field::Name), std::string("Di"));
    QCOMPARE(recordAt(file, 0).text(Field::WebSite), std::string());
}

QTEST_MAIN(TstAddContactFast)
#include "tst_addcontactfast.moc"
