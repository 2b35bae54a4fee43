#include "everywindow.h"

#include "forms/aboutbox.h"
#include "forms/addcontactfast.h"
#include "forms/exportcontacts.h"
#include "forms/lastsyncdialog.h"
#include "forms/mainform.h"
#include "forms/options.h"
#include "forms/report.h"
#include "forms/searchresults.h"
#include "forms/selectcontacts.h"
#include "forms/syncdialog.h"
#include "forms/syncrunner.h"
#include "mainwindowdriver.h"
#include "testenv.h"

#include <QTest>

namespace quenlark::test {

EveryWindow::EveryWindow(TestEnv& env) {
    QList<ContactRecord> records;
    for (const char* name : {"Ann Lee", "Bob Zed"}) {
        ContactRecord record = NamedContact(name, "mail@example.com");
        record.setText(Field::SecondEmail, "other@example.com");
        record.setText(Field::WebSite, "http://example.com");
        records << record;
    }
    main_ = OpenMainWindow(env, DatabaseWith(records));
    if (!main_)
        return;
    ClickRow(*main_, 0);
    const QList<quint64> contacts = ListedContacts(*main_);

    auto about = std::make_unique<Taboutbox>(main_.get());
    about->setDatabasePath(env.databasePath());
    auto results = std::make_unique<Tsearchresults>(env.engine(), main_.get());
    results->setResults(QStringLiteral("e"), contacts);
    auto select = std::make_unique<Tselectcontacts>(env.engine(), main_.get());
    select->setAvailableContacts(contacts);
    select->setChosenContacts(contacts.mid(1));
    dialogs_.push_back(std::move(about));
    dialogs_.push_back(std::make_unique<Taddcontactfast>(main_.get()));
    dialogs_.push_back(std::make_unique<Toptions>(main_.get()));
    dialogs_.push_back(std::move(results));
    dialogs_.push_back(std::move(select));
    dialogs_.push_back(std::make_unique<Treportgen>(env.engine(), main_.get()));
    dialogs_.push_back(std::make_unique<Texportcontacts>(env.engine(), main_.get()));
    dialogs_.push_back(
        std::make_unique<Tsyncdialog>(*main_->syncRunner(), env.settings(), main_.get()));
    LastSync last;
    last.when = QDateTime::currentDateTimeUtc();
    last.summary = QStringList{QStringLiteral("Received: 0 new, 1 changed, 0 deleted here.")};
    last.conflicts.append({QStringLiteral("Ann Lee"), QStringLiteral("city"),
                           QStringLiteral("Bergen"), QStringLiteral("Oslo"), true});
    last.serverOnly.append({QStringLiteral("Zoë"), QStringLiteral("a name too long")});
    dialogs_.push_back(std::make_unique<Tlastsyncdialog>(last, main_.get()));
    for (const auto& dialog : dialogs_) {
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get()))
            return;
    }
    ok_ = true;
}

EveryWindow::~EveryWindow() {
    dialogs_.clear();
    main_.reset();
}

QList<QWidget*> EveryWindow::windows() const {
    QList<QWidget*> all{main_.get()};
    for (const auto& dialog : dialogs_)
        all << dialog.get();
    return all;
}

} // namespace quenlark::test
