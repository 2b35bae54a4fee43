#include "forms/syncrunner.h"

#include "engine/codepage.h"
#include "engine/contactrecord.h"
#include "forms/contactlist.h"
#include "forms/keyring.h"
#include "forms/syncdialog.h"
#include "interchange/importedcontact.h"
#include "platform/settingsstore.h"
#include "platform/uiseam.h"
#include "sync/carddavbook.h"
#include "sync/httpclient.h"
#include "sync/synccommands.h"
#include "tools/addressbook.h"
#include "tools/commontools.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QThread>
#include <QUrl>
#include <sys/stat.h>

namespace quenlark {

namespace {

// How often a sync starts again at once because the window wrote the book meanwhile.
constexpr int kMostRetries = 3;
// How long a sync waits before it looks again whether the window is between commands.
constexpr int kWaitMs = 200;

QString text(const std::optional<std::string>& value) {
    return QString::fromStdString(value.value_or(std::string()));
}

bool lookAt(const std::string& path, sync::BookIdentity& identity, std::int64_t& modified) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    identity = {path, std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
    modified = std::int64_t(st.st_mtim.tv_sec);
    return true;
}

// The sync's state lies beside the settings file, where the command line keeps it too.
std::string statePath(const SettingsStore& settings) {
    if (settings.filePath().empty())
        return sync::DefaultSyncStatePath();
    return QFileInfo(QString::fromStdString(settings.filePath()))
        .absoluteDir()
        .filePath(QStringLiteral("sync.sqlite"))
        .toStdString();
}

// The field of a record that a conflict names ("name", "city", "country").
QString fieldValue(const ContactRecord& record, const std::string& label) {
    if (label == "country")
        return CountryName(record.country());
    for (std::size_t i = 0; i < kFieldCount; ++i)
        if (label == FieldLabel(static_cast<Field>(i)))
            return QString::fromStdString(Cp1252ToUtf8(record.text(static_cast<Field>(i))));
    return {};
}

} // namespace

SyncAccountSettings LoadSyncSettings(SettingsStore& settings) {
    SyncAccountSettings values;
    values.url = text(settings.findText(sync::kSyncUrlSetting));
    values.user = text(settings.findText(sync::kSyncUserSetting));
    values.book = text(settings.findText(sync::kSyncBookSetting));
    values.minutes = std::max(0, settings.findNumber(kSyncMinutesSetting).value_or(0));
    values.askPassword = settings.findNumber(kSyncAskPasswordSetting).value_or(0) != 0;
    return values;
}

Result SaveSyncSettings(SettingsStore& settings, const SyncAccountSettings& values) {
    for (const auto& [name, value] : {std::pair{sync::kSyncUrlSetting, &values.url},
                                      std::pair{sync::kSyncUserSetting, &values.user},
                                      std::pair{sync::kSyncBookSetting, &values.book}})
        if (Result stored = settings.storeText(name, value->toStdString()); !stored)
            return stored;
    if (Result stored = settings.storeNumber(kSyncMinutesSetting, values.minutes); !stored)
        return stored;
    return settings.storeNumber(kSyncAskPasswordSetting, values.askPassword ? 1 : 0);
}

// One sync: what the worker thread needs and what it leaves for the window's thread.
struct SyncRunner::Job {
    SyncAccountSettings account;
    std::string bookPath;
    std::uint64_t plannedAt = 0;
    sync::BookSnapshot snapshot;
    sync::SyncState state;
    std::unique_ptr<sync::CurlHttpClient> http;
    std::unique_ptr<sync::CardDavBook> collection;
    std::unique_ptr<sync::Synchroniser> synchroniser;
    std::string stateFile;
    bool allowDeletion = false;
    Result ran;

    // The server part, on the worker thread.
    void run() {
        if (Result opened = state.open(stateFile); !opened) {
            ran = opened;
            return;
        }
        collection = std::make_unique<sync::CardDavBook>(*http, account.book.toStdString());
        synchroniser = std::make_unique<sync::Synchroniser>(
            *collection, state, sync::SyncOptions{account.book.toStdString(), allowDeletion});
        ran = synchroniser->run(snapshot);
    }
};

SyncRunner::SyncRunner(QWidget* window, AddressBook& book, ContactList& list,
                       SettingsStore& settings)
    : QObject(window), window_(window), book_(book), list_(list), settings_(settings) {
    changeDelay_.setSingleShot(true);
    changeDelay_.setInterval(kChangeDelayMs);
    connect(&changeDelay_, &QTimer::timeout, this, [this] { start(Trigger::Automatic); });
    connect(&every_, &QTimer::timeout, this, [this] { start(Trigger::Automatic); });
    // Each command that changed contacts is sent a few seconds later.
    connect(&book_, &AddressBook::contactsChanged, this, [this] {
        if (every_.isActive())
            changeDelay_.start();
    });
    settingsChanged();
    if (every_.isActive())
        QTimer::singleShot(kStartDelayMs, this, [this] { start(Trigger::Automatic); });
}

SyncRunner::~SyncRunner() {
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

void SyncRunner::settingsChanged() {
    const SyncAccountSettings account = LoadSyncSettings(settings_);
    if (account.complete() && account.minutes > 0)
        every_.start(account.minutes * 60'000);
    else {
        every_.stop();
        changeDelay_.stop();
    }
}

bool SyncRunner::passwordFor(const SyncAccountSettings& account, Trigger trigger,
                             QString& password) {
    if (sessionPassword_) {
        password = *sessionPassword_;
        return true;
    }
    if (const QByteArray env = qgetenv("QUENLARK_SYNC_PASSWORD"); !env.isEmpty()) {
        password = QString::fromUtf8(env);
        return true;
    }
    if (!account.askPassword && ReadKeyringPassword(account.user, account.url, password))
        return true;
    // An automatic sync asks only when the person chose to be asked, and once a run at most.
    if (trigger == Trigger::Automatic && (passwordRefused_ || !account.askPassword))
        return false;
    bool given = false;
    const QString typed = QInputDialog::getText(
        window_, QStringLiteral("Synchronise"),
        QStringLiteral("Password of %1 on %2:").arg(account.user, QUrl(account.url).host()),
        QLineEdit::Password, QString(), &given);
    if (!given) {
        passwordRefused_ = true;
        return false;
    }
    passwordRefused_ = false;
    sessionPassword_ = typed;
    password = typed;
    return true;
}

bool SyncRunner::windowBusy() const {
    // A command of the window is under way (a write with its progress, or a question it
    // asks before or after): it may hold positions in the index that a sync would move.
    if (book_.inCommand())
        return true;
    QWidget* modal = QApplication::activeModalWidget();
    return modal && !qobject_cast<Tsyncdialog*>(modal);
}

void SyncRunner::start(Trigger trigger) {
    // A question (the password) is open: a timer's sync meanwhile comes later.
    if (job_ || starting_) {
        again_ = again_ || trigger == Trigger::Automatic;
        return;
    }
    if (trigger == Trigger::Automatic && windowBusy()) {
        QTimer::singleShot(kWaitMs, this, [this] { start(Trigger::Automatic); });
        return;
    }
    trigger_ = trigger;
    const SyncAccountSettings account = LoadSyncSettings(settings_);
    if (!account.complete()) {
        if (trigger == Trigger::Manual)
            finish(false, QStringLiteral("No CardDAV account is set up: give the server's "
                                         "address and your user name, then Check."));
        return;
    }
    auto job = std::make_unique<Job>();
    job->account = account;
    job->allowDeletion = std::exchange(allowDeletion_, false);
    job->stateFile = statePath(settings_);
    job->bookPath = settings_.findText(kActiveAddressBookValue).value_or(std::string());
    QString password;
    starting_ = true;
    const bool havePassword = passwordFor(account, trigger, password);
    starting_ = false;
    if (!havePassword) {
        finish(false, QStringLiteral("There is no password to sign in with: give it in "
                                     "Synchronise..."));
        return;
    }
    job->http = std::make_unique<sync::CurlHttpClient>(sync::HttpAccount{
        account.url.toStdString(), account.user.toStdString(), password.toStdString()});

    // The book as the index has it now, read on this thread: nothing writes it meanwhile.
    const AddressBookEngine& engine = book_.engine();
    if (!lookAt(job->bookPath, job->snapshot.identity, job->snapshot.modified)) {
        finish(false, QStringLiteral("The address book cannot be read."));
        return;
    }
    std::vector<std::int64_t> offsets;
    offsets.reserve(engine.index().size());
    for (const ContactIndexEntry& entry : engine.index())
        offsets.push_back(entry.offset);
    auto stream = engine.StreamContacts(std::move(offsets));
    job->snapshot.records.reserve(stream.count());
    ContactRecord record;
    while (stream.next(record))
        job->snapshot.records.push_back(sync::ContactFields::Of(record));
    job->plannedAt = book_.revision();
    runJob(std::move(job));
}

void SyncRunner::runJob(std::unique_ptr<Job> job) {
    job_ = std::move(job);
    emit started(trigger_);
    thread_ = QThread::create([job = job_.get()] { job->run(); });
    connect(thread_, &QThread::finished, this, &SyncRunner::jobDone, Qt::QueuedConnection);
    thread_->start();
}

void SyncRunner::jobDone() {
    if (thread_) {
        thread_->wait();
        delete thread_;
        thread_ = nullptr;
    }
    // The book changes once the window is between commands.
    if (windowBusy()) {
        QTimer::singleShot(kWaitMs, this, &SyncRunner::jobDone);
        return;
    }
    std::unique_ptr<Job> job = std::move(job_);
    const Result& ran = job->ran;
    if (!ran) {
        const QString why = QString::fromStdString(ran.message());
        if (ran.failure() != Failure::MassDeletion) {
            if (ran.failure() == Failure::WrongPassword)
                sessionPassword_.reset();
            finish(false, QStringLiteral("The sync stopped: %1. The address book was not "
                                         "changed; the next sync finishes the work.")
                              .arg(why));
            return;
        }
        if (trigger_ == Trigger::Automatic) {
            finish(false, QStringLiteral("%1. Nothing was changed: choose Sync now in "
                                         "Synchronise... to decide.")
                              .arg(why));
            return;
        }
        const MsgResult answer =
            Ui().messageBox(window_, QStringLiteral("Synchronise"),
                            QStringLiteral("%1.\n\nGo on and delete them?").arg(why),
                            MsgIcon::Warning, MsgButtons::YesNo);
        if (answer != MsgResult::Yes) {
            finish(false, QStringLiteral("%1. Nothing was changed.").arg(why));
            return;
        }
        allowDeletion_ = true;
        start(Trigger::Manual);
        return;
    }

    // A write of the window since the book was read: that sync's server steps are recorded,
    // and the next one, on the book as it is now, finishes them and sends the write.
    const auto again = [this] {
        if (++retries_ <= kMostRetries) {
            start(trigger_);
            return;
        }
        finish(false, QStringLiteral("The address book kept changing during the sync; the "
                                     "next sync finishes the work."));
    };
    if (job->plannedAt != book_.revision()) {
        again();
        return;
    }
    sync::Synchroniser& synchroniser = *job->synchroniser;
    if (synchroniser.changesBook()) {
        const AddressBookEngine::Batch& batch = synchroniser.bookBatch();
        const auto& index = book_.engine().index();
        const ContactIndexEntry* selected = list_.selectedContact();
        const int selectedAt = selected ? int(selected - index.data()) : -1;
        Result applied = book_.applySync(batch, synchroniser.bookAppends(), job->plannedAt);
        if (!applied) {
            if (applied.failure() == Failure::BookChanged) {
                again();
                return;
            }
            finish(false, QStringLiteral("The address book could not be changed: %1. The next "
                                         "sync finishes the work.")
                              .arg(QString::fromStdString(applied.message())));
            return;
        }
        // Rewrites and removals give every contact a new serial: the selection follows its
        // contact to where it is now.
        if (selectedAt >= 0 && (!batch.rewrites.empty() || !batch.removals.empty())) {
            const int now = AddressBook::PositionAfter(batch, selectedAt);
            if (now >= 0 && std::size_t(now) < book_.engine().index().size())
                list_.choose(book_.engine().index()[std::size_t(now)].serial);
            else
                list_.clearSelection();
        }
    }
    sync::BookIdentity after = job->snapshot.identity;
    std::int64_t modified = 0;
    lookAt(job->bookPath, after, modified);
    if (Result committed = synchroniser.commit(after); !committed) {
        finish(false, QStringLiteral("%1. The next sync finishes the work.")
                          .arg(QString::fromStdString(committed.message())));
        return;
    }
    keepLastSync(synchroniser.summary());
    finish(true, last_.summary.mid(0, 2).join(QLatin1Char(' ')));
}

void SyncRunner::keepLastSync(const sync::SyncSummary& summary) {
    last_ = {};
    last_.when = QDateTime::currentDateTimeUtc();
    for (const std::string& line : sync::SummaryLines(summary))
        last_.summary << QString::fromStdString(line);
    // The value that won is the one the book holds now.
    QHash<QString, ContactRecord> byName;
    for (const sync::SyncConflict& c : summary.conflicts)
        byName.insert(QString::fromStdString(c.contact), ContactRecord());
    for (const ContactIndexEntry& entry : book_.engine().index()) {
        const QString name = QString::fromStdString(Cp1252ToUtf8(entry.name));
        if (auto it = byName.find(name); it != byName.end() && it->text(Field::Name).empty())
            *it = book_.read(entry);
    }
    for (const sync::SyncConflict& c : summary.conflicts) {
        const QString contact = QString::fromStdString(c.contact);
        last_.conflicts.append({contact, QString::fromStdString(c.field.field),
                                fieldValue(byName.value(contact), c.field.field),
                                QString::fromStdString(c.field.lost), c.field.serverWon});
    }
    for (const sync::ServerOnlyContact& c : summary.serverOnly)
        last_.serverOnly.append(
            {QString::fromStdString(c.contact), QString::fromStdString(c.reason)});
    // Settings that cannot be saved keep these in memory; the window has told why already.
    if (settings_.storeText(kSyncLastTimeSetting, last_.when.toString(Qt::ISODate).toStdString()))
        (void)settings_.storeText(kSyncLastSummarySetting,
                                  last_.summary.mid(0, 2).join(QLatin1Char(' ')).toStdString());
}

void SyncRunner::finish(bool ok, const QString& message) {
    retries_ = 0;
    const Trigger trigger = trigger_;
    if (trigger == Trigger::Automatic || shownNotice_.size()) {
        const QString notice = ok ? QString() : message;
        if (notice != shownNotice_) {
            shownNotice_ = notice;
            emit this->notice(notice);
        }
    }
    emit finished(ok, message, trigger);
    if (std::exchange(again_, false))
        start(Trigger::Automatic);
}

} // namespace quenlark
