// Sync from the window against a real Radicale on a loopback port, through a fault proxy: the
// set-up with discovery, Sync now with its progress, a local Add during a background sync, the
// deletion question, the conflict list, and an automatic sync offline then online again. The
// keyring's test runs inside a private D-Bus session (sync_keyring_session.sh).
#include "controls/quenlarkstdbutton.h"
#include "engine/codepage.h"
#include "forms/keyring.h"
#include "forms/lastsyncdialog.h"
#include "forms/mainform.h"
#include "forms/syncdialog.h"
#include "forms/syncrunner.h"
#include "guitest.h"
#include "modaldriver.h"
#include "sync/carddavbook.h"
#include "synctestkit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>
#include <chrono>
#include <thread>

using namespace quenlark;
using namespace quenlark::test;
using namespace quenlark::synctest;

namespace {

std::string Card(const std::string& uid, const std::string& name, const std::string& city,
                 const std::string& rev) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name +
           ";;;;\r\nEMAIL;TYPE=INTERNET:" + uid + "@example.org\r\nADR:;;;" + city +
           ";;;\r\nREV:" + rev + "\r\nEND:VCARD\r\n";
}

// The server side as a phone sees it.
struct Phone {
    explicit Phone(const std::string& bookUrl)
        : http({bookUrl, CardDavServer::kUser, CardDavServer::kPassword}), book(http, bookUrl) {}
    std::map<std::string, std::string> cards() { // href -> vCard
        sync::CollectionChanges changes;
        std::map<std::string, std::string> all;
        if (!book.changesSince("", changes))
            return all;
        std::vector<std::string> hrefs;
        for (const auto& item : changes.changed) {
            hrefs.push_back(item.href);
            etags[item.href] = item.etag;
        }
        (void)book.fetch(hrefs, [&](sync::RemoteCard&& card) { all[card.href] = card.vcard; });
        return all;
    }
    bool put(const std::string& uid, const std::string& vcard) {
        std::string etag;
        const Result made = book.create(book.hrefFor(uid), vcard, etag);
        if (!made)
            qWarning("%s", made.message().c_str());
        return bool(made);
    }
    sync::CurlHttpClient http;
    sync::CardDavBook book;
    std::map<std::string, std::string> etags; // as cards() saw them
};

} // namespace

class TstSyncWindow : public GuiTest {
    Q_OBJECT
private:
    std::unique_ptr<CardDavServer> server_;
    std::unique_ptr<FaultProxy> proxy_;
    std::string bookUrl_; // on the server
    std::unique_ptr<Phone> phone_;
    std::atomic<int> delayMs_{0};

    // The account as --sync-setup leaves it, through the proxy.
    void setUpAccount(int minutes = 0) {
        const std::string proxied = proxy_->url() + sync::ParseUrl(bookUrl_).path;
        SyncAccountSettings account{QString::fromStdString(proxy_->url() + "/"),
                                    QStringLiteral("alice"), QString::fromStdString(proxied),
                                    minutes, true};
        QVERIFY(SaveSyncSettings(env_->settings(), account));
    }
    // Runs one sync to its end (and any it started again); true when the last one succeeded.
    static bool syncOnce(SyncRunner& runner, SyncRunner::Trigger trigger) {
        QSignalSpy finished(&runner, &SyncRunner::finished);
        runner.start(trigger);
        if (!QTest::qWaitFor([&] { return !finished.isEmpty() && !runner.running(); }, 30000))
            return false;
        if (!finished.last().at(0).toBool())
            qWarning("%s", qPrintable(finished.last().at(1).toString()));
        return finished.last().at(0).toBool();
    }

private slots:
    void initTestCase() {
        qputenv("QUENLARK_SYNC_TIMEOUTS", "5,5,30");
        if (qEnvironmentVariableIsEmpty("QUENLARK_TEST_KEYRING"))
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    }
    void init() override {
        GuiTest::init();
        qputenv("QUENLARK_SYNC_PASSWORD", CardDavServer::kPassword);
        server_ = std::make_unique<CardDavServer>(CardDavServer::Kind::Radicale);
        bookUrl_ = server_->makeAddressBook("contacts", "Contacts");
        proxy_ = std::make_unique<FaultProxy>(server_->origin());
        delayMs_ = 0;
        proxy_->setRule([this](const ProxyRequest&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_.load()));
            return FaultAction::pass();
        });
        phone_ = std::make_unique<Phone>(bookUrl_);
    }
    void cleanup() override {
        phone_.reset();
        proxy_.reset();
        server_.reset();
        GuiTest::cleanup();
    }

    // The menu item and its letter; the dialog finds the books, keeps the account as the
    // command line does, and without a keyring says so; Sync now shows progress once it
    // takes long, then both sides hold every contact.
    void setUpAndSyncNow() {
        server_->makeAddressBook("work", "Work");
        QVERIFY(phone_->put("p1", Card("p1", "Pia Phone", "Oslo", "20200101T000000Z")));
        auto w = window({NamedContact("Ann Lee", "ann@example.com")});
        QVERIFY(w);
        QMenu* menu = Menu(*w, "backupMenu");
        QStringList letters;
        for (QAction* item : menu->actions())
            if (!item->isSeparator())
                letters
                    << item->text().mid(item->text().indexOf(QLatin1Char('&')) + 1, 1).toLower();
        QCOMPARE(menu->actions().last()->objectName(), QStringLiteral("synchroniseItem"));
        QVERIFY(menu->actions().at(menu->actions().size() - 2)->isSeparator());
        QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
        const ModalRun opened = RunModal<Tsyncdialog>(
            [&] { Action(*w, "synchroniseItem")->trigger(); }, [](Tsyncdialog&) {});
        QVERIFY(opened.driven);

        qunsetenv("QUENLARK_SYNC_PASSWORD");
        Tsyncdialog dialog(*w->syncRunner(), env_->settings(), w.get());
        dialog.show();
        Retype(Child<QLineEdit>(dialog, "serverEdit"), QString::fromStdString(proxy_->url() + "/"));
        Retype(Child<QLineEdit>(dialog, "userEdit"), QStringLiteral("alice"));
        Retype(Child<QLineEdit>(dialog, "passwordEdit"),
               QString::fromLatin1(CardDavServer::kPassword));
        // Alt+H checks, once: the status tells what was found.
        QTest::keyClick(&dialog, Qt::Key_H, Qt::AltModifier);
        QVERIFY2(dialog.status().startsWith(QStringLiteral("Connected as alice. 2 address books")),
                 qPrintable(dialog.status()));
        auto* books = Child<QComboBox>(dialog, "bookBox");
        QCOMPARE(books->count(), 2);
        QVERIFY(Child<QLabel>(dialog, "keyringNote")->isVisible());
        QVERIFY(Child<QCheckBox>(dialog, "askPasswordBox")->isChecked());
        books->setCurrentIndex(books->findText(QStringLiteral("Contacts")));
        // Alt+U ticks automatic sync, once per press, and the settings follow.
        for (const int minutes : {15, 0}) {
            QTest::keyClick(&dialog, Qt::Key_U, Qt::AltModifier);
            QCOMPARE(LoadSyncSettings(env_->settings()).minutes, minutes);
        }
        const SyncAccountSettings kept = LoadSyncSettings(env_->settings());
        QCOMPARE(kept.user, QStringLiteral("alice"));
        QVERIFY(kept.book.endsWith(QStringLiteral("/contacts/")));
        QFile ini(QString::fromStdString(env_->settings().filePath()));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(!ini.readAll().contains(CardDavServer::kPassword));

        delayMs_ = 400;
        auto* progress = Child<QProgressBar>(dialog, "syncProgress");
        bool progressShown = false;
        QSignalSpy finished(w->syncRunner(), &SyncRunner::finished);
        QTest::mouseClick(Child(dialog, "syncNowButton"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor(
            [&] {
                progressShown = progressShown || progress->isVisible();
                return !finished.isEmpty();
            },
            30000));
        QVERIFY2(finished.last().at(0).toBool(), qPrintable(dialog.status()));
        QVERIFY(progressShown);
        QVERIFY(!progress->isVisible());
        QCOMPARE(ListedNames(*w), (QStringList{"Ann Lee", "Pia Phone"}));
        QCOMPARE(phone_->cards().size(), 2u);
        QVERIFY(Child<QLabel>(dialog, "lastSyncText")
                    ->text()
                    .contains(QStringLiteral("Received: 1 new")));
    }

    // A contact added while a background sync talks to the server is neither lost nor
    // doubled: the sync that planned without it is not applied, and the next one sends it.
    // The selected contact stays selected through a received change.
    void localAddDuringBackgroundSync() {
        for (const char* uid : {"p1", "p2"})
            QVERIFY(phone_->put(
                uid, Card(uid, std::string("Phone ") + uid, "Oslo", "20200101T000000Z")));
        setUpAccount();
        auto w = window({NamedContact("Ann Lee", "ann@example.com"),
                         NamedContact("Bob Zed", "bob@example.com")});
        QVERIFY(w);
        ClickRow(*w, 1);
        SyncRunner& runner = *w->syncRunner();
        delayMs_ = 150;
        QSignalSpy finished(&runner, &SyncRunner::finished);
        runner.start(SyncRunner::Trigger::Automatic);
        QVERIFY(runner.running());
        Retype(Child<QLineEdit>(*w, "nameEdit"), QStringLiteral("Cid New"));
        Retype(Child<QLineEdit>(*w, "emailEdit"), QStringLiteral("cid@example.com"));
        w->addContact();
        QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty() && !runner.running(); }, 30000));
        QVERIFY(finished.last().at(0).toBool());
        QCOMPARE(RecordCount(env_->databaseBytes()), 5);
        QCOMPARE(phone_->cards().size(), 5u);
        // Nothing is left to do, and nothing doubles.
        ClickRow(*w, 1);
        QVERIFY(phone_->put("p3", Card("p3", "Phone p3", "Oslo", "20200101T000000Z")));
        QVERIFY(syncOnce(runner, SyncRunner::Trigger::Manual));
        QCOMPARE(RecordCount(env_->databaseBytes()), 6);
        QCOMPARE(phone_->cards().size(), 6u);
        QVERIFY(w->selectedContact());
        QCOMPARE(QString::fromStdString(w->selectedContact()->name), QStringLiteral("Bob Zed"));
    }

    // While a dialog of the window is open (a command's question), a finished sync waits
    // with its change of the book until it closes.
    void waitsForAnOpenDialog() {
        QVERIFY(phone_->put("p1", Card("p1", "Pia Phone", "Oslo", "20200101T000000Z")));
        setUpAccount();
        auto w = window({NamedContact("Ann Lee", "ann@example.com")});
        QVERIFY(w);
        SyncRunner& runner = *w->syncRunner();
        QSignalSpy finished(&runner, &SyncRunner::finished);
        QDialog question(w.get());
        const ModalRun run = RunModal<QDialog>(
            [&] {
                runner.start(SyncRunner::Trigger::Automatic);
                question.exec();
            },
            [&](QDialog&) {
                QTest::qWait(1500);
                QVERIFY(runner.running());
                QCOMPARE(RecordCount(env_->databaseBytes()), 1);
            });
        QVERIFY(run.driven);
        QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 30000));
        QVERIFY(finished.last().at(0).toBool());
        QCOMPARE(RecordCount(env_->databaseBytes()), 2);
    }

    // Deleting most of the book asks first: No leaves both sides, Yes goes on. An automatic
    // sync never asks; it tells it once in the window's notice.
    void deletionQuestion() {
        for (int i = 0; i < 6; ++i) {
            const std::string uid = "p" + std::to_string(i);
            QVERIFY(phone_->put(uid, Card(uid, "Phone " + uid, "Oslo", "20200101T000000Z")));
        }
        setUpAccount();
        auto w = window();
        QVERIFY(w);
        SyncRunner& runner = *w->syncRunner();
        QVERIFY(syncOnce(runner, SyncRunner::Trigger::Manual));
        QCOMPARE(RecordCount(env_->databaseBytes()), 6);
        for (const auto& [href, card] : phone_->cards())
            QVERIFY(phone_->book.remove(href, phone_->etags[href]));

        QVERIFY(!syncOnce(runner, SyncRunner::Trigger::Automatic));
        QVERIFY(seam_->messages.isEmpty());
        QVERIFY(Child<QLabel>(*w, "syncNotice")->isVisible());
        seam_->answer(MsgResult::No);
        QVERIFY(!syncOnce(runner, SyncRunner::Trigger::Manual));
        QCOMPARE(seam_->messages.size(), 1);
        QVERIFY(seam_->messages[0].text.contains(QStringLiteral("6 of the 6")));
        QCOMPARE(seam_->messages[0].buttons, MsgButtons::YesNo);
        QCOMPARE(RecordCount(env_->databaseBytes()), 6);
        seam_->answer(MsgResult::Yes);
        QVERIFY(syncOnce(runner, SyncRunner::Trigger::Manual));
        QCOMPARE(RecordCount(env_->databaseBytes()), 0);
        QVERIFY(!Child<QLabel>(*w, "syncNotice")->isVisible());
    }

    // A field changed on both sides: the server's newer value is kept, and the Last sync
    // list shows both values; it opens after a manual sync and again from the dialog.
    void conflictList() {
        QVERIFY(phone_->put("p1", Card("p1", "Pia Phone", "Oslo", "20200101T000000Z")));
        setUpAccount();
        auto w = window();
        QVERIFY(w);
        SyncRunner& runner = *w->syncRunner();
        QVERIFY(syncOnce(runner, SyncRunner::Trigger::Manual));
        const auto cards = phone_->cards();
        std::string etag;
        const Result updated = phone_->book.update(
            cards.begin()->first, Card("p1", "Pia Phone", "Bergen", "20990101T000000Z"),
            phone_->etags[cards.begin()->first], etag);
        QVERIFY2(updated, updated.message().c_str());
        ClickRow(*w, 0);
        Retype(Child<QLineEdit>(*w, "cityEdit"), QStringLiteral("Tromso"));
        w->modifyContact();
        seam_->clear();

        ClickRow(*w, 0); // selected through the rewrite of its contact, with the value kept
        Tsyncdialog dialog(runner, env_->settings(), w.get());
        dialog.show();
        QStringList row;
        const auto readRow = [&](Tlastsyncdialog& shown) {
            auto* model = Child<QStandardItemModel>(shown, "lastSyncModel");
            for (int c = 0; model->rowCount() == 1 && c < 4; ++c)
                row << model->item(0, c)->text();
        };
        QVERIFY(RunModal<Tlastsyncdialog>(
                    [&] {
                        QTest::mouseClick(Child(dialog, "syncNowButton"), Qt::LeftButton);
                        (void)QTest::qWaitFor([&] { return !runner.running(); }, 30000);
                    },
                    readRow)
                    .driven);
        QCOMPARE(row, (QStringList{"Pia Phone", "city", "Bergen", "Tromso"}));
        QCOMPARE(FieldOf(env_->databaseBytes(), 0, Field::City), QByteArray("Bergen"));
        QVERIFY(w->selectedContact());
        QCOMPARE(Child<QLineEdit>(*w, "cityEdit")->text(), QStringLiteral("Bergen"));
        row.clear();
        QVERIFY(RunModal<Tlastsyncdialog>([&] { dialog.showLastSync(); }, readRow).driven);
        QCOMPARE(row.size(), 4);
    }

    // Offline: an automatic sync fails once, quietly, into the notice; back online the
    // next one succeeds and the notice goes. Local changes start an automatic sync.
    void offlineThenOnline() {
        setUpAccount(30);
        auto w = window({NamedContact("Ann Lee", "ann@example.com")});
        QVERIFY(w);
        SyncRunner& runner = *w->syncRunner();
        runner.setChangeDelay(50);
        proxy_->setRule(
            [](const ProxyRequest&) { return FaultAction::of(FaultAction::Kind::Close); });
        auto* notice = Child<QLabel>(*w, "syncNotice");
        QVERIFY(!syncOnce(runner, SyncRunner::Trigger::Automatic));
        QVERIFY(notice->isVisible());
        QVERIFY(notice->toolTip().contains(QStringLiteral("The sync stopped")));
        QVERIFY(seam_->messages.isEmpty());
        proxy_->setRule([](const ProxyRequest&) { return FaultAction::pass(); });
        QSignalSpy finished(&runner, &SyncRunner::finished);
        Retype(Child<QLineEdit>(*w, "nameEdit"), QStringLiteral("Bob Zed"));
        Retype(Child<QLineEdit>(*w, "emailEdit"), QStringLiteral("bob@example.com"));
        w->addContact();
        QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty() && !runner.running(); }, 30000));
        QVERIFY(finished.last().at(0).toBool());
        QVERIFY(!notice->isVisible());
        QCOMPARE(phone_->cards().size(), 2u);
    }

    // With a Secret Service: Check keeps the password in the keyring, under the names the
    // command line reads, and a sync finds it there.
    void keyringKeepsPassword() {
        if (qEnvironmentVariableIsEmpty("QUENLARK_TEST_KEYRING"))
            QSKIP("needs the private keyring of sync_keyring_session.sh");
        qunsetenv("QUENLARK_SYNC_PASSWORD");
        auto w = window();
        QVERIFY(w);
        const QString url = QString::fromStdString(proxy_->url() + "/");
        {
            Tsyncdialog dialog(*w->syncRunner(), env_->settings(), w.get());
            dialog.show();
            Retype(Child<QLineEdit>(dialog, "serverEdit"), url);
            Retype(Child<QLineEdit>(dialog, "userEdit"), QStringLiteral("alice"));
            Retype(Child<QLineEdit>(dialog, "passwordEdit"),
                   QString::fromLatin1(CardDavServer::kPassword));
            QVERIFY2(dialog.check(), qPrintable(dialog.status()));
            QVERIFY(!Child<QLabel>(dialog, "keyringNote")->isVisible());
        }
        QString stored;
        QVERIFY(ReadKeyringPassword(QStringLiteral("alice"), url, stored));
        QCOMPARE(stored, QString::fromLatin1(CardDavServer::kPassword));
        w.reset();
        auto again = window(); // a new run: nothing remembered but the keyring
        QVERIFY(again);
        QVERIFY(phone_->put("p1", Card("p1", "Pia Phone", "Oslo", "20200101T000000Z")));
        QVERIFY(syncOnce(*again->syncRunner(), SyncRunner::Trigger::Manual));
        QCOMPARE(ListedNames(*again), QStringList{"Pia Phone"});
    }
};

QTEST_MAIN(TstSyncWindow)
#include "tst_syncwindow.moc"
