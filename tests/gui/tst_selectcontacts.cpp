// The contact selection dialog: its layout, the four list buttons with their messages,
// and OK or Cancel as the report dialog sees them.
#include "controls/quenlarkstdbutton.h"
#include "engine/contactrecord.h"
#include "forms/report.h"
#include "forms/selectcontacts.h"
#include "modaldriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QLineEdit>
#include <QListView>
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

void clickItem(QListView* list, int row) {
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

QString nameOf(const QString& handle) {
    const ContactIndexEntry* entry = Engine().EntryFromHandle(handle.toStdString());
    return entry ? QString::fromStdString(entry->name) : QString();
}

QStringList namesOf(const QStringList& handles) {
    QStringList names;
    for (const QString& handle : handles)
        names.append(nameOf(handle));
    return names;
}

} // namespace

class TstSelectContacts : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layout();
    void addAndRemoveOne();
    void addAllAndRemoveAll();
    void doubleClickDoesNothing();
    void okTakesListBackCancelDiscards_data();
    void okTakesListBackCancelDiscards();

private:
    // Contacts "Ann", "Bob", "Cy", "Bob", "Dee" in the database, the index loaded.
    void makeContacts();
    // A shown dialog filled as the report dialog fills it.
    std::unique_ptr<Tselectcontacts> dialog(const QStringList& chosen = {});

    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> ui_;
    QStringList all_;
};

void TstSelectContacts::init() {
    env_ = std::make_unique<TestEnv>();
    ui_ = std::make_unique<ScriptedUiSeam>();
    makeContacts();
}

void TstSelectContacts::cleanup() {
    QVERIFY(ui_->drained());
    QVERIFY(selectcontacts == nullptr);
    ui_.reset();
    env_.reset();
}

void TstSelectContacts::makeContacts() {
    QVERIFY(env_->engine().OpenAddressBook());
    for (const char* name : {"Ann", "Bob", "Cy", "Bob", "Dee"}) {
        ContactRecord record;
        ClearContactRecord(record);
        record.setText(Field::Name, name);
        QVERIFY(env_->engine().AppendContact(record));
    }
    env_->engine().LoadContactIndex();
    std::vector<std::string> handles;
    env_->engine().CopyContactIndex(handles);
    all_.clear();
    for (const std::string& handle : handles)
        all_.append(QString::fromStdString(handle));
    QCOMPARE(all_.size(), 5);
}

std::unique_ptr<Tselectcontacts> TstSelectContacts::dialog(const QStringList& chosen) {
    auto d = std::make_unique<Tselectcontacts>();
    d->setContactsSelected(chosen);
    d->setContactAvailable(all_);
    d->show();
    if (!QTest::qWaitForWindowExposed(d.get()))
        qWarning("dialog not exposed");
    return d;
}

void TstSelectContacts::layout() {
    const auto d = dialog();
    const auto& ui = *d->ui();
    QCOMPARE(selectcontacts, d.get());
    QCOMPARE(d->windowTitle(), QStringLiteral("Select contacts"));
    QCOMPARE(d->size(), QSize(428, 279));
    QCOMPARE(d->minimumSize(), d->maximumSize());
    QCOMPARE(d->font().pixelSize(), 11);
    QCOMPARE(ui.titlebar->geometry(), QRect(0, 0, 428, 29));
    QCOMPARE(ui.Label3->text(), QStringLiteral("Select contacts"));
    QVERIFY(ui.Label3->font().bold());
    QCOMPARE(ui.Label1->text(), QStringLiteral("Available contacts: "));
    QCOMPARE(ui.Label2->text(), QStringLiteral("Contacts to add in report: "));
    QCOMPARE(ui.contact_available->geometry(), QRect(12, 56, 157, 181));
    QCOMPARE(ui.contacts_selected->geometry(), QRect(260, 56, 157, 181));
    QCOMPARE(ui.contact_available->visualRect(ui.contact_available->model()->index(1, 0)).height(),
             20);

    const std::vector<std::pair<TQuenlarkStdButton*, const char*>> buttons{
        {ui.QuenlarkStdButton2, ">> &Add"},  {ui.QuenlarkStdButton1, "<< &Remove"},
        {ui.QuenlarkStdButton5, "A&dd all"}, {ui.QuenlarkStdButton6, "R&emove all"},
        {ui.QuenlarkStdButton3, "&Cancel"},  {ui.QuenlarkStdButton4, "&OK"}};
    for (const auto& [button, caption] : buttons) {
        QCOMPARE(button->Caption(), QString::fromLatin1(caption));
        QVERIFY(button->Border());
        QCOMPARE(button->TransparentColour(), TColor(0x0000FF00));
        QCOMPARE(button->Default(), button == ui.QuenlarkStdButton4);
    }
    QCOMPARE(ui.QuenlarkStdButton2->geometry(), QRect(180, 72, 75, 23));
    QCOMPARE(ui.QuenlarkStdButton4->geometry(), QRect(344, 248, 75, 23));

    const QList<QWidget*> order{ui.contact_available,  ui.contacts_selected,  ui.QuenlarkStdButton2,
                                ui.QuenlarkStdButton1, ui.QuenlarkStdButton3, ui.QuenlarkStdButton4,
                                ui.QuenlarkStdButton5, ui.QuenlarkStdButton6};
    for (int i = 0; i + 1 < order.size(); ++i)
        QCOMPARE(nextTabStop(order[i]), order[i + 1]);

    // Both lists hold the handles as they were given; the names are drawn in their place.
    QCOMPARE(d->contactAvailable(), all_);
    QVERIFY(d->contactsSelected().isEmpty());
    QCOMPARE(namesOf(d->contactAvailable()), QStringList({"Ann", "Bob", "Cy", "Bob", "Dee"}));
}

void TstSelectContacts::addAndRemoveOne() {
    const auto d = dialog();
    auto& ui = *d->ui();

    // Nothing selected on either side.
    QTest::mouseClick(ui.QuenlarkStdButton2, Qt::LeftButton);
    QTest::mouseClick(ui.QuenlarkStdButton1, Qt::LeftButton);
    QCOMPARE(ui_->messages.size(), 2);
    QCOMPARE(ui_->messages[0].title, QStringLiteral("Select contact first!"));
    QCOMPARE(ui_->messages[0].text, QStringLiteral("Please select a contact to add first."));
    QCOMPARE(ui_->messages[0].icon, MsgIcon::Information);
    QCOMPARE(ui_->messages[0].owner.data(), static_cast<QWidget*>(d.get()));
    QCOMPARE(ui_->messages[1].title, QStringLiteral("Select contact first!"));
    QCOMPARE(ui_->messages[1].text, QStringLiteral("Please select a contact to remove first!"));
    QCOMPARE(ui_->messages[1].icon, MsgIcon::Error);
    QCOMPARE(ui_->messages[1].owner.data(), static_cast<QWidget*>(d.get()));
    QVERIFY(d->contactsSelected().isEmpty());
    ui_->clear();

    // Add the second contact, then the same one again.
    clickItem(ui.contact_available, 1);
    QTest::mouseClick(ui.QuenlarkStdButton2, Qt::LeftButton);
    QCOMPARE(d->contactsSelected(), QStringList{all_[1]});
    QVERIFY(ui_->messages.isEmpty());
    QTest::mouseClick(ui.QuenlarkStdButton2, Qt::LeftButton);
    QCOMPARE(ui_->messages.size(), 1);
    QCOMPARE(ui_->messages[0].title, QStringLiteral("Cotnact already in list."));
    QCOMPARE(ui_->messages[0].text,
             QStringLiteral("This contact is already in the Selected Contacts list!"));
    QCOMPARE(ui_->messages[0].icon, MsgIcon::Information);
    QCOMPARE(d->contactsSelected(), QStringList{all_[1]});
    QCOMPARE(ui.contact_available->selectionModel()->selectedRows().value(0).row(), 1);
    ui_->clear();

    // The other "Bob" is another contact; then Ann.
    clickItem(ui.contact_available, 3);
    QTest::mouseClick(ui.QuenlarkStdButton2, Qt::LeftButton);
    clickItem(ui.contact_available, 0);
    QTest::mouseClick(ui.QuenlarkStdButton2, Qt::LeftButton);
    QVERIFY(ui_->messages.isEmpty());
    QCOMPARE(d->contactsSelected(), QStringList({all_[1], all_[3], all_[0]}));
    QCOMPARE(namesOf(d->contactsSelected()), QStringList({"Bob", "Bob", "Ann"}));

    // Remove the middle one; the left-hand list never changes.
    clickItem(ui.contacts_selected, 1);
    QTest::mouseClick(ui.QuenlarkStdButton1, Qt::LeftButton);
    QCOMPARE(d->contactsSelected(), QStringList({all_[1], all_[0]}));
    QCOMPARE(d->contactAvailable(), all_);
    // No item stays selected, so Remove asks again.
    QTest::mouseClick(ui.QuenlarkStdButton1, Qt::LeftButton);
    QCOMPARE(ui_->titles(), QStringList{"Select contact first!"});
    QCOMPARE(d->contactsSelected(), QStringList({all_[1], all_[0]}));
    ui_->clear();
}

void TstSelectContacts::addAllAndRemoveAll() {
    const auto d = dialog({all_[3], all_[0]});
    auto& ui = *d->ui();
    QTest::mouseClick(ui.QuenlarkStdButton5, Qt::LeftButton);
    QCOMPARE(d->contactsSelected(), QStringList({all_[3], all_[0], all_[1], all_[2], all_[4]}));
    QTest::mouseClick(ui.QuenlarkStdButton5, Qt::LeftButton); // nothing missing
    QCOMPARE(d->contactsSelected().size(), 5);
    QTest::mouseClick(ui.QuenlarkStdButton6, Qt::LeftButton);
    QVERIFY(d->contactsSelected().isEmpty());
    QTest::mouseClick(ui.QuenlarkStdButton6, Qt::LeftButton);
    QVERIFY(d->contactsSelected().isEmpty());
    QCOMPARE(d->contactAvailable(), all_);
    QVERIFY(ui_->messages.isEmpty());
}

void TstSelectContacts::doubleClickDoesNothing() {
    const auto d = dialog({all_[2]});
    auto& ui = *d->ui();
    for (QListView* list : {ui.contact_available, ui.contacts_selected}) {
        const QRect rect = list->visualRect(list->model()->index(0, 0));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::keyClick(list, Qt::Key_F2);
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    }
    QCOMPARE(d->contactsSelected(), QStringList{all_[2]});
    QCOMPARE(d->contactAvailable(), all_);
    QVERIFY(d->isVisible());
}

void TstSelectContacts::okTakesListBackCancelDiscards_data() {
    QTest::addColumn<QString>("ending");
    QTest::addColumn<bool>("taken");
    QTest::newRow("OK") << "ok" << true;
    QTest::newRow("Cancel") << "cancel" << false;
    QTest::newRow("close box") << "close" << false;
}

void TstSelectContacts::okTakesListBackCancelDiscards() {
    QFETCH(QString, ending);
    QFETCH(bool, taken);
    Treportgen report;
    report.show();
    QVERIFY(QTest::qWaitForWindowExposed(&report));
    report.chosen_contacts = {all_[4], all_[1]};

    QStringList shownChosen, shownAll;
    QWidget* owner = nullptr;
    const ModalRun run = RunModal<Tselectcontacts>(
        [&] { QTest::mouseClick(report.ui()->QuenlarkStdButton1, Qt::LeftButton); },
        [&](Tselectcontacts& d) {
            owner = d.parentWidget();
            shownChosen = d.contactsSelected();
            shownAll = d.contactAvailable();
            d.QuenlarkStdButton6Click(nullptr);
            clickItem(d.ui()->contact_available, 2);
            QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
            clickItem(d.ui()->contact_available, 0);
            QTest::mouseClick(d.ui()->QuenlarkStdButton2, Qt::LeftButton);
            if (ending == "ok")
                QTest::mouseClick(d.ui()->QuenlarkStdButton4, Qt::LeftButton);
            else if (ending == "cancel")
                QTest::mouseClick(d.ui()->QuenlarkStdButton3, Qt::LeftButton);
            else
                d.close();
        });
    QVERIFY(!run.leftOpen);
    QCOMPARE(owner, static_cast<QWidget*>(&report));
    QCOMPARE(shownChosen, QStringList({all_[4], all_[1]}));
    QCOMPARE(shownAll, all_);
    QCOMPARE(report.chosen_contacts,
             taken ? QStringList({all_[2], all_[0]}) : QStringList({all_[4], all_[1]}));
    // Choosing contacts does not switch the report to "Selected contacts".
    QVERIFY(report.ui()->crf_All->isChecked());
    QVERIFY(selectcontacts == nullptr);
    QVERIFY(report.isVisible());
}

QTEST_MAIN(TstSelectContacts)
#include "tst_selectcontacts.moc"
