// The window's CardDAV sync: the account the settings keep (shared with --sync-setup), the
// password from the keyring or asked for once a run, and each sync's server part on a worker
// thread through the sync core. The book is changed on the window's thread as one change, and
// only when no write of the window came between the reading of the book and the end of the
// server part; otherwise the sync runs again at once and merges that write.
//
// Automatic sync (off by default): at start, every N minutes and a few seconds after each
// local change; it says nothing unless it fails, and a failure is told once through notice().
#pragma once

#include "engine/result.h"
#include "sync/synchroniser.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <optional>

class QThread;
class QWidget;

namespace quenlark {

class AddressBook;
class ContactList;
class SettingsStore;

// The settings beside the account's ("Sync URL", "Sync User", "Sync Address Book").
inline constexpr char kSyncMinutesSetting[] = "Sync Minutes";          // 0: no automatic sync
inline constexpr char kSyncAskPasswordSetting[] = "Sync Ask Password"; // 1: no keyring
inline constexpr char kSyncLastTimeSetting[] = "Sync Last Time";       // ISO 8601, UTC
inline constexpr char kSyncLastSummarySetting[] = "Sync Last Summary";

struct SyncAccountSettings {
    QString url, user, book;
    int minutes = 0;
    bool askPassword = false;
    bool complete() const { return !url.isEmpty() && !user.isEmpty() && !book.isEmpty(); }
};
SyncAccountSettings LoadSyncSettings(SettingsStore& settings);
// Stores every value; a failure says why the file was not written.
Result SaveSyncSettings(SettingsStore& settings, const SyncAccountSettings& values);

// A conflicting field of the last sync with the value kept and the value that lost.
struct ShownConflict {
    QString contact, field, won, lost;
    bool serverWon = true;
};
struct LastSync {
    QDateTime when; // invalid: none this run
    QStringList summary;
    QList<ShownConflict> conflicts;
    QList<QPair<QString, QString>> serverOnly; // contact, reason
};

class SyncRunner : public QObject {
    Q_OBJECT
public:
    enum class Trigger { Manual, Automatic };

    SyncRunner(QWidget* window, AddressBook& book, ContactList& list, SettingsStore& settings);
    ~SyncRunner() override;

    // Starts a sync unless one runs (an automatic one then runs again once it is over).
    // A manual sync asks before a large deletion and for a missing password.
    void start(Trigger trigger);
    bool running() const { return job_ != nullptr; }
    // The settings changed (the sync dialog): the automatic timer follows them.
    void settingsChanged();
    // The password for this run only (no keyring, or the person typed it at set-up).
    void rememberPassword(const QString& password) { sessionPassword_ = password; }
    const std::optional<QString>& sessionPassword() const { return sessionPassword_; }
    const LastSync& lastSync() const { return last_; }

    // For tests: the delay after a local change, and the automatic sync's first start.
    void setChangeDelay(int ms) { changeDelay_.setInterval(ms); }
    static constexpr int kStartDelayMs = 2000;
    static constexpr int kChangeDelayMs = 4000;

signals:
    void started(SyncRunner::Trigger trigger);
    // The outcome: ok, or what went wrong in a sentence.
    void finished(bool ok, const QString& message, SyncRunner::Trigger trigger);
    // Something the person should read in the main window (a failed automatic sync), or an
    // empty text once it no longer holds.
    void notice(const QString& text);

private:
    struct Job;
    bool windowBusy() const;
    bool passwordFor(const SyncAccountSettings& account, Trigger trigger, QString& password);
    void runJob(std::unique_ptr<Job> job);
    void jobDone();
    void finish(bool ok, const QString& message);
    void keepLastSync(const sync::SyncSummary& summary);

    QWidget* window_;
    AddressBook& book_;
    ContactList& list_;
    SettingsStore& settings_;
    std::unique_ptr<Job> job_;
    QThread* thread_ = nullptr;
    Trigger trigger_ = Trigger::Manual;
    bool again_ = false;
    bool starting_ = false;
    bool allowDeletion_ = false;
    int retries_ = 0;
    std::optional<QString> sessionPassword_;
    bool passwordRefused_ = false; // the person cancelled the question: no automatic asking
    QString shownNotice_;
    QTimer every_;
    QTimer changeDelay_;
    LastSync last_;
};

} // namespace quenlark
