// The main window's mail and web links, driven by clicks on the real images and links:
// the selected contact, the typed addresses, what reaches the desktop, refused links, the
// pressed look of the second envelope and the e-mail box's scrolling.
#include "controls/quenlarkweblink.h"
#include "engine/contactrecord.h"
#include "forms/mainform.h"
#include "mainwindowdriver.h"
#include "resources/bitmaps.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QLineEdit>
#include <QListView>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringListModel>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

namespace {

struct Contact {
    QByteArray name, email, secondEmail, website;
};

QByteArray databaseWith(const QList<Contact>& contacts) {
    QList<ContactRecord> records;
    for (const Contact& c : contacts) {
        ContactRecord& r = records.emplace_back();
        ClearContactRecord(r);
        r.setText(Field::Name, c.name.toStdString());
        r.setText(Field::Email, c.email.toStdString());
        r.setText(Field::SecondEmail, c.secondEmail.toStdString());
        r.setText(Field::WebSite, c.website.toStdString());
    }
    return DatabaseWith(records);
}

void retype(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

QImage picture(const QString& name) {
    return LoadTransparentBitmap(name, qRgb(0, 255, 0)).toImage();
}

const QString kFailedText = QStringLiteral(
    "There was an error sending an e-mail/opening the web site address for the selected "
    "contact!\n\nPlease make sure that the e-mail/web site address is correct.\n\nIf it is, "
    "please make sure you have installed a default web browser and e-mail client.");

} // namespace

class TstLinks : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void nothingWithoutSelectedContactOrAddress();
    void mailLinksUseTheTypedAddress();
    void mailAddressCannotAddHeaders_data();
    void mailAddressCannotAddHeaders();
    void webSiteOpensOnlyWebAddresses_data();
    void webSiteOpensOnlyWebAddresses();
    void refusedLinkIsReported();
    void secondEnvelopePressedLook();
    void emailBoxScrollsDetailsToTop();

private:
    std::unique_ptr<Tmainform> window(const QList<Contact>& contacts);
    QStringList targets() const;

    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> seam_;
};

void TstLinks::init() {
    env_ = std::make_unique<TestEnv>();
    seam_ = std::make_unique<ScriptedUiSeam>();
}

void TstLinks::cleanup() {
    QVERIFY(seam_->drained());
    seam_.reset();
    env_.reset();
}

std::unique_ptr<Tmainform> TstLinks::window(const QList<Contact>& contacts) {
    return OpenMainWindow(*env_, databaseWith(contacts));
}

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
    const auto& ui = *w->ui();
    // Text typed into the boxes without a selected contact opens nothing.
    QTest::keyClicks(ui.e_email, QStringLiteral("typed@x"));
    QTest::keyClicks(ui.e_2ndemail, QStringLiteral("typed2@x"));
    QTest::keyClicks(ui.e_website, QStringLiteral("http://typed.example"));
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui.sendmail, ui.sendmail2, ui.website, ui.QuenlarkWebLink2, ui.QuenlarkWebLink3})
        QTest::mouseClick(control, Qt::LeftButton);
    w->lb_sendmailClick();
    w->lb_websiteClick();
    QVERIFY(seam_->launches.isEmpty());
    QVERIFY(seam_->messages.isEmpty());

    // After "Select nothing" the last shown contact is no longer selected.
    ClickRow(*w, 0);
    QTest::mouseClick(ui.QuenlarkWebLink1, Qt::LeftButton);
    QVERIFY(!w->SelectedContact());
    w->lb_sendmailClick();
    w->sendmail2Click();
    w->lb_websiteClick();
    QVERIFY(seam_->launches.isEmpty());

    // A selected contact with empty boxes: nothing either, and no message.
    ClickRow(*w, 1);
    QCOMPARE(ui.e_name->text(), QStringLiteral("Bob"));
    w->lb_sendmailClick();
    w->sendmail2Click();
    w->lb_websiteClick();
    QVERIFY(seam_->launches.isEmpty());
    QVERIFY(seam_->messages.isEmpty());
}

void TstLinks::mailLinksUseTheTypedAddress() {
    auto w = window({{"Amy", "a@x", "a2@x", ""}, {"Bob", "", "", ""}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    ClickRow(*w, 0);
    QVERIFY(ui.panel_sendmail->isVisible() && ui.panel_sendmail2->isVisible());
    QTest::mouseClick(ui.sendmail, Qt::LeftButton);
    QTest::mouseClick(ui.QuenlarkWebLink2, Qt::LeftButton);
    QTest::mouseClick(ui.sendmail2, Qt::LeftButton);
    QCOMPARE(targets(), QStringList({"mailto:a@x", "mailto:a@x", "mailto:a2@x"}));

    // Edited but not saved: the boxes' text is used, the stored record is not.
    seam_->launches.clear();
    const QByteArray before = env_->databaseBytes();
    retype(ui.e_email, QStringLiteral("new@x"));
    retype(ui.e_2ndemail, QStringLiteral("new2@x"));
    QTest::mouseClick(ui.sendmail, Qt::LeftButton);
    QTest::mouseClick(ui.sendmail2, Qt::LeftButton);
    QCOMPARE(targets(), QStringList({"mailto:new@x", "mailto:new2@x"}));
    QCOMPARE(env_->databaseBytes(), before);

    // A contact without an address: one typed in is mailed although its panel is hidden.
    seam_->launches.clear();
    ClickRow(*w, 1);
    QVERIFY(ui.panel_sendmail->isHidden());
    QTest::keyClicks(ui.e_email, QStringLiteral("bob@x"));
    QTest::mouseClick(ui.QuenlarkWebLink2, Qt::LeftButton);
    QCOMPARE(targets(), QStringList({"mailto:bob@x"}));
    QVERIFY(seam_->messages.isEmpty());
}

void TstLinks::mailAddressCannotAddHeaders_data() {
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
}

void TstLinks::mailAddressCannotAddHeaders() {
    QFETCH(QString, address);
    QFETCH(QString, link);
    auto w = window({{"Amy", "a@x", "", ""}});
    QVERIFY(w);
    ClickRow(*w, 0);
    w->ui()->e_email->setText(address);
    QTest::mouseClick(w->ui()->sendmail, Qt::LeftButton);
    QCOMPARE(targets(), QStringList({link}));
    // What the desktop is given has no query: no header, subject or body can ride along.
    const QUrl url(seam_->launches.value(0).target);
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
    const auto& ui = *w->ui();
    ClickRow(*w, 0);
    ui.e_website->setText(text);
    QTest::mouseClick(ui.website, Qt::LeftButton);
    QTest::mouseClick(ui.QuenlarkWebLink3, Qt::LeftButton);
    if (!link.isEmpty()) {
        QCOMPARE(targets(), QStringList({link, link}));
        QVERIFY(seam_->messages.isEmpty());
        return;
    }
    QVERIFY(seam_->launches.isEmpty());
    QCOMPARE(seam_->titles(), QStringList({"Failed to open link", "Failed to open link"}));
    QCOMPARE(seam_->messages.first().text, kFailedText);
    QCOMPARE(ui.e_website->text(), text); // the box keeps what was typed
}

void TstLinks::refusedLinkIsReported() {
    auto w = window({{"Amy", "a@x", "a2@x", "amy.example"}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    ClickRow(*w, 0);
    seam_->launchResult = false;
    QTest::mouseClick(ui.sendmail, Qt::LeftButton);
    QTest::mouseClick(ui.sendmail2, Qt::LeftButton);
    QTest::mouseClick(ui.website, Qt::LeftButton);
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
    QVERIFY(w->SelectedContact());
    QCOMPARE(ui.e_email->text(), QStringLiteral("a@x"));

    // A successful link shows nothing.
    seam_->launchResult = true;
    seam_->clear();
    QVERIFY(w->OpenLink(QStringLiteral("http://home.example")));
    QVERIFY(seam_->messages.isEmpty());
}

void TstLinks::secondEnvelopePressedLook() {
    auto w = window({{"Amy", "a@x", "a2@x", ""}});
    QVERIFY(w);
    QLabel* envelope = w->ui()->sendmail2;
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
    const QImage send = w->ui()->sendmail->pixmap().toImage();
    QTest::mousePress(w->ui()->sendmail, Qt::LeftButton, {}, QPoint(12, 12));
    QCOMPARE(w->ui()->sendmail->pixmap().toImage(), send);
    QTest::mouseRelease(w->ui()->sendmail, Qt::LeftButton, {}, QPoint(12, 12));
    QCOMPARE(targets(), QStringList({"mailto:a2@x", "mailto:a@x"}));
}

void TstLinks::emailBoxScrollsDetailsToTop() {
    auto w = window({{"Amy", "a@x", "", ""}});
    QVERIFY(w);
    const auto& ui = *w->ui();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QScrollBar* bar = ui.scrollbox->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    // Scrolled to the bottom, the e-mail box taking the focus brings back the very top,
    // not merely enough to show the box.
    ui.e_city->setFocus();
    bar->setValue(bar->maximum());
    QVERIFY(ui.e_email->y() > 0);
    ui.e_email->setFocus();
    QTRY_COMPARE(ui.e_email->hasFocus(), true);
    QCOMPARE(bar->value(), 0);
    // Each time it takes the focus again.
    ui.e_zipcode->setFocus();
    bar->setValue(bar->maximum());
    ui.e_email->setFocus();
    QCOMPARE(bar->value(), 0);
    // Other boxes do not.
    bar->setValue(bar->maximum());
    ui.e_zipcode->setFocus();
    QVERIFY(bar->value() > 0);
}

QTEST_MAIN(TstLinks)
#include "tst_links.moc"
