// The main window's contact list and edit panel, driven with keys and clicks: showing a
// contact, "Select nothing", Add, Modify, Delete, the web link check, refused text and
// failed writes.
#include "controls/quenlarkstdbutton.h"
#include "faultyfs.h"
#include "forms/mainform.h"
#include "guitest.h"
#include "platform/programoptions.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

using namespace quenlark;
using namespace quenlark::test;

namespace {

ContactRecord contact(const QByteArray& name, const QByteArray& email,
                      const QByteArray& secondEmail = {}, const QByteArray& website = {},
                      int country = 0) {
    ContactRecord r = NamedContact(name, email);
    r.setText(Field::SecondEmail, secondEmail.toStdString());
    r.setText(Field::WebSite, website.toStdString());
    r.setCountry(country);
    return r;
}

QLineEdit* box(const Tmainform& w, const char* name) {
    return Child<QLineEdit>(w, name);
}

void click(const Tmainform& w, const char* button) {
    QTest::mouseClick(Child(w, button), Qt::LeftButton);
}

bool panelEmpty(const Tmainform& w) {
    for (const char* name :
         {"nameEdit", "nicknameEdit", "emailEdit", "secondEmailEdit", "webSiteEdit", "phoneEdit",
          "mobileEdit", "addressEdit", "cityEdit", "zipCodeEdit"})
        if (!box(w, name)->text().isEmpty())
            return false;
    return Child<QComboBox>(w, "countryBox")->currentIndex() == 0 &&
           Child(w, "sendMailPanel")->isHidden() && Child(w, "secondMailPanel")->isHidden() &&
           Child(w, "webSitePanel")->isHidden();
}

// The list in file order with nothing selected, the panel empty and the focus in the name
// box: how the window looks after every change.
void verifyRefreshed(const Tmainform& w, const QStringList& names) {
    QCOMPARE(ListedNames(w), names);
    auto* list = Child<QListView>(w, "contacts");
    QVERIFY(!list->currentIndex().isValid());
    QVERIFY(list->selectionModel()->selectedIndexes().isEmpty());
    QVERIFY(!w.selectedContact());
    QVERIFY(panelEmpty(w));
    QCOMPARE(w.focusWidget(), box(w, "nameEdit"));
}

} // namespace

class TstEditing : public GuiTest {
    Q_OBJECT
private slots:
    void addNeedsNameAndRequiredEmail_data();
    void addNeedsNameAndRequiredEmail();
    void addAppendsEveryFieldAndRefreshes();
    void accelerators();
    void clickAndKeysShowContactsWithDuplicateNames();
    void typeAheadGoesToNamesAndShowsTheContact();
    void linkPanelsAndSelectNothing();
    void modifyKeepsPlaceOrAddsWithoutSelection();
    void deleteAsksWithTheStoredName();
    void webLinkCheck_data();
    void webLinkCheck();
    void unstorableCharacterIsRefused();
    void textOutsideLatin1AndMarkupRoundTrip();
    void failedWriteIsReportedAndRefreshes();
    void databaseMovedWhileRunningIsToldAndNotWritten();
    void flushFailingAfterTheChangeIsMadeIsAWarning();
    void bookRewrittenByAnotherProgramIsReadAgainNotWritten_data();
    void bookRewrittenByAnotherProgramIsReadAgainNotWritten();
};

void TstEditing::addNeedsNameAndRequiredEmail_data() {
    QTest::addColumn<bool>("emailRequired");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("added");
    QTest::newRow("no name") << false << ""
                             << "a@b.c" << false;
    QTest::newRow("no e-mail, required") << true << "Ann"
                                         << "" << false;
    QTest::newRow("no e-mail, optional") << false << "Ann"
                                         << "" << true;
    QTest::newRow("both, required") << true << "Ann"
                                    << "a@b.c" << true;
}

void TstEditing::addNeedsNameAndRequiredEmail() {
    QFETCH(bool, emailRequired);
    QFETCH(QString, name);
    QFETCH(QString, email);
    QFETCH(bool, added);
    QVERIFY(env_->settings().storeNumber(kEmailFieldRequiredValue, emailRequired ? 1 : 0));
    auto w = window();
    QVERIFY(w);
    const QByteArray before = env_->databaseBytes();
    QTest::keyClicks(box(*w, "nameEdit"), name);
    QTest::keyClicks(box(*w, "emailEdit"), email);
    QTest::keyClicks(box(*w, "cityEdit"), QStringLiteral("Rome"));
    click(*w, "addButton");
    if (added) {
        QVERIFY(seam_->messages.isEmpty());
        QCOMPARE(env_->databaseBytes().size(), before.size() + int(kRecordSize));
        return;
    }
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.owner.data(), w.get());
    QCOMPARE(m.title, QStringLiteral("Specify required fields!"));
    QCOMPARE(m.text, QStringLiteral("You must specify at least a contact name and e-mail address "
                                    "to add a contact to the address book!"));
    QCOMPARE(m.icon, MsgIcon::Information);
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(box(*w, "cityEdit")->text(), QStringLiteral("Rome")); // the boxes keep the text
    QCOMPARE(box(*w, "emailEdit")->text(), email);
}

void TstEditing::addAppendsEveryFieldAndRefreshes() {
    auto w = window({contact("Zed", "z@x"), contact("Amy", "a@x")});
    QVERIFY(w);
    // The list shown in another order, as a sort leaves it, returns to file order.
    Action(*w, "ascendingItem")->trigger();
    QCOMPARE(ListedNames(*w), QStringList({"Amy", "Zed"}));
    ClickRow(*w, 1); // a selection, to see that Add clears it
    QCOMPARE(box(*w, "nameEdit")->text(), QStringLiteral("Zed"));
    Retype(box(*w, "nameEdit"), QStringLiteral("Bob"));
    const QList<QPair<const char*, Field>> boxes = {{"nicknameEdit", Field::Nickname},
                                                    {"emailEdit", Field::Email},
                                                    {"secondEmailEdit", Field::SecondEmail},
                                                    {"webSiteEdit", Field::WebSite},
                                                    {"phoneEdit", Field::Phone},
                                                    {"mobileEdit", Field::Mobile},
                                                    {"addressEdit", Field::Address},
                                                    {"cityEdit", Field::City},
                                                    {"zipCodeEdit", Field::ZipCode}};
    for (const auto& [name, f] : boxes)
        Retype(box(*w, name), f == Field::WebSite ? QStringLiteral("http://bob.example")
                                                  : QString::fromLatin1(name) + " text");
    Child<QComboBox>(*w, "countryBox")->setCurrentIndex(7);
    const QByteArray before = env_->databaseBytes();
    click(*w, "addButton");
    QVERIFY(seam_->messages.isEmpty());

    const QByteArray after = env_->databaseBytes();
    QCOMPARE(after.size(), before.size() + int(kRecordSize));
    QCOMPARE(after.left(before.size()), before);
    QCOMPARE(FieldOf(after, 2, Field::Name), QByteArray("Bob"));
    QCOMPARE(FieldOf(after, 2, Field::WebSite), QByteArray("http://bob.example"));
    for (const auto& [name, f] : boxes)
        if (f != Field::WebSite)
            QCOMPARE(FieldOf(after, 2, f), QByteArray(name) + " text");
    QCOMPARE(RecordAt(after, 2).country(), 7);
    verifyRefreshed(*w, {"Zed", "Amy", "Bob"});
}

void TstEditing::accelerators() {
    auto w = window({contact("Amy", "a@x"), contact("Bob", "b@x")});
    QVERIFY(w);
    QTest::keyClicks(box(*w, "nameEdit"), QStringLiteral("Cy"));
    QTest::keyClicks(box(*w, "emailEdit"), QStringLiteral("c@x"));
    QTest::keyClick(box(*w, "emailEdit"), Qt::Key_A, Qt::AltModifier);
    QCOMPARE(ListedNames(*w), QStringList({"Amy", "Bob", "Cy"}));

    ClickRow(*w, 0);
    Retype(box(*w, "nameEdit"), QStringLiteral("Ada"));
    QTest::keyClick(box(*w, "nameEdit"), Qt::Key_M, Qt::AltModifier);
    QCOMPARE(ListedNames(*w), QStringList({"Ada", "Bob", "Cy"}));

    ClickRow(*w, 1);
    seam_->answer(MsgResult::Yes);
    QTest::keyClick(Child(*w, "contacts"), Qt::Key_D, Qt::AltModifier);
    QCOMPARE(seam_->titles(), QStringList({"Delete contact?"}));
    QCOMPARE(ListedNames(*w), QStringList({"Ada", "Cy"}));

    // The contact list's menu item.
    seam_->clear();
    ClickRow(*w, 1);
    seam_->answer(MsgResult::Yes);
    Action(*w, "deleteContactItem")->trigger();
    QCOMPARE(seam_->titles(), QStringList({"Delete contact?"}));
    QCOMPARE(ListedNames(*w), QStringList({"Ada"}));
    QCOMPARE(RecordCount(env_->databaseBytes()), 1);
}

void TstEditing::clickAndKeysShowContactsWithDuplicateNames() {
    auto w =
        window({contact("Same", "first@x", "", "", 3), contact("Same", "second@x", "", "", 9)});
    QVERIFY(w);
    auto* list = Child<QListView>(*w, "contacts");
    auto* country = Child<QComboBox>(*w, "countryBox");
    QScrollBar* bar = Child<QScrollArea>(*w, "detailsScrollArea")->verticalScrollBar();
    QCOMPARE(list->model()->rowCount(), 2);
    bar->setValue(bar->maximum());
    ClickRow(*w, 1);
    QCOMPARE(box(*w, "emailEdit")->text(), QStringLiteral("second@x"));
    QCOMPARE(country->currentIndex(), 9);
    QCOMPARE(bar->value(), 0);
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(box(*w, "emailEdit")->text(), QStringLiteral("first@x"));
    QCOMPARE(country->currentIndex(), 3);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(box(*w, "emailEdit")->text(), QStringLiteral("second@x"));
    // Taking the selection away with Ctrl+click shows nothing.
    const QRect second = list->visualRect(list->model()->index(1, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, second.center());
    QVERIFY(!w->selectedContact());
    QVERIFY(panelEmpty(*w));
    ClickRow(*w, 1);

    // Modifying the second rewrites that one only.
    Retype(box(*w, "nicknameEdit"), QStringLiteral("Two"));
    click(*w, "modifyButton");
    const QByteArray file = env_->databaseBytes();
    QCOMPARE(FieldOf(file, 0, Field::Nickname), QByteArray());
    QCOMPARE(FieldOf(file, 1, Field::Nickname), QByteArray("Two"));
    QCOMPARE(FieldOf(file, 1, Field::Email), QByteArray("second@x"));
}

// Typing in the list goes to the contact whose name starts with the letters, as in any
// list box, and shows it; a screen reader reads the names.
void TstEditing::typeAheadGoesToNamesAndShowsTheContact() {
    auto w = window({contact("Amy", "a@x"), contact("Bob", "b@x"), contact("cyd", "c@x"),
                     contact("Carl", "carl@x")});
    QVERIFY(w);
    auto* list = Child<QListView>(*w, "contacts");
    list->setFocus();
    TypeText(list, QStringLiteral("c"));
    QCOMPARE(box(*w, "nameEdit")->text(), QStringLiteral("cyd"));
    TypeText(list, QStringLiteral("ar"));
    QCOMPARE(box(*w, "nameEdit")->text(), QStringLiteral("Carl"));
    QCOMPARE(box(*w, "emailEdit")->text(), QStringLiteral("carl@x"));
    for (int row = 0; row < 4; ++row)
        QCOMPARE(list->model()->index(row, 0).data(Qt::AccessibleTextRole).toString(),
                 ListedNames(*w).at(row));

    // The contacts' serials, which name them inside the program, find nothing.
    w.reset();
    auto fresh = window({contact("Amy", "a@x"), contact("Bob", "b@x")});
    QVERIFY(fresh);
    auto* other = Child<QListView>(*fresh, "contacts");
    other->setFocus();
    const QModelIndex before = other->currentIndex();
    TypeText(other, QString::number(ListedContacts(*fresh).at(1)));
    QCOMPARE(other->currentIndex(), before);
}

void TstEditing::linkPanelsAndSelectNothing() {
    auto w =
        window({contact("Only2nd", "", "two@x", ""), contact("All", "one@x", "two@x", "http://all"),
                contact("MailAndWeb", "one@x", "", "http://w")});
    QVERIFY(w);
    QWidget* mail = Child(*w, "sendMailPanel");
    QWidget* mail2 = Child(*w, "secondMailPanel");
    QWidget* web = Child(*w, "webSitePanel");
    ClickRow(*w, 0);
    QVERIFY(mail->isHidden());
    QVERIFY(web->isHidden());
    QVERIFY(mail2->isVisible());
    QTRY_COMPARE(mail2->geometry(), QRect(281 - 41, 0, 41, 29));

    // All three, packed right as first e-mail, second e-mail, web site.
    ClickRow(*w, 1);
    QVERIFY(mail->isVisible() && mail2->isVisible() && web->isVisible());
    QTRY_COMPARE(web->geometry(), QRect(281 - 113, 0, 113, 29));
    QCOMPARE(mail2->geometry(), QRect(281 - 113 - 41, 0, 41, 29));
    QTRY_COMPARE(mail->geometry(), QRect(281 - 113 - 41 - 117, 0, 117, 29));

    ClickRow(*w, 2);
    QVERIFY(mail2->isHidden());
    QTRY_COMPARE(web->geometry(), QRect(281 - 113, 0, 113, 29));
    QTRY_COMPARE(mail->geometry(), QRect(281 - 113 - 117, 0, 117, 29));

    // "Select nothing": edited boxes are emptied too, the focus goes to the name box.
    Child<QComboBox>(*w, "countryBox")->setCurrentIndex(4);
    QTest::keyClicks(box(*w, "cityEdit"), QStringLiteral("Oslo"));
    click(*w, "selectNothingLink");
    QVERIFY(panelEmpty(*w));
    QVERIFY(!Child<QListView>(*w, "contacts")->currentIndex().isValid());
    QVERIFY(!w->selectedContact());
    QCOMPARE(w->focusWidget(), box(*w, "nameEdit"));
    // With nothing selected Delete only asks for a selection.
    click(*w, "deleteButton");
    QCOMPARE(seam_->titles(), QStringList({"Select contact!"}));
    QCOMPARE(seam_->messages.first().text, QStringLiteral("Please select a contact first!"));
    QCOMPARE(seam_->messages.first().icon, MsgIcon::Information);
    QCOMPARE(seam_->messages.first().owner.data(), w.get());
    QCOMPARE(RecordCount(env_->databaseBytes()), 3);
}

void TstEditing::modifyKeepsPlaceOrAddsWithoutSelection() {
    auto w = window({contact("A", "a@x"), contact("B", "b@x"), contact("C", "c@x")});
    QVERIFY(w);
    ClickRow(*w, 1);
    Retype(box(*w, "nameEdit"), QStringLiteral("Bee"));
    click(*w, "modifyButton");
    QVERIFY(seam_->messages.isEmpty());
    QByteArray file = env_->databaseBytes();
    QCOMPARE(RecordCount(file), 3);
    QCOMPARE(FieldOf(file, 1, Field::Name), QByteArray("Bee"));
    QCOMPARE(FieldOf(file, 1, Field::Email), QByteArray("b@x"));
    verifyRefreshed(*w, {"A", "Bee", "C"});

    // A selected contact with its name or e-mail removed: Modify's own message.
    ClickRow(*w, 2);
    box(*w, "emailEdit")->clear();
    click(*w, "modifyButton");
    QCOMPARE(seam_->titles(), QStringList({"Specify required fields!"}));
    QCOMPARE(seam_->messages.first().text,
             QStringLiteral("You must specify a name and e-mail address to add a contact!"));
    QCOMPARE(env_->databaseBytes(), file);
    QCOMPARE(box(*w, "nameEdit")->text(), QStringLiteral("C"));

    // Nothing selected: Modify is Add, with Add's message.
    seam_->clear();
    click(*w, "selectNothingLink");
    QTest::keyClicks(box(*w, "emailEdit"), QStringLiteral("d@x"));
    click(*w, "modifyButton");
    QCOMPARE(seam_->messages.size(), 1);
    QVERIFY(seam_->messages.first().text.startsWith(QLatin1String("You must specify at least")));
    QTest::keyClicks(box(*w, "nameEdit"), QStringLiteral("D"));
    click(*w, "modifyButton");
    QCOMPARE(seam_->messages.size(), 1);
    QCOMPARE(ListedNames(*w), QStringList({"A", "Bee", "C", "D"}));
}

void TstEditing::deleteAsksWithTheStoredName() {
    auto w = window({contact("A", "a@x"), contact("Bo \"B\"", "b@x"), contact("C", "c@x")});
    QVERIFY(w);
    const QByteArray before = env_->databaseBytes();
    ClickRow(*w, 1);
    Retype(box(*w, "nameEdit"), QStringLiteral("Edited"));
    seam_->answer(MsgResult::No);
    click(*w, "deleteButton");
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Delete contact?"));
    QCOMPARE(m.text, QStringLiteral("Are you sure you really want to delete the contact \"Bo "
                                    "\"B\"\" from you address book?"));
    QCOMPARE(m.icon, MsgIcon::Question);
    QCOMPARE(m.buttons, MsgButtons::YesNo);
    QCOMPARE(m.owner.data(), w.get());
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(box(*w, "nameEdit")->text(), QStringLiteral("Edited"));
    QVERIFY(w->selectedContact());

    seam_->answer(MsgResult::Yes);
    click(*w, "deleteButton");
    QCOMPARE(seam_->messages.size(), 2);
    QCOMPARE(env_->databaseBytes().size(), before.size() - int(kRecordSize));
    verifyRefreshed(*w, {"A", "C"});
}

void TstEditing::webLinkCheck_data() {
    QTest::addColumn<bool>("validationOff");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("answer"); // 0: no question expected
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("written");
    const int yes = int(MsgResult::Yes), no = int(MsgResult::No), cancel = int(MsgResult::Cancel);
    QTest::newRow("host only, Yes")
        << false << "www.example.com" << yes << "www.example.com" << true;
    QTest::newRow("host only, No") << false << "www.example.com" << no << "" << true;
    QTest::newRow("host only, Cancel") << false << "www.example.com" << cancel << "" << false;
    QTest::newRow("capital scheme asks")
        << false << "HTTP://x.com" << yes << "HTTP://x.com" << true;
    QTest::newRow("https") << false << "https://x.com" << 0 << "https://x.com" << true;
    QTest::newRow("http later in the text")
        << false << "see http://x" << 0 << "see http://x" << true;
    QTest::newRow("validation off") << true << "www.x" << 0 << "www.x" << true;
}

void TstEditing::webLinkCheck() {
    QFETCH(bool, validationOff);
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(QString, stored);
    QFETCH(bool, written);
    QVERIFY(env_->settings().storeNumber(kDisableUrlValidationValue, validationOff ? 1 : 0));
    auto w = window();
    QVERIFY(w);
    QTest::keyClicks(box(*w, "nameEdit"), QStringLiteral("Web"));
    QTest::keyClicks(box(*w, "emailEdit"), QStringLiteral("w@x"));
    QTest::keyClicks(box(*w, "webSiteEdit"), typed);
    if (answer)
        seam_->answer(MsgResult(answer));
    click(*w, "addButton");
    if (answer) {
        QCOMPARE(seam_->messages.size(), 1);
        const RecordedMessage& m = seam_->messages.first();
        QCOMPARE(m.title, QStringLiteral("Web link is invalid!"));
        QCOMPARE(m.text,
                 QStringLiteral("The web link you have specified seems to be invalid.  Are you "
                                "sure you want to specify this web link for this contact?\n\nPress "
                                "Yes if you want to use this web link, press No if you do not want "
                                "to specify a web link or press Cancel to specify a link."));
        QCOMPARE(m.icon, MsgIcon::Question);
        QCOMPARE(m.buttons, MsgButtons::YesNoCancel);
        QCOMPARE(m.owner.data(), w.get());
    } else {
        QVERIFY(seam_->messages.isEmpty());
    }
    const QByteArray file = env_->databaseBytes();
    if (!written) {
        QCOMPARE(RecordCount(file), 0);
        QCOMPARE(box(*w, "nameEdit")->text(), QStringLiteral("Web"));
        QCOMPARE(box(*w, "webSiteEdit")->text(), typed);
        return;
    }
    QCOMPARE(RecordCount(file), 1);
    QCOMPARE(FieldOf(file, 0, Field::WebSite), stored.toLatin1());
    ClickRow(*w, 0);
    QCOMPARE(Child(*w, "webSitePanel")->isVisible(), !stored.isEmpty());

    // Modify runs the same check; Cancel leaves the record and the boxes as they were.
    if (answer == int(MsgResult::No)) {
        Retype(box(*w, "webSiteEdit"), QStringLiteral("other.example"));
        Retype(box(*w, "nameEdit"), QStringLiteral("Renamed"));
        seam_->answer(MsgResult::Cancel);
        click(*w, "modifyButton");
        QCOMPARE(seam_->messages.size(), 2);
        QCOMPARE(env_->databaseBytes(), file);
        QCOMPARE(box(*w, "nameEdit")->text(), QStringLiteral("Renamed"));
        QVERIFY(w->selectedContact());
    }
}

void TstEditing::unstorableCharacterIsRefused() {
    auto w = window({contact("Kept", "k@x")});
    QVERIFY(w);
    QLineEdit* city = box(*w, "cityEdit");
    const QByteArray before = env_->databaseBytes();
    QTest::keyClicks(box(*w, "nameEdit"), QStringLiteral("Ann"));
    QTest::keyClicks(box(*w, "emailEdit"), QStringLiteral("a@x"));
    QTest::keyClicks(city, QStringLiteral("Wroc"));
    TypeText(city, QString(QChar(0x0142))); // l with stroke: not in Windows-1252
    QTest::keyClicks(city, QStringLiteral("aw"));
    QCOMPARE(city->text(), QString::fromUtf8("Wrocław"));
    QTest::keyClicks(box(*w, "webSiteEdit"), QStringLiteral("no-scheme.example")); // not asked
    click(*w, "addButton");
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Cannot save contact"));
    QVERIFY2(m.text.contains(QString::fromUtf8("\"ł\"")) && m.text.contains(QLatin1String("City")),
             qPrintable(m.text));
    QCOMPARE(m.icon, MsgIcon::Error);
    QCOMPARE(m.owner.data(), w.get());
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(city->text(), QString::fromUtf8("Wrocław"));
    QCOMPARE(box(*w, "nameEdit")->text(), QStringLiteral("Ann"));

    // Modify refuses it too, naming the first box that holds one.
    seam_->clear();
    ClickRow(*w, 0);
    TypeText(box(*w, "nameEdit"), QString(QChar(0x4E2D)));
    click(*w, "modifyButton");
    QCOMPARE(seam_->titles(), QStringList({"Cannot save contact"}));
    QVERIFY(seam_->messages.first().text.contains(QLatin1String("Contact name")));
    QCOMPARE(env_->databaseBytes(), before);
}

void TstEditing::textOutsideLatin1AndMarkupRoundTrip() {
    auto w = window();
    QVERIFY(w);
    QTest::keyClicks(box(*w, "nameEdit"), QStringLiteral("<b>x</b> "));
    TypeText(box(*w, "nameEdit"), QString(QChar(0x20AC))); // the euro sign, 0x80 in Windows-1252
    QTest::keyClicks(box(*w, "emailEdit"), QStringLiteral("j"));
    TypeText(box(*w, "emailEdit"), QString(QChar(0xE9)));
    QTest::keyClicks(box(*w, "emailEdit"), QStringLiteral("@x"));
    click(*w, "addButton");
    QVERIFY(seam_->messages.isEmpty());
    const QByteArray file = env_->databaseBytes();
    QCOMPARE(FieldOf(file, 0, Field::Name), QByteArray("<b>x</b> \x80"));
    QCOMPARE(FieldOf(file, 0, Field::Email), QByteArray("j\xe9@x"));
    QCOMPARE(ListedNames(*w), QStringList{QString::fromUtf8("<b>x</b> €")});
    ClickRow(*w, 0);
    QCOMPARE(box(*w, "nameEdit")->text(), QString::fromUtf8("<b>x</b> €"));
    QCOMPARE(box(*w, "emailEdit")->text(), QString::fromUtf8("jé@x"));
    seam_->answer(MsgResult::No);
    click(*w, "deleteButton");
    QVERIFY(seam_->messages.first().text.contains(QString::fromUtf8("\"<b>x</b> €\"")));
}

// A write that the disk refuses is reported with the system's reason, and the list still
// shows the file.
void TstEditing::failedWriteIsReportedAndRefreshes() {
    auto w = window({contact("A", "a@x")});
    QVERIFY(w);
    const QByteArray before = env_->databaseBytes();
    QTest::keyClicks(box(*w, "nameEdit"), QStringLiteral("Big"));
    QTest::keyClicks(box(*w, "emailEdit"), QStringLiteral("b@x"));
    // While the message is up the panel still shows what was typed.
    QString typedAtMessage;
    seam_->onMessage = [&](const RecordedMessage&) {
        typedAtMessage = box(*w, "nameEdit")->text();
    };

    // The file may not grow: appending fails.
    rlimit old{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = rlim_t(before.size());
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
    click(*w, "addButton");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Failed to add contact!"));
    QCOMPARE(m.text, QStringLiteral("There was an error adding the new contact!  Please restart "
                                    "Quenlark Address Book and try again."));
    QCOMPARE(m.icon, MsgIcon::Error);
    QCOMPARE(m.owner.data(), w.get());
    QVERIFY2(!m.details.isEmpty(), "the system's reason is given as the details");
    QCOMPARE(typedAtMessage, QStringLiteral("Big"));
    QCOMPARE(env_->databaseBytes(), before);
    verifyRefreshed(*w, {"A"});
}

// The disk fails the last flush (the folder's, once the journal is gone): the contact is
// added for good, so the person is warned rather than told that nothing was added.
void TstEditing::flushFailingAfterTheChangeIsMadeIsAWarning() {
    auto w = window({contact("A", "a@x")});
    QVERIFY(w);
    const auto add = [&](const QString& name) {
        QTest::keyClicks(box(*w, "nameEdit"), name);
        QTest::keyClicks(box(*w, "emailEdit"), QStringLiteral("n@x"));
        click(*w, "addButton");
    };
    int calls = 0;
    {
        test::FaultyFileSystem counting;
        add(QStringLiteral("B"));
        calls = counting.calls;
        QCOMPARE(counting.names.back(), std::string("fsync"));
    }
    QVERIFY(seam_->messages.isEmpty());
    {
        test::FaultyFileSystem disk;
        disk.failAt = calls;
        add(QStringLiteral("C"));
        QVERIFY(disk.struck());
    }
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Saved, but not yet safe on the disk"));
    QCOMPARE(m.icon, MsgIcon::Warning);
    QCOMPARE(m.owner.data(), w.get());
    QVERIFY(!m.details.isEmpty());
    verifyRefreshed(*w, {"A", "B", "C"});
    QCOMPARE(env_->databaseBytes().size(), 36 + 3 * 2444);
}

// Another program puts a file of its own where the database was: nothing is written to either
// file, and the person is told why and what to do.
void TstEditing::databaseMovedWhileRunningIsToldAndNotWritten() {
    auto w = window({contact("A", "a@x")});
    QVERIFY(w);
    const QByteArray other = DatabaseWith({contact("Other", "o@x")});
    const QString elsewhere = env_->path(QStringLiteral("other.qab"));
    QFile file(elsewhere);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(other), other.size());
    file.close();
    QVERIFY(::rename(QFile::encodeName(elsewhere).constData(),
                     QFile::encodeName(env_->databasePath()).constData()) == 0);

    QTest::keyClicks(box(*w, "nameEdit"), QStringLiteral("New"));
    QTest::keyClicks(box(*w, "emailEdit"), QStringLiteral("n@x"));
    click(*w, "addButton");
    QCOMPARE(env_->databaseBytes(), other); // the file now at the path is left alone
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Address book moved or replaced"));
    QVERIFY(m.text.contains(QLatin1String("moved, replaced or removed by another program")));
    QVERIFY(m.text.contains(QLatin1String("the change was not saved")));
    QCOMPARE(m.icon, MsgIcon::Error);
    QCOMPARE(m.owner.data(), w.get());
    // The list shows what the open file holds: the contact was not added to it either.
    verifyRefreshed(*w, {"A"});
}

void TstEditing::bookRewrittenByAnotherProgramIsReadAgainNotWritten_data() {
    QTest::addColumn<QByteArray>("button");
    QTest::newRow("delete") << QByteArray("deleteButton");
    QTest::newRow("modify") << QByteArray("modifyButton");
}

// Another program copies a backup over the open book in its place (the same file): the
// command chosen for the contact shown must not land on whoever now lies at its place.
void TstEditing::bookRewrittenByAnotherProgramIsReadAgainNotWritten() {
    QFETCH(QByteArray, button);
    auto w = window({contact("A", "a@x"), contact("B", "b@x"), contact("C", "c@x")});
    QVERIFY(w);
    ClickRow(*w, 1);
    const QByteArray backup =
        DatabaseWith({contact("X", "x@x"), contact("Y", "y@x"), contact("Z", "z@x")});
    QFile file(env_->databasePath());
    QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Truncate));
    QCOMPARE(file.write(backup), backup.size());
    file.close();

    if (button == "deleteButton")
        seam_->answer(MsgResult::Yes); // "Delete contact?"
    click(*w, button.constData());
    const RecordedMessage& m = seam_->messages.last();
    QCOMPARE(m.title, QStringLiteral("Address book changed by another program"));
    QVERIFY(m.text.contains(QLatin1String("nothing was changed")));
    QCOMPARE(m.owner.data(), w.get());
    QCOMPARE(env_->databaseBytes(), backup);
    verifyRefreshed(*w, {"X", "Y", "Z"});
}

QTEST_MAIN(TstEditing)
#include "tst_editing.moc"
