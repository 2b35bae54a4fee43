// The "Add contact fast" dialog and the main window's item that runs it: the layout, OK
// adding the contact, "Do not automatically add contact." only filling the edit panel, and
// every way of cancelling leaving the main window as it was.
#include "controls/quenlarkstdbutton.h"
#include "forms/addcontactfast.h"
#include "forms/mainform.h"
#include "guitest.h"
#include "modaldriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QtTest>
#include <cstring>
#include <functional>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QList<ContactRecord> records(const QList<QByteArrayList>& contacts) {
    QList<ContactRecord> out;
    for (const QByteArrayList& c : contacts) {
        ContactRecord r = NamedContact(c.value(0), c.value(1));
        r.setText(Field::City, c.value(2).toStdString());
        r.setCountry(7);
        out << r;
    }
    return out;
}

// Runs the main window's "&Add contact fast" item and `drive` on the dialog while it is
// shown modally. A dialog that `drive` leaves open is cancelled and fails the test.
void withAddFast(Tmainform& w, const std::function<void(Taddcontactfast&)>& drive) {
    const ModalRun run =
        RunModal<Taddcontactfast>([&] { Action(w, "addFastItem")->trigger(); }, drive);
    QVERIFY(run.driven);
    QVERIFY(!run.leftOpen);
    QVERIFY(run.destroyed); // destroyed when it closed
}

void fill(Taddcontactfast& d, const QString& name, const QString& email, const QString& web) {
    QTest::keyClicks(Child<QLineEdit>(d, "nameEdit"), name);
    QTest::keyClicks(Child<QLineEdit>(d, "emailEdit"), email);
    QTest::keyClicks(Child<QLineEdit>(d, "webSiteEdit"), web);
}

} // namespace

class TstAddContactFast : public GuiTest {
    Q_OBJECT
private slots:
    void layoutAndFreshEveryTime();
    void okAddsAndRefreshes_data();
    void okAddsAndRefreshes();
    void noAutoAddOnlyFillsThePanel();
    void cancelLeavesMainWindowAlone_data();
    void cancelLeavesMainWindowAlone();
    void addCommandRulesStillApply();

private:
    std::unique_ptr<Tmainform> window(const QList<QByteArrayList>& contacts = {}) {
        return GuiTest::window(records(contacts));
    }
};

void TstAddContactFast::layoutAndFreshEveryTime() {
    auto w = window();
    QVERIFY(w);
    withAddFast(*w, [&](Taddcontactfast& d) {
        QCOMPARE(d.windowTitle(), QStringLiteral("Add contact fast"));
        QCOMPARE(d.size(), QSize(329, 243));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QCOMPARE(d.parentWidget(), w.get());
        QCOMPARE(d.font().pixelSize(), 11);
        QCOMPARE(Child<QWidget>(d, "titleBar")->geometry(), QRect(0, 0, 329, 29));
        QCOMPARE(Child<QLabel>(d, "titleLabel")->text(), QStringLiteral("Add contact fast"));
        QVERIFY(Child<QLabel>(d, "titleLabel")->font().bold());
        QCOMPARE(Child<QLabel>(d, "noteLabel")->text(),
                 QStringLiteral("Note: If there are fields you want to add that are not here you "
                                "will have to modify the contact after you add it."));
        QVERIFY(Child<QLabel>(d, "noteLabel")->wordWrap());
        QCOMPARE(Child<QLabel>(d, "nameLabel")->text(), QStringLiteral("Contact name: "));
        QCOMPARE(Child<QLabel>(d, "emailLabel")->text(), QStringLiteral("E-Mail address: "));
        QCOMPARE(Child<QLabel>(d, "webSiteLabel")->text(), QStringLiteral("Web Site: "));
        QCOMPARE(Child<QLineEdit>(d, "nameEdit")->geometry(), QRect(104, 84, 213, 21));
        QCOMPARE(Child<QLineEdit>(d, "webSiteEdit")->geometry(), QRect(104, 148, 213, 21));
        QCOMPARE(Child<QCheckBox>(d, "noAutoAddBox")->text(),
                 QStringLiteral("Do not automatically add contact."));
        QCOMPARE(Child<TQuenlarkStdButton>(d, "okButton")->Caption(), QStringLiteral("&OK"));
        QCOMPARE(Child<TQuenlarkStdButton>(d, "okButton")->geometry(), QRect(240, 212, 75, 23));
        QVERIFY(Child<TQuenlarkStdButton>(d, "okButton")->Default());
        QCOMPARE(Child<TQuenlarkStdButton>(d, "cancelButton")->Caption(),
                 QStringLiteral("&Cancel"));
        QCOMPARE(Child<TQuenlarkStdButton>(d, "cancelButton")->geometry(), QRect(160, 212, 75, 23));
        // Tab order: the three boxes, the check box, OK, Cancel.
        const QList<QWidget*> order{
            Child<QLineEdit>(d, "nameEdit"),          Child<QLineEdit>(d, "emailEdit"),
            Child<QLineEdit>(d, "webSiteEdit"),       Child<QCheckBox>(d, "noAutoAddBox"),
            Child<TQuenlarkStdButton>(d, "okButton"), Child<TQuenlarkStdButton>(d, "cancelButton")};
        for (int i = 0; i + 1 < order.size(); ++i)
            QCOMPARE(NextTabStop(order[i]), order[i + 1]);
        // Names longer than any field are taken as typed; the add command cuts them.
        const QString longName(300, QLatin1Char('n'));
        Child<QLineEdit>(d, "nameEdit")->setText(longName);
        QCOMPARE(Child<QLineEdit>(d, "nameEdit")->text(), longName);
        fill(d, QString(), QStringLiteral("x@y"), QStringLiteral("http://x"));
        QTest::mouseClick(Child<QCheckBox>(d, "noAutoAddBox"), Qt::LeftButton);
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "cancelButton"), Qt::LeftButton);
    });
    // Nothing is kept from the last time.
    withAddFast(*w, [](Taddcontactfast& d) {
        QVERIFY(Child<QLineEdit>(d, "nameEdit")->text().isEmpty());
        QVERIFY(Child<QLineEdit>(d, "emailEdit")->text().isEmpty());
        QVERIFY(Child<QLineEdit>(d, "webSiteEdit")->text().isEmpty());
        QVERIFY(!Child<QCheckBox>(d, "noAutoAddBox")->isChecked());
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "cancelButton"), Qt::LeftButton);
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
    ClickRow(*w, 0);
    QVERIFY(w->selectedContact());
    withAddFast(*w, [&](Taddcontactfast& d) {
        fill(d, QStringLiteral("Bo <b>Bold</b>"), QStringLiteral("bo@example.org"),
             QStringLiteral("https://bo.example"));
        if (how == "button")
            QTest::mouseClick(Child<TQuenlarkStdButton>(d, "okButton"), Qt::LeftButton);
        else if (how == "enter")
            QTest::keyClick(Child<QLineEdit>(d, "webSiteEdit"), Qt::Key_Return);
        else
            QTest::keyClick(Child<QLineEdit>(d, "webSiteEdit"), Qt::Key_O, Qt::AltModifier);
    });
    QVERIFY(seam_->messages.isEmpty());
    const QByteArray file = env_->databaseBytes();
    QCOMPARE(RecordCount(file), 2);
    const ContactRecord added = RecordAt(file, 1);
    QCOMPARE(added.text(Field::Name), std::string("Bo <b>Bold</b>"));
    QCOMPARE(added.text(Field::Email), std::string("bo@example.org"));
    QCOMPARE(added.text(Field::WebSite), std::string("https://bo.example"));
    // The rest of the record is empty: the selected contact's other fields are not taken.
    QCOMPARE(added.text(Field::City), std::string());
    QCOMPARE(added.country(), 0);
    // The list is refreshed and the panel emptied, as after any add.
    QCOMPARE(ListedNames(*w), QStringList({"Amy", "Bo <b>Bold</b>"}));
    QVERIFY(!w->selectedContact());
    QVERIFY(Child<QLineEdit>(*w, "nameEdit")->text().isEmpty());
    QVERIFY(Child<QLineEdit>(*w, "webSiteEdit")->text().isEmpty());
}

void TstAddContactFast::noAutoAddOnlyFillsThePanel() {
    auto w = window({{"Amy", "amy@x", "Oslo"}});
    QVERIFY(w);
    ClickRow(*w, 0);
    QCOMPARE(Child<QLineEdit>(*w, "cityEdit")->text(), QStringLiteral("Oslo"));
    QCOMPARE(Child<QComboBox>(*w, "countryBox")->currentIndex(), 7);
    const QByteArray before = env_->databaseBytes();
    withAddFast(*w, [&](Taddcontactfast& d) {
        // Texts are copied unchanged: spaces and all, no check of the web address yet.
        fill(d, QStringLiteral(" Cy "), QString(), QStringLiteral("cy.example"));
        QTest::mouseClick(Child<QCheckBox>(d, "noAutoAddBox"), Qt::LeftButton);
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "okButton"), Qt::LeftButton);
    });
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(env_->databaseBytes(), before);
    QVERIFY(!w->selectedContact());
    QVERIFY(Child<QListView>(*w, "contacts")->selectionModel()->selectedIndexes().isEmpty());
    QCOMPARE(Child<QLineEdit>(*w, "nameEdit")->text(), QStringLiteral(" Cy "));
    QCOMPARE(Child<QLineEdit>(*w, "emailEdit")->text(), QString());
    QCOMPARE(Child<QLineEdit>(*w, "webSiteEdit")->text(), QStringLiteral("cy.example"));
    QCOMPARE(Child<QLineEdit>(*w, "cityEdit")->text(), QString());
    QCOMPARE(Child<QComboBox>(*w, "countryBox")->currentIndex(), 0);
    QVERIFY(Child<QWidget>(*w, "sendMailPanel")->isHidden());
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
    ClickRow(*w, 1);
    const ContactIndexEntry* selected = w->selectedContact();
    QVERIFY(selected);
    QTest::keyClicks(Child<QLineEdit>(*w, "phoneEdit"), QStringLiteral("555"));
    const QByteArray before = env_->databaseBytes();
    withAddFast(*w, [&](Taddcontactfast& d) {
        fill(d, QStringLiteral("Cy"), QStringLiteral("cy@x"), QString());
        QWidget* focused = Child<QLineEdit>(d, "nameEdit");
        if (how == "button")
            QTest::mouseClick(Child<TQuenlarkStdButton>(d, "cancelButton"), Qt::LeftButton);
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
    QCOMPARE(w->selectedContact(), selected);
    QCOMPARE(Child<QLineEdit>(*w, "nameEdit")->text(), QStringLiteral("Bob"));
    QCOMPARE(Child<QLineEdit>(*w, "cityEdit")->text(), QStringLiteral("Rome"));
    QCOMPARE(Child<QLineEdit>(*w, "phoneEdit")->text(), QStringLiteral("555"));
}

void TstAddContactFast::addCommandRulesStillApply() {
    auto w = window();
    QVERIFY(w);
    // An empty name: the add command's message comes once the dialog has closed, owned by
    // the main window, and the copied texts stay for the user to complete.
    bool dialogOpenAtMessage = true;
    seam_->onMessage = [&](const RecordedMessage&) {
        dialogOpenAtMessage = QApplication::activeModalWidget() != nullptr;
    };
    withAddFast(*w, [](Taddcontactfast& d) {
        fill(d, QString(), QStringLiteral("nobody@x"), QStringLiteral("http://n.example"));
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "okButton"), Qt::LeftButton);
    });
    QCOMPARE(seam_->titles(), QStringList({"Specify required fields!"}));
    QCOMPARE(seam_->messages.first().owner.data(), w.get());
    QVERIFY(!dialogOpenAtMessage);
    QCOMPARE(RecordCount(env_->databaseBytes()), 0);
    QCOMPARE(Child<QLineEdit>(*w, "emailEdit")->text(), QStringLiteral("nobody@x"));
    QCOMPARE(Child<QLineEdit>(*w, "webSiteEdit")->text(), QStringLiteral("http://n.example"));

    // A web address without a scheme is questioned; No adds the contact without it.
    seam_->clear();
    seam_->onMessage = nullptr;
    seam_->answer(MsgResult::No);
    withAddFast(*w, [](Taddcontactfast& d) {
        fill(d, QStringLiteral("Di"), QStringLiteral("di@x"), QStringLiteral("www.di.example"));
        QTest::mouseClick(Child<TQuenlarkStdButton>(d, "okButton"), Qt::LeftButton);
    });
    QCOMPARE(seam_->titles(), QStringList({"Web link is invalid!"}));
    const QByteArray file = env_->databaseBytes();
    QCOMPARE(RecordCount(file), 1);
    QCOMPARE(RecordAt(file, 0).text(Field::Name), std::string("Di"));
    QCOMPARE(RecordAt(file, 0).text(Field::WebSite), std::string());
}

QTEST_MAIN(TstAddContactFast)
#include "tst_addcontactfast.moc"
