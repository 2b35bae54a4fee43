// The contact selection dialog: its layout, the four list buttons with their messages,
// and OK or Cancel as the report dialog sees them.
#include "controls/quenlarkstdbutton.h"
#include "forms/report.h"
#include "forms/selectcontacts.h"
#include "guitest.h"
#include "modaldriver.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QtTest>
#include <functional>

using namespace quenlark;
using namespace quenlark::test;

namespace {

void clickItem(QListView* list, int row) {
    ClickRow(*list, row);
}

} // namespace

class TstSelectContacts : public GuiTest {
    Q_OBJECT
private slots:
    void init() override;

    void layout();
    void addAndRemoveOne();
    void addAllAndRemoveAll();
    void doubleClickDoesNothing();
    void okTakesListBackCancelDiscards_data();
    void okTakesListBackCancelDiscards();
    void typeAheadGoesToNames();

private:
    // Contacts "Ann", "Bob", "Cy", "Bob", "Dee" in the database, the index loaded.
    void makeContacts();
    // A shown dialog filled as the report dialog fills it.
    std::unique_ptr<Tselectcontacts> dialog(const ContactSerials& chosen = {});
    QStringList namesOf(const ContactSerials& contacts) const;

    ContactSerials all_;
};

void TstSelectContacts::init() {
    GuiTest::init();
    makeContacts();
}

QStringList TstSelectContacts::namesOf(const ContactSerials& contacts) const {
    QStringList names;
    for (const quint64 c : contacts) {
        const ContactIndexEntry* entry = env_->engine().EntryFromSerial(c);
        names << (entry ? QString::fromStdString(entry->name) : QString());
    }
    return names;
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
    all_.clear();
    for (const ContactIndexEntry& entry : env_->engine().index())
        all_.append(entry.serial);
    QCOMPARE(all_.size(), 5);
}

std::unique_ptr<Tselectcontacts> TstSelectContacts::dialog(const ContactSerials& chosen) {
    auto d = std::make_unique<Tselectcontacts>(env_->engine());
    d->setChosenContacts(chosen);
    d->setAvailableContacts(all_);
    d->show();
    if (!QTest::qWaitForWindowExposed(d.get()))
        qWarning("dialog not exposed");
    return d;
}

void TstSelectContacts::layout() {
    const auto d = dialog();
    QCOMPARE(d->windowTitle(), QStringLiteral("Select contacts"));
    QCOMPARE(d->size(), QSize(428, 279));
    QCOMPARE(d->minimumSize(), d->maximumSize());
    QCOMPARE(d->font().pixelSize(), 11);
    QCOMPARE(Child<QWidget>(*d, "titleBar")->geometry(), QRect(0, 0, 428, 29));
    QCOMPARE(Child<QLabel>(*d, "titleLabel")->text(), QStringLiteral("Select contacts"));
    QVERIFY(Child<QLabel>(*d, "titleLabel")->font().bold());
    QCOMPARE(Child<QLabel>(*d, "availableLabel")->text(), QStringLiteral("Available contacts: "));
    QCOMPARE(Child<QLabel>(*d, "chosenLabel")->text(),
             QStringLiteral("Contacts to add in report: "));
    QCOMPARE(Child<QListView>(*d, "availableList")->geometry(), QRect(12, 56, 157, 181));
    QCOMPARE(Child<QListView>(*d, "chosenList")->geometry(), QRect(260, 56, 157, 181));
    QCOMPARE(Child<QListView>(*d, "availableList")
                 ->visualRect(Child<QListView>(*d, "availableList")->model()->index(1, 0))
                 .height(),
             20);

    const std::vector<std::pair<TQuenlarkStdButton*, const char*>> buttons{
        {Child<TQuenlarkStdButton>(*d, "addButton"), ">> &Add"},
        {Child<TQuenlarkStdButton>(*d, "removeButton"), "<< &Remove"},
        {Child<TQuenlarkStdButton>(*d, "addAllButton"), "A&dd all"},
        {Child<TQuenlarkStdButton>(*d, "removeAllButton"), "R&emove all"},
        {Child<TQuenlarkStdButton>(*d, "cancelButton"), "&Cancel"},
        {Child<TQuenlarkStdButton>(*d, "okButton"), "&OK"}};
    for (const auto& [button, caption] : buttons) {
        QCOMPARE(button->Caption(), QString::fromLatin1(caption));
        QVERIFY(button->Border());
        QCOMPARE(button->TransparentColour(), TColor(0x0000FF00));
        QCOMPARE(button->Default(), button == Child<TQuenlarkStdButton>(*d, "okButton"));
    }
    QCOMPARE(Child<TQuenlarkStdButton>(*d, "addButton")->geometry(), QRect(180, 72, 75, 23));
    QCOMPARE(Child<TQuenlarkStdButton>(*d, "okButton")->geometry(), QRect(344, 248, 75, 23));

    const QList<QWidget*> order{Child<QListView>(*d, "availableList"),
                                Child<QListView>(*d, "chosenList"),
                                Child<TQuenlarkStdButton>(*d, "addButton"),
                                Child<TQuenlarkStdButton>(*d, "removeButton"),
                                Child<TQuenlarkStdButton>(*d, "cancelButton"),
                                Child<TQuenlarkStdButton>(*d, "okButton"),
                                Child<TQuenlarkStdButton>(*d, "addAllButton"),
                                Child<TQuenlarkStdButton>(*d, "removeAllButton")};
    for (int i = 0; i + 1 < order.size(); ++i)
        QCOMPARE(NextFocusable(order[i]), order[i + 1]);

    // Both lists hold the contacts as they were given, shown by their names.
    QCOMPARE(d->availableContacts(), all_);
    QVERIFY(d->chosenContacts().isEmpty());
    QCOMPARE(namesOf(d->availableContacts()), QStringList({"Ann", "Bob", "Cy", "Bob", "Dee"}));
    QCOMPARE(ListedNames(*Child<QListView>(*d, "availableList")),
             QStringList({"Ann", "Bob", "Cy", "Bob", "Dee"}));
}

void TstSelectContacts::addAndRemoveOne() {
    const auto d = dialog();

    // Nothing selected on either side.
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "addButton"), Qt::LeftButton);
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "removeButton"), Qt::LeftButton);
    QCOMPARE(seam_->messages.size(), 2);
    QCOMPARE(seam_->messages[0].title, QStringLiteral("Select contact first!"));
    QCOMPARE(seam_->messages[0].text, QStringLiteral("Please select a contact to add first."));
    QCOMPARE(seam_->messages[0].icon, MsgIcon::Information);
    QCOMPARE(seam_->messages[0].owner.data(), static_cast<QWidget*>(d.get()));
    QCOMPARE(seam_->messages[1].title, QStringLiteral("Select contact first!"));
    QCOMPARE(seam_->messages[1].text, QStringLiteral("Please select a contact to remove first!"));
    QCOMPARE(seam_->messages[1].icon, MsgIcon::Error);
    QCOMPARE(seam_->messages[1].owner.data(), static_cast<QWidget*>(d.get()));
    QVERIFY(d->chosenContacts().isEmpty());
    seam_->clear();

    // Add the second contact, then the same one again.
    clickItem(Child<QListView>(*d, "availableList"), 1);
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "addButton"), Qt::LeftButton);
    QCOMPARE(d->chosenContacts(), ContactSerials{all_[1]});
    QVERIFY(seam_->messages.isEmpty());
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "addButton"), Qt::LeftButton);
    QCOMPARE(seam_->messages.size(), 1);
    QCOMPARE(seam_->messages[0].title, QStringLiteral("Cotnact already in list."));
    QCOMPARE(seam_->messages[0].text,
             QStringLiteral("This contact is already in the Selected Contacts list!"));
    QCOMPARE(seam_->messages[0].icon, MsgIcon::Information);
    QCOMPARE(d->chosenContacts(), ContactSerials{all_[1]});
    QCOMPARE(Child<QListView>(*d, "availableList")->selectionModel()->selectedRows().value(0).row(),
             1);
    seam_->clear();

    // The other "Bob" is another contact; then Ann.
    clickItem(Child<QListView>(*d, "availableList"), 3);
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "addButton"), Qt::LeftButton);
    clickItem(Child<QListView>(*d, "availableList"), 0);
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "addButton"), Qt::LeftButton);
    QVERIFY(seam_->messages.isEmpty());
    QCOMPARE(d->chosenContacts(), ContactSerials({all_[1], all_[3], all_[0]}));
    QCOMPARE(namesOf(d->chosenContacts()), QStringList({"Bob", "Bob", "Ann"}));

    // Remove the middle one; the left-hand list never changes.
    clickItem(Child<QListView>(*d, "chosenList"), 1);
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "removeButton"), Qt::LeftButton);
    QCOMPARE(d->chosenContacts(), ContactSerials({all_[1], all_[0]}));
    QCOMPARE(d->availableContacts(), all_);
    // No item stays selected, so Remove asks again.
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "removeButton"), Qt::LeftButton);
    QCOMPARE(seam_->titles(), QStringList{"Select contact first!"});
    QCOMPARE(d->chosenContacts(), ContactSerials({all_[1], all_[0]}));
    seam_->clear();
}

void TstSelectContacts::addAllAndRemoveAll() {
    const auto d = dialog({all_[3], all_[0]});
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "addAllButton"), Qt::LeftButton);
    QCOMPARE(d->chosenContacts(), ContactSerials({all_[3], all_[0], all_[1], all_[2], all_[4]}));
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "addAllButton"),
                      Qt::LeftButton); // nothing missing
    QCOMPARE(d->chosenContacts().size(), 5);
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "removeAllButton"), Qt::LeftButton);
    QVERIFY(d->chosenContacts().isEmpty());
    QTest::mouseClick(Child<TQuenlarkStdButton>(*d, "removeAllButton"), Qt::LeftButton);
    QVERIFY(d->chosenContacts().isEmpty());
    QCOMPARE(d->availableContacts(), all_);
    QVERIFY(seam_->messages.isEmpty());
}

void TstSelectContacts::doubleClickDoesNothing() {
    const auto d = dialog({all_[2]});
    for (QListView* list :
         {Child<QListView>(*d, "availableList"), Child<QListView>(*d, "chosenList")}) {
        const QRect rect = list->visualRect(list->model()->index(0, 0));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::keyClick(list, Qt::Key_F2);
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    }
    QCOMPARE(d->chosenContacts(), ContactSerials{all_[2]});
    QCOMPARE(d->availableContacts(), all_);
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
    Treportgen report(env_->engine());
    report.show();
    QVERIFY(QTest::qWaitForWindowExposed(&report));
    report.setChosenContacts({all_[4], all_[1]});

    ContactSerials shownChosen, shownAll;
    QWidget* owner = nullptr;
    const ModalRun run = RunModal<Tselectcontacts>(
        [&] {
            QTest::mouseClick(Child<TQuenlarkStdButton>(report, "selectContactsButton"),
                              Qt::LeftButton);
        },
        [&](Tselectcontacts& d) {
            owner = d.parentWidget();
            shownChosen = d.chosenContacts();
            shownAll = d.availableContacts();
            d.removeAll();
            clickItem(Child<QListView>(d, "availableList"), 2);
            QTest::mouseClick(Child<TQuenlarkStdButton>(d, "addButton"), Qt::LeftButton);
            clickItem(Child<QListView>(d, "availableList"), 0);
            QTest::mouseClick(Child<TQuenlarkStdButton>(d, "addButton"), Qt::LeftButton);
            if (ending == "ok")
                QTest::mouseClick(Child<TQuenlarkStdButton>(d, "okButton"), Qt::LeftButton);
            else if (ending == "cancel")
                QTest::mouseClick(Child<TQuenlarkStdButton>(d, "cancelButton"), Qt::LeftButton);
            else
                d.close();
        });
    QVERIFY(!run.leftOpen);
    QVERIFY(run.destroyed);
    QCOMPARE(owner, static_cast<QWidget*>(&report));
    QCOMPARE(shownChosen, ContactSerials({all_[4], all_[1]}));
    QCOMPARE(shownAll, all_);
    QCOMPARE(report.chosenContacts(),
             taken ? ContactSerials({all_[2], all_[0]}) : ContactSerials({all_[4], all_[1]}));
    // Choosing contacts does not switch the report to "Selected contacts".
    QVERIFY(Child<QRadioButton>(report, "allContactsButton")->isChecked());
    QVERIFY(report.isVisible());
}

// Typing in either list goes to the contact whose name starts with the letters, not to a
// contact whose hidden serial does.
void TstSelectContacts::typeAheadGoesToNames() {
    for (const char* name : {"availableList", "chosenList"}) {
        for (const bool byName : {true, false}) {
            const auto d = dialog(all_);
            auto* list = Child<QListView>(*d, name);
            list->setFocus();
            const QModelIndex before = list->currentIndex();
            if (byName) {
                TypeText(list, QStringLiteral("c"));
                QCOMPARE(list->currentIndex().data().toString(), QStringLiteral("Cy"));
            } else {
                TypeText(list, QString::number(all_[4])); // Dee's serial finds nothing
                QCOMPARE(list->currentIndex(), before);
            }
        }
        // A screen reader reads the name, not the serial.
        const auto d = dialog(all_);
        QCOMPARE(Child<QListView>(*d, name)->model()->index(2, 0).data(Qt::AccessibleTextRole),
                 QVariant(QStringLiteral("Cy")));
    }
}

QTEST_MAIN(TstSelectContacts)
#include "tst_selectcontacts.moc"
