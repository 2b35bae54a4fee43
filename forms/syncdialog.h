// "Synchronise...": the CardDAV account (server address, user name, password kept in the
// desktop's keyring), Check (finds the address books on the server; one is chosen), Sync now,
// automatic sync every N minutes, and the last sync's time and summary. The settings are those
// of --sync-setup. Alt+H checks, Alt+S syncs, Alt+L shows the last sync, Escape and Alt+O close.
#pragma once

#include "engine/result.h"
#include "forms/quenlarkdialog.h"

#include <QTimer>
#include <memory>

namespace Ui {
class syncdialog;
}

namespace quenlark {

class SettingsStore;
class SyncRunner;

class Tsyncdialog : public QuenlarkDialog {
    Q_OBJECT
public:
    Tsyncdialog(SyncRunner& runner, SettingsStore& settings, QWidget* parent = nullptr);
    ~Tsyncdialog() override;

    // Finds the address books from the address given and keeps the account (and the password
    // in the keyring, or for this run when no keyring answers). False when it failed, with the
    // reason in the status line.
    bool check();
    // Checks first when the account was changed, then starts a sync; its outcome comes to
    // the status line, and a list of conflicts opens when there were any.
    void syncNow();
    void showLastSync();
    // What the status line says.
    QString status() const;

private:
    void loadSettings();
    void saveAutomatic();
    void setStatus(const QString& text);
    void showLastSyncText();
    void setBusy(bool busy);
    bool accountChanged() const;

    SyncRunner& runner_;
    SettingsStore& settings_;
    std::unique_ptr<Ui::syncdialog> ui_;
    QTimer progressDelay_;
    bool loading_ = false;
    bool checking_ = false;
};

// Creates the dialog owned by `owner`, shows it modally and destroys it when it closes.
void RunSyncDialog(SyncRunner& runner, SettingsStore& settings, QWidget* owner);

} // namespace quenlark
