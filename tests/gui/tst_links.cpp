// The main window's mail and web links, driven by clicks on the real images and links:
// the selected contact, the typed addresses, what reaches the desktop, refused links, the
// pressed look of the second envelope and the e-mail box's scrolling.
#include "forms/mainform.h"
#include "guitest.h"
#include "resources/bitmaps.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

namespace {

struct Contact {
    QByteArray name, email, secondEmail, website;
};

QList<ContactRecord> records(const QList<Contact>& contacts) {
    QList<ContactRecord> out;
    for (const Contact& c : contacts) {
        ContactRecord r = NamedContact(c.name, c.email);
        r.setText(Field::SecondEmail, c.secondEmail.toStdString());
        r.setText(Field::WebSite, c.website.toStdString());
        out << r;
    }
    return out;
}

QImage picture(const QString& name) {
    return LoadResourceBitmap(name).toImage();
}

QLineEdit* box(const Tmainform& w, const char* name) {
    return Child<QLineEdit>(w, name);
}

void click(const Tmainform& w, const char* name) {
    QTest::mouseClick(Child(w, name), Qt::LeftButton);
}

const QString kFailedText = QStringLiteral(
    "There was an error sending an e-mail/opening the web site address for the selected "
    "contact!\n\nPlease make sure that the e-mail/web site address is correct.\n\nIf it is, "
    "please make sure you have installed a default web browser and e-mail client.");

} // namespace

class TstLinks : public GuiTest {
    Q_OBJECT
private slots:
    void nothingWithoutSelectedContactOrAddress();
    void mailLinksUseTheTypedAddress();
    void mailLinkIsOneAddressWithoutHeaders_data();
    void mailLinkIsOneAddressWithoutHeaders();
    void webSiteOpensOnlyWebAddresses_data();
    void webSiteOpensOnlyWebAddresses();
    void refusedLinkIsReported();
    void linksByKeyAndScreenReader_data();
    void linksByKeyAndScreenReader();
    void secondEnvelopePressedLook();
    void emailBoxScrollsDetailsToTop();

private:
    std::unique_ptr<Tmainform> window(const QList<Contact>& contacts) {
        return GuiTest::window(records(contacts));
    }
    QStringList targets() const;
};

QStringList TstLinks::targets() const {
    QStringList out;
    for (const RecordedLaunch& l : seam_->launches) {
        if (l.verb != QLatin1String("open"))
            out << QStringLiteral("<verb %1>").arg(l.verb);
        out << l.target;
    }
    return out;
}

void TstLinks::nothingWithoutSelectedContactOrAddress() {
    auto w = window({{"Amy", "a@x", "a2@x", "http://amy.example"}, {"Bob", "", "", ""}});
    QVERIFY(w);
    // Text typed into the boxes without a selected contact opens nothing.
    QTest::keyClicks(box(*w, "emailEdit"), QStringLiteral("typed@x"));
    QTest::keyClicks(box(*w, "secondEmailEdit"), QStringLiteral("typed2@x"));
    QTest::keyClicks(box(*w, "webSiteEdit"), QStringLiteral("http://typed.example"));
    for (const char* control :
         {"sendMailImage", "secondMailImage", "webSiteImage", "sendMailLink", "webSiteLink"})
        click(*w, control);
    w->sendMail();
    w->openWebSite();
    QVERIFY(seam_->launches.isEmpty());
    QVERIFY(seam_->messages.isEmpty());

    // After "Select nothing" the last shown contact is no longer selected.
    ClickRow(*w, 0);
    click(*w, "selectNothingLink");
    QVERIFY(!w->selectedContact());
    w->sendMail();
    w->sendSecondMail();
    w->openWebSite();
    QVERIFY(seam_->launches.isEmpty());

    // A selected contact with empty boxes: nothing either, and no message.
    ClickRow(*w, 1);
    QCOMPARE(box(*w, "nameEdit")->text(), QStringLiteral("Bob"));
    w->sendMail();
    w->sendSecondMail();
    w->openWebSite();
    QVERIFY(seam_->launches.isEmpty());
    QVERIFY(seam_->messages.isEmpty());
}

void TstLinks::mailLinksUseTheTypedAddress() {
    auto w = window({{"Amy", "a@x", "a2@x", ""}, {"Bob", "", "", ""}});
    QVERIFY(w);
    ClickRow(*w, 0);
    QVERIFY(Child(*w, "sendMailPanel")->isVisible() && Child(*w, "secondMailPanel")->isVisible());
    click(*w, "sendMailImage");
    click(*w, "sendMailLink");
    click(*w, "secondMailImage");
    QCOMPARE(targets(), QStringList({"mailto:a@x", "mailto:a@x", "mailto:a2@x"}));

    // Edited but not saved: the boxes' text is used, the stored record is not.
    seam_->launches.clear();
    const QByteArray before = env_->databaseBytes();
    Retype(box(*w, "emailEdit"), QStringLiteral("new@x"));
    Retype(box(*w, "secondEmailEdit"), QStringLiteral("new2@x"));
    click(*w, "sendMailImage");
    click(*w, "secondMailImage");
    QCOMPARE(targets(), QStringList({"mailto:new@x", "mailto:new2@x"}));
    QCOMPARE(env_->databaseBytes(), before);

    // A contact without an address: one typed in is mailed although its panel is hidden.
    seam_->launches.clear();
    ClickRow(*w, 1);
    QVERIFY(Child(*w, "sendMailPanel")->isHidden());
    QTest::keyClicks(box(*w, "emailEdit"), QStringLiteral("bob@x"));
    click(*w, "sendMailLink");
    QCOMPARE(targets(), QStringList({"mailto:bob@x"}));
    QVERIFY(seam_->messages.isEmpty());
}

void TstLinks::mailLinkIsOneAddressWithoutHeaders_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("link");
    QTest::newRow("plain") << "ann.o'neil+tag@mail-1.example"
                           << "mailto:ann.o'neil+tag@mail-1.example";
    QTest::newRow("already a mailto") << "mailto:a@x"
                                      << "mailto:mailto:a@x";
    QTest::newRow("headers") << "a@x?subject=hi&body=x"
                             << "mailto:a@x%3Fsubject=hi%26body=x";
    QTest::newRow("cc header") << "a@x?cc=b@y"
                               << "mailto:a@x%3Fcc=b@y";
    QTest::newRow("fragment and percent") << "a%3F@x#y"
                                          << "mailto:a%253F@x%23y";
    QTest::newRow("space and accent") << QString::fromUtf8("jé @x") << "mailto:j%C3%A9%20@x";
    QTest::newRow("second recipient") << "a@b.example,c@d.example"
                                      << "mailto:a@b.example%2Cc@d.example";
    QTest::newRow("recipient list") << "a@x; b@y"
                                    << "mailto:a@x%3B%20b@y";
}

void TstLinks::mailLinkIsOneAddressWithoutHeaders() {
    QFETCH(QString, address);
    QFETCH(QString, link);
    auto w = window({{"Amy", "a@x", "", ""}});
    QVERIFY(w);
    ClickRow(*w, 0);
    box(*w, "emailEdit")->setText(address);
    click(*w, "sendMailImage");
    QCOMPARE(targets(), QStringList({link}));
    // What the desktop is given has no query: no header, subject or body can ride along;
    // and it reaches the desktop's mail program encoded as it is.
    const QUrl url(seam_->launches.value(0).target, QUrl::TolerantMode);
    QCOMPARE(QString::fromLatin1(url.toEncoded()), link);
    QCOMPARE(url.scheme(), QStringLiteral("mailto"));
    QVERIFY(!url.hasQuery());
    QVERIFY(!url.hasFragment());
}

void TstLinks::webSiteOpensOnlyWebAddresses_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("link"); // empty: refused with the failed link message
    QTest::newRow("http") << "http://amy.example/page?a=1"
                          << "http://amy.example/page?a=1";
    QTest::newRow("https") << "https://amy.example"
                           << "https://amy.example";
    QTest::newRow("scheme in capitals") << "HTTP://amy.example"
                                        << "HTTP://amy.example";
    QTest::newRow("no scheme") << "www.example.com"
                               << "http://www.example.com";
    QTest::newRow("host and port") << "www.example.com:8080/x"
                                   << "http://www.example.com:8080/x";
    QTest::newRow("file url") << "file:///etc/passwd" << QString();
    QTest::newRow("absolute path") << "/etc/passwd" << QString();
    QTest::newRow("network path") << "//server/share" << QString();
    QTest::newRow("windows path") << "C:\\Windows\\notepad.exe" << QString();
    QTest::newRow("javascript") << "javascript:alert(1)" << QString();
    QTest::newRow("mailto") << "mailto:a@x" << QString();
    QTest::newRow("other scheme") << "ftp://files.example" << QString();
    QTest::newRow("http without host") << "http:///etc/passwd" << QString();
    QTest::newRow("http inside text") << "see http://amy.example" << QString();
}

void TstLinks::webSiteOpensOnlyWebAddresses() {
    QFETCH(QString, text);
    QFETCH(QString, link);
    auto w = window({{"Amy", "a@x", "", "http://stored.example"}});
    QVERIFY(w);
    ClickRow(*w, 0);
    box(*w, "webSiteEdit")->setText(text);
    click(*w, "webSiteImage");
    click(*w, "webSiteLink");
    if (!link.isEmpty()) {
        QCOMPARE(targets(), QStringList({link, link}));
        QVERIFY(seam_->messages.isEmpty());
        return;
    }
    QVERIFY(seam_->launches.isEmpty());
    QCOMPARE(seam_->titles(), QStringList({"Failed to open link", "Failed to open link"}));
    QCOMPARE(seam_->messages.first().text, kFailedText);
    QCOMPARE(box(*w, "webSiteEdit")->text(), text); // the box keeps what was typed
}

void TstLinks::refusedLinkIsReported() {
    auto w = window({{"Amy", "a@x", "a2@x", "amy.example"}});
    QVERIFY(w);
    ClickRow(*w, 0);
    seam_->launchResult = false;
    click(*w, "sendMailImage");
    click(*w, "secondMailImage");
    click(*w, "webSiteImage");
    QCOMPARE(targets(), QStringList({"mailto:a@x", "mailto:a2@x", "http://amy.example"}));
    QCOMPARE(seam_->messages.size(), 3);
    for (const RecordedMessage& m : seam_->messages) {
        QCOMPARE(m.title, QStringLiteral("Failed to open link"));
        QCOMPARE(m.text, kFailedText);
        QCOMPARE(m.icon, MsgIcon::Error);
        QCOMPARE(m.buttons, MsgButtons::Ok);
        QCOMPARE(m.owner.data(), w.get());
    }
    // Nothing else changes.
    QVERIFY(w->selectedContact());
    QCOMPARE(box(*w, "emailEdit")->text(), QStringLiteral("a@x"));

    // A successful link shows nothing.
    seam_->launchResult = true;
    seam_->clear();
    QVERIFY(w->openLink(QStringLiteral("http://home.example")));
    QVERIFY(seam_->messages.isEmpty());
}

void TstLinks::linksByKeyAndScreenReader_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("target");
    QTest::newRow("first envelope") << "sendMailImage"
                                    << "F9"
                                    << "mailto:a@x";
    QTest::newRow("second envelope") << "secondMailImage"
                                     << "Shift+F9"
                                     << "mailto:a2@x";
    QTest::newRow("star") << "webSiteImage"
                          << "F10"
                          << "http://amy.example";
}

// Each picture has a key, and a screen reader finds it as a link that it can press and whose
// key it can tell.
void TstLinks::linksByKeyAndScreenReader() {
    QFETCH(QString, picture);
    QFETCH(QString, key);
    QFETCH(QString, target);
    auto w = window({{"Amy", "a@x", "a2@x", "http://amy.example"}});
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    const QKeySequence sequence(key);
    const auto press = [&] {
        QTest::keyClick(box(*w, "nameEdit"), Qt::Key(sequence[0].key()),
                        sequence[0].keyboardModifiers());
    };
    press(); // nothing selected: nothing opens
    QVERIFY(seam_->launches.isEmpty());
    ClickRow(*w, 0);
    press();
    QCOMPARE(targets(), QStringList{target});

    QAccessibleInterface* link =
        QAccessible::queryAccessibleInterface(Child<QLabel>(*w, picture.toLatin1()));
    QCOMPARE(link->role(), QAccessible::Link);
    QCOMPARE(link->text(QAccessible::Name), Child<QLabel>(*w, picture.toLatin1())->toolTip());
    QAccessibleActionInterface* actions = link->actionInterface();
    QVERIFY(actions);
    const QString pressAction = QAccessibleActionInterface::pressAction();
    QVERIFY(actions->actionNames().contains(pressAction));
    QCOMPARE(actions->keyBindingsForAction(pressAction), QStringList{key});
    actions->doAction(pressAction);
    QTRY_COMPARE(targets(), QStringList({target, target}));
}

void TstLinks::secondEnvelopePressedLook() {
    auto w = window({{"Amy", "a@x", "a2@x", ""}});
    QVERIFY(w);
    auto* envelope = Child<QLabel>(*w, "secondMailImage");
    ClickRow(*w, 0);
    const QImage up = picture(QStringLiteral("IDB_SEND2_UP"));
    const QImage down = picture(QStringLiteral("IDB_SEND2_DOWN"));
    QVERIFY(up != down);
    QCOMPARE(envelope->pixmap().toImage(), up);

    // Left press shows the pressed picture; release outside restores it and sends nothing.
    QTest::mousePress(envelope, Qt::LeftButton, {}, QPoint(12, 12));
    QCOMPARE(envelope->pixmap().toImage(), down);
    QTest::mouseRelease(envelope, Qt::LeftButton, {}, QPoint(200, 200));
    QCOMPARE(envelope->pixmap().toImage(), up);
    QVERIFY(seam_->launches.isEmpty());

    // Other buttons change nothing and click nothing.
    QTest::mousePress(envelope, Qt::RightButton, {}, QPoint(12, 12));
    QCOMPARE(envelope->pixmap().toImage(), up);
    QTest::mouseRelease(envelope, Qt::RightButton, {}, QPoint(12, 12));
    QCOMPARE(envelope->pixmap().toImage(), up);
    QVERIFY(seam_->launches.isEmpty());

    // A left click inside sends one mail and leaves the normal picture.
    QTest::mouseClick(envelope, Qt::LeftButton, {}, QPoint(12, 12));
    QCOMPARE(envelope->pixmap().toImage(), up);
    QCOMPARE(targets(), QStringList({"mailto:a2@x"}));

    // The first envelope has no pressed look.
    auto* first = Child<QLabel>(*w, "sendMailImage");
    const QImage send = first->pixmap().toImage();
    QTest::mousePress(first, Qt::LeftButton, {}, QPoint(12, 12));
    QCOMPARE(first->pixmap().toImage(), send);
    QTest::mouseRelease(first, Qt::LeftButton, {}, QPoint(12, 12));
    QCOMPARE(targets(), QStringList({"mailto:a2@x", "mailto:a@x"}));
}

void TstLinks::emailBoxScrollsDetailsToTop() {
    auto w = window({{"Amy", "a@x", "", ""}});
    QVERIFY(w);
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QScrollBar* bar = Child<QScrollArea>(*w, "detailsScrollArea")->verticalScrollBar();
    QLineEdit* email = box(*w, "emailEdit");
    QLineEdit* zipCode = box(*w, "zipCodeEdit");
    QVERIFY(bar->maximum() > 0);
    // Scrolled to the bottom, the e-mail box taking the focus brings back the very top,
    // not merely enough to show the box.
    box(*w, "cityEdit")->setFocus();
    bar->setValue(bar->maximum());
    QVERIFY(email->y() > 0);
    email->setFocus();
    QTRY_COMPARE(email->hasFocus(), true);
    QCOMPARE(bar->value(), 0);
    // Each time it takes the focus again.
    zipCode->setFocus();
    bar->setValue(bar->maximum());
    email->setFocus();
    QCOMPARE(bar->value(), 0);
    // Other boxes do not.
    bar->setValue(bar->maximum());
    zipCode->setFocus();
    QVERIFY(bar->value() > 0);
}

QTEST_MAIN(TstLinks)
#include "tst_links.moc"
