// The main window's contact list and edit panel, driven with keys and clicks: showing a
// contact, "Select nothing", Add, Modify, Delete, the web link check and refused text.
#include "controls/quenlarkkeymanager.h"
#include "controls/quenlarkstdbutton.h"
#include "controls/quenlarkweblink.h"
#include "engine/contactrecord.h"
#include "forms/mainform.h"
#include "mainwindowdriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringListModel>
#include <QtTest>
#include <algorithm>
#include <csignal>
#include <sys/resource.h>

using namespace quenlark;
using namespace quenlark::test;

namespace {

struct Contact {
    Contact(QByteArray n, QByteArray e, QByteArray e2 = {}, QByteArray web = {}, int c = 0)
        : name(std::move(n)), email(std::move(e)), secondEmail(std::move(e2)),
          website(std::move(web)), country(c) {}
    QByteArray name, email, secondEmail, website;
    int country = 0;
};

ContactRecord recordOf(const Contact& c) {
    ContactRecord r;
    ClearContactRecord(r);
    r.setText(Field::Name, c.name.toStdString());
    r.setText(Field::Email, c.email.toStdString());
    r.setText(Field::SecondEmail, c.secondEmail.toStdString());
    r.setText(Field::WebSite, c.website.toStdString());
    r.setCountry(c.country);
    return r;
}

QByteArray databaseWith(const QList<Contact>& contacts) {
    QList<ContactRecord> records;
    for (const Contact& c : contacts)
        records << recordOf(c);
    return DatabaseWith(records);
}

int recordCount(const QByteArray& file) {
    return int((file.size() - int(kHeaderSize)) / int(kRecordSize));
}

ContactRecord recordAt(const QByteArray& file, int i) {
    ContactRecord r;
    std::memcpy(r.bytes.data(), file.constData() + kHeaderSize + std::size_t(i) * kRecordSize,
                kRecordSize);
    return r;
}

QByteArray field(const QByteArray& file, int i, Field f) {
    return QByteArray::fromStdString(recordAt(file, i).text(f));
}

void retype(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

// Types one character whatever it is (keyClicks only knows Latin-1).
void typeCharacter(QLineEdit* box, QChar c) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(box, &press);
}

void click(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

bool panelEmpty(const Ui::mainform& ui) {
    for (const QLineEdit* box : {ui.e_name, ui.e_nickname, ui.e_email, ui.e_2ndemail, ui.e_website,
                                 ui.e_phone, ui.e_mobile, ui.e_address, ui.e_city, ui.e_zipcode})
        if (!box->text().isEmpty())
            return false;
    return ui.e_country->currentIndex() == 0 && ui.panel_sendmail->isHidden() &&
           ui.panel_sendmail2->isHidden() && ui.panel_website->isHidden();
}

} // namespace

class TstEditing : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void addNeedsNameAndRequiredEmail_data();
    void addNeedsNameAndRequiredEmail();
    void addAppendsEveryFieldAndRefreshes();
    void accelerators();
    void clickAndKeysShowContactsWithDuplicateNames();
    void linkPanelsAndSelectNothing();
    void modifyKeepsPlaceOrAddsWithoutSelection();
    void deleteAsksWithTheStoredName();
    void webLinkCheck_data();
    void webLinkCheck();
    void unstorableCharacterIsRefused();
    void textOutsideLatin1AndMarkupRoundTrip();
    void failedWriteIsReportedAndRefreshes();

private:
    std::unique_ptr<Tmainform> window(const QList<Contact>& contacts = {});

    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> seam_;
};

void TstEditing::init() {
    env_ = std::make_unique<TestEnv>();
    seam_ = std::make_unique<ScriptedUiSeam>();
}

void TstEditing::cleanup() {
    QVERIFY(seam_->drained());
    seam_.reset();
    env_.reset();
}

std::unique_ptr<Tmainform> TstEditing::window(const QList<Contact>& contacts) {
    return OpenMainWindow(*env_, databaseWith(contacts));
}

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
    env_->settings().writeNumber(kEmailFieldRequiredValue, emailRequired ? 1 : 0);
    auto w = window();
    QVERIFY(w);
    const auto& ui = *w->ui();
    const QByteArray before = env_->databaseBytes();
    QTest::keyClicks(ui.e_name, name);
    QTest::keyClicks(ui.e_email, email);
    QTest::keyClicks(ui.e_city, QStringLiteral("Rome"));
    click(ui.btnAdd);
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
    QCOMPARE(ui.e_city->text(), QStringLiteral("Rome")); // the boxes keep what was typed
    QCOMPARE(ui.e_email->text(), email);
}

void TstEditing::addAppendsEveryFieldAndRefreshes() {
    auto w = window({{"Zed", "z@x"}, {"Amy", "a@x"}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    ClickRow(*w, 0); // a selection, to see that Add clears it
    QCOMPARE(ui.e_name->text(), QStringLiteral("Zed"));
    retype(ui.e_name, QStringLiteral("Bob"));
    const QList<QPair<QLineEdit*, Field>> boxes = {
        {ui.e_nickname, Field::Nickname},    {ui.e_email, Field::Email},
        {ui.e_2ndemail, Field::SecondEmail}, {ui.e_website, Field::WebSite},
        {ui.e_phone, Field::Phone},          {ui.e_mobile, Field::Mobile},
        {ui.e_address, Field::Address},      {ui.e_city, Field::City},
        {ui.e_zipcode, Field::ZipCode}};
    for (const auto& [box, f] : boxes)
        retype(box, box->objectName() == QLatin1String("e_website")
                        ? QStringLiteral("http://bob.example")
                        : box->objectName() + QStringLiteral(" text"));
    ui.e_country->setCurrentIndex(7);
    // The list shown in another order (as a sort leaves it) returns to file order.
    QStringList shown = w->contactsModel()->stringList();
    std::reverse(shown.begin(), shown.end());
    w->contactsModel()->setStringList(shown);
    const QByteArray before = env_->databaseBytes();
    click(ui.btnAdd);
    QVERIFY(seam_->messages.isEmpty());

    const QByteArray after = env_->databaseBytes();
    QCOMPARE(after.size(), before.size() + int(kRecordSize));
    QCOMPARE(after.left(before.size()), before);
    QCOMPARE(field(after, 2, Field::Name), QByteArray("Bob"));
    QCOMPARE(field(after, 2, Field::WebSite), QByteArray("http://bob.example"));
    for (const auto& [box, f] : boxes)
        if (f != Field::WebSite)
            QCOMPARE(field(after, 2, f), box->objectName().toLatin1() + " text");
    QCOMPARE(recordAt(after, 2).country(), 7);

    // The list in file order with nothing selected, the panel empty, the focus in e_name.
    QCOMPARE(ListedNames(*w), QStringList({"Zed", "Amy", "Bob"}));
    QVERIFY(!ui.contacts->currentIndex().isValid());
    QVERIFY(ui.contacts->selectionModel()->selectedIndexes().isEmpty());
    QVERIFY(panelEmpty(ui));
    QCOMPARE(w->focusWidget(), ui.e_name);
    QVERIFY(!w->SelectedContact());
}

void TstEditing::accelerators() {
    auto w = window({{"Amy", "a@x"}, {"Bob", "b@x"}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    QTest::keyClicks(ui.e_name, QStringLiteral("Cy"));
    QTest::keyClicks(ui.e_email, QStringLiteral("c@x"));
    QTest::keyClick(ui.e_email, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(ListedNames(*w), QStringList({"Amy", "Bob", "Cy"}));

    ClickRow(*w, 0);
    retype(ui.e_name, QStringLiteral("Ada"));
    QTest::keyClick(ui.e_name, Qt::Key_M, Qt::AltModifier);
    QCOMPARE(ListedNames(*w), QStringList({"Ada", "Bob", "Cy"}));

    ClickRow(*w, 1);
    seam_->answer(MsgResult::Yes);
    QTest::keyClick(ui.contacts, Qt::Key_D, Qt::AltModifier);
    QCOMPARE(seam_->titles(), QStringList({"Delete contact?"}));
    QCOMPARE(ListedNames(*w), QStringList({"Ada", "Cy"}));

    // The contact list's popup item.
    seam_->clear();
    ClickRow(*w, 1);
    seam_->answer(MsgResult::Yes);
    w->Deletecontact1->trigger();
    QCOMPARE(seam_->titles(), QStringList({"Delete contact?"}));
    QCOMPARE(ListedNames(*w), QStringList({"Ada"}));
    QCOMPARE(recordCount(env_->databaseBytes()), 1);
}

void TstEditing::clickAndKeysShowContactsWithDuplicateNames() {
    auto w = window({{"Same", "first@x", "", "", 3}, {"Same", "second@x", "", "", 9}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    QCOMPARE(w->contactsModel()->rowCount(), 2);
    ui.scrollbox->verticalScrollBar()->setValue(ui.scrollbox->verticalScrollBar()->maximum());
    ClickRow(*w, 1);
    QCOMPARE(ui.e_email->text(), QStringLiteral("second@x"));
    QCOMPARE(ui.e_country->currentIndex(), 9);
    QCOMPARE(ui.scrollbox->verticalScrollBar()->value(), 0);
    QTest::keyClick(ui.contacts, Qt::Key_Up);
    QCOMPARE(ui.e_email->text(), QStringLiteral("first@x"));
    QCOMPARE(ui.e_country->currentIndex(), 3);
    QTest::keyClick(ui.contacts, Qt::Key_Down);
    QCOMPARE(ui.e_email->text(), QStringLiteral("second@x"));
    // Taking the selection away with Ctrl+click shows nothing.
    const QRect second = ui.contacts->visualRect(w->contactsModel()->index(1, 0));
    QTest::mouseClick(ui.contacts->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      second.center());
    QVERIFY(!w->SelectedContact());
    QVERIFY(panelEmpty(ui));
    ClickRow(*w, 1);

    // Modifying the second rewrites that one only.
    retype(ui.e_nickname, QStringLiteral("Two"));
    click(ui.btnModify);
    const QByteArray file = env_->databaseBytes();
    QCOMPARE(field(file, 0, Field::Nickname), QByteArray());
    QCOMPARE(field(file, 1, Field::Nickname), QByteArray("Two"));
    QCOMPARE(field(file, 1, Field::Email), QByteArray("second@x"));
}

void TstEditing::linkPanelsAndSelectNothing() {
    auto w = window({{"Only2nd", "", "two@x", ""},
                     {"All", "one@x", "two@x", "http://all"},
                     {"MailAndWeb", "one@x", "", "http://w"}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    ClickRow(*w, 0);
    QVERIFY(ui.panel_sendmail->isHidden());
    QVERIFY(ui.panel_website->isHidden());
    QVERIFY(ui.panel_sendmail2->isVisible());
    QTRY_COMPARE(ui.panel_sendmail2->geometry(), QRect(281 - 41, 0, 41, 29));

    // All three, packed right as first e-mail, second e-mail, web site.
    ClickRow(*w, 1);
    QVERIFY(ui.panel_sendmail->isVisible() && ui.panel_sendmail2->isVisible() &&
            ui.panel_website->isVisible());
    QTRY_COMPARE(ui.panel_website->geometry(), QRect(281 - 113, 0, 113, 29));
    QCOMPARE(ui.panel_sendmail2->geometry(), QRect(281 - 113 - 41, 0, 41, 29));
    QTRY_COMPARE(ui.panel_sendmail->geometry(), QRect(281 - 113 - 41 - 117, 0, 117, 29));

    ClickRow(*w, 2);
    QVERIFY(ui.panel_sendmail2->isHidden());
    QTRY_COMPARE(ui.panel_website->geometry(), QRect(281 - 113, 0, 113, 29));
    QTRY_COMPARE(ui.panel_sendmail->geometry(), QRect(281 - 113 - 117, 0, 117, 29));

    // "Select nothing": edited boxes are emptied too, the focus goes to e_name.
    ui.e_country->setCurrentIndex(4);
    QTest::keyClicks(ui.e_city, QStringLiteral("Oslo"));
    click(ui.QuenlarkWebLink1);
    QVERIFY(panelEmpty(ui));
    QVERIFY(!ui.contacts->currentIndex().isValid());
    QVERIFY(!w->SelectedContact());
    QCOMPARE(w->focusWidget(), ui.e_name);
    // With nothing selected Delete only asks for a selection.
    click(ui.btnDelete);
    QCOMPARE(seam_->titles(), QStringList({"Select contact!"}));
    QCOMPARE(seam_->messages.first().text, QStringLiteral("Please select a contact first!"));
    QCOMPARE(seam_->messages.first().icon, MsgIcon::Information);
    QCOMPARE(seam_->messages.first().owner.data(), w.get());
    QCOMPARE(recordCount(env_->databaseBytes()), 3);
}

void TstEditing::modifyKeepsPlaceOrAddsWithoutSelection() {
    auto w = window({{"A", "a@x"}, {"B", "b@x"}, {"C", "c@x"}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    ClickRow(*w, 1);
    retype(ui.e_name, QStringLiteral("Bee"));
    click(ui.btnModify);
    QVERIFY(seam_->messages.isEmpty());
    QByteArray file = env_->databaseBytes();
    QCOMPARE(recordCount(file), 3);
    QCOMPARE(field(file, 1, Field::Name), QByteArray("Bee"));
    QCOMPARE(field(file, 1, Field::Email), QByteArray("b@x"));
    QCOMPARE(ListedNames(*w), QStringList({"A", "Bee", "C"}));
    QVERIFY(panelEmpty(ui));

    // A selected contact with its name or e-mail removed: Modify's own message.
    ClickRow(*w, 2);
    ui.e_email->clear();
    click(ui.btnModify);
    QCOMPARE(seam_->titles(), QStringList({"Specify required fields!"}));
    QCOMPARE(seam_->messages.first().text,
             QStringLiteral("You must specify a name and e-mail address to add a contact!"));
    QCOMPARE(env_->databaseBytes(), file);
    QCOMPARE(ui.e_name->text(), QStringLiteral("C"));

    // Nothing selected: Modify is Add, with Add's message.
    seam_->clear();
    click(ui.QuenlarkWebLink1);
    QTest::keyClicks(ui.e_email, QStringLiteral("d@x"));
    click(ui.btnModify);
    QCOMPARE(seam_->messages.size(), 1);
    QVERIFY(seam_->messages.first().text.startsWith(QLatin1String("You must specify at least")));
    QTest::keyClicks(ui.e_name, QStringLiteral("D"));
    click(ui.btnModify);
    QCOMPARE(seam_->messages.size(), 1);
    QCOMPARE(ListedNames(*w), QStringList({"A", "Bee", "C", "D"}));
}

void TstEditing::deleteAsksWithTheStoredName() {
    auto w = window({{"A", "a@x"}, {"Bo \"B\"", "b@x"}, {"C", "c@x"}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    const QByteArray before = env_->databaseBytes();
    ClickRow(*w, 1);
    retype(ui.e_name, QStringLiteral("Edited"));
    seam_->answer(MsgResult::No);
    click(ui.btnDelete);
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Delete contact?"));
    QCOMPARE(m.text, QStringLiteral("Are you sure you really want to delete the contact \"Bo "
                                    "\"B\"\" from you address book?"));
    QCOMPARE(m.icon, MsgIcon::Question);
    QCOMPARE(m.buttons, MsgButtons::YesNo);
    QCOMPARE(m.owner.data(), w.get());
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(ui.e_name->text(), QStringLiteral("Edited"));
    QVERIFY(w->SelectedContact());

    seam_->answer(MsgResult::Yes);
    click(ui.btnDelete);
    QCOMPARE(seam_->messages.size(), 2);
    const QByteArray after = env_->databaseBytes();
    QCOMPARE(after.size(), before.size() - int(kRecordSize));
    QCOMPARE(ListedNames(*w), QStringList({"A", "C"}));
    QVERIFY(panelEmpty(ui));
    QCOMPARE(w->focusWidget(), ui.e_name);
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
    env_->settings().writeNumber(kDisableUrlValidationValue, validationOff ? 1 : 0);
    auto w = window();
    QVERIFY(w);
    const auto& ui = *w->ui();
    QTest::keyClicks(ui.e_name, QStringLiteral("Web"));
    QTest::keyClicks(ui.e_email, QStringLiteral("w@x"));
    QTest::keyClicks(ui.e_website, typed);
    if (answer)
        seam_->answer(MsgResult(answer));
    click(ui.btnAdd);
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
        QCOMPARE(recordCount(file), 0);
        QCOMPARE(ui.e_name->text(), QStringLiteral("Web"));
        QCOMPARE(ui.e_website->text(), typed);
        return;
    }
    QCOMPARE(recordCount(file), 1);
    QCOMPARE(field(file, 0, Field::WebSite), stored.toLatin1());
    ClickRow(*w, 0);
    QCOMPARE(ui.panel_website->isVisible(), !stored.isEmpty());

    // Modify runs the same check; Cancel leaves the record and the boxes as they were.
    if (answer == int(MsgResult::No)) {
        retype(ui.e_website, QStringLiteral("other.example"));
        retype(ui.e_name, QStringLiteral("Renamed"));
        seam_->answer(MsgResult::Cancel);
        click(ui.btnModify);
        QCOMPARE(seam_->messages.size(), 2);
        QCOMPARE(env_->databaseBytes(), file);
        QCOMPARE(ui.e_name->text(), QStringLiteral("Renamed"));
        QVERIFY(w->SelectedContact());
    }
}

void TstEditing::unstorableCharacterIsRefused() {
    auto w = window({{"Kept", "k@x"}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    const QByteArray before = env_->databaseBytes();
    QTest::keyClicks(ui.e_name, QStringLiteral("Ann"));
    QTest::keyClicks(ui.e_email, QStringLiteral("a@x"));
    QTest::keyClicks(ui.e_city, QStringLiteral("Wroc"));
    typeCharacter(ui.e_city, QChar(0x0142)); // l with stroke: not in Windows-1252
    QTest::keyClicks(ui.e_city, QStringLiteral("aw"));
    QCOMPARE(ui.e_city->text(), QString::fromUtf8("Wrocław"));
    QTest::keyClicks(ui.e_website, QStringLiteral("no-scheme.example")); // never asked about
    click(ui.btnAdd);
    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Cannot save contact"));
    QVERIFY2(m.text.contains(QString::fromUtf8("\"ł\"")) && m.text.contains(QLatin1String("City")),
             qPrintable(m.text));
    QCOMPARE(m.icon, MsgIcon::Error);
    QCOMPARE(m.owner.data(), w.get());
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(ui.e_city->text(), QString::fromUtf8("Wrocław"));
    QCOMPARE(ui.e_name->text(), QStringLiteral("Ann"));

    // Modify refuses it too, naming the first box that holds one.
    seam_->clear();
    ClickRow(*w, 0);
    typeCharacter(ui.e_name, QChar(0x4E2D));
    click(ui.btnModify);
    QCOMPARE(seam_->titles(), QStringList({"Cannot save contact"}));
    QVERIFY(seam_->messages.first().text.contains(QLatin1String("Contact name")));
    QCOMPARE(env_->databaseBytes(), before);
}

void TstEditing::textOutsideLatin1AndMarkupRoundTrip() {
    auto w = window();
    QVERIFY(w);
    const auto& ui = *w->ui();
    QTest::keyClicks(ui.e_name, QStringLiteral("<b>x</b> "));
    typeCharacter(ui.e_name, QChar(0x20AC)); // the euro sign, 0x80 in Windows-1252
    QTest::keyClicks(ui.e_email, QStringLiteral("j"));
    typeCharacter(ui.e_email, QChar(0xE9));
    QTest::keyClicks(ui.e_email, QStringLiteral("@x"));
    click(ui.btnAdd);
    QVERIFY(seam_->messages.isEmpty());
    const QByteArray file = env_->databaseBytes();
    QCOMPARE(field(file, 0, Field::Name), QByteArray("<b>x</b> \x80"));
    QCOMPARE(field(file, 0, Field::Email), QByteArray("j\xe9@x"));
    ClickRow(*w, 0);
    QCOMPARE(ui.e_name->text(), QString::fromUtf8("<b>x</b> €"));
    QCOMPARE(ui.e_email->text(), QString::fromUtf8("jé@x"));
    seam_->answer(MsgResult::No);
    click(ui.btnDelete);
    QVERIFY(seam_->messages.first().text.contains(QString::fromUtf8("\"<b>x</b> €\"")));
}

// A write that the disk refuses is reported, and the list still shows the file.
void TstEditing::failedWriteIsReportedAndRefreshes() {
    auto w = window({{"A", "a@x"}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    const QByteArray before = env_->databaseBytes();
    QTest::keyClicks(ui.e_name, QStringLiteral("Big"));
    QTest::keyClicks(ui.e_email, QStringLiteral("b@x"));

    // The file may not grow: appending fails.
    rlimit old{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = rlim_t(before.size());
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
    click(ui.btnAdd);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(seam_->messages.size(), 1);
    const RecordedMessage& m = seam_->messages.first();
    QCOMPARE(m.title, QStringLiteral("Failed to add contact!"));
    QCOMPARE(m.text, QStringLiteral("There was an error adding the new contact!  Please restart "
                                    "Quenlark Address Book and try again."));
    QCOMPARE(m.icon, MsgIcon::Error);
    QCOMPARE(m.owner.data(), w.get());
    QCOMPARE(env_->databaseBytes(), before);
    QCOMPARE(ListedNames(*w), QStringList({"A"}));
    QVERIFY(panelEmpty(ui));
    QCOMPARE(w->focusWidget(), ui.e_name);
}

QTEST_MAIN(TstEditing)
#include "tst_editing.moc"
