#include "forms/syncdialog.h"

#include "controls/quenlarkkeymanager.h"
#include "forms/keyring.h"
#include "forms/lastsyncdialog.h"
#include "forms/syncrunner.h"
#include "platform/settingsstore.h"
#include "sync/discovery.h"
#include "sync/httpclient.h"
#include "ui_syncdialog.h"

#include <QAction>
#include <QEventLoop>
#include <QLocale>
#include <QScopeGuard>
#include <QThread>

namespace quenlark {

namespace {

// Progress shows only for work that lasts longer than this.
constexpr int kProgressDelayMs = 500;

QString bookName(const sync::AddressBookInfo& book) {
    return QString::fromStdString(book.displayName.empty() ? sync::LastSegment(book.url)
                                                           : book.displayName);
}

} // namespace

Tsyncdialog::Tsyncdialog(SyncRunner& runner, SettingsStore& settings, QWidget* parent)
    : QuenlarkDialog(parent), runner_(runner), settings_(settings),
      ui_(std::make_unique<Ui::syncdialog>()) {
    ui_->setupUi(this);
    finishLayout(ui_->titleLabel);
    // Screen readers name the list of address books by its label.
    ui_->bookLabel->setBuddy(ui_->bookBox);
    ui_->keyringNote->hide();
    ui_->syncProgress->hide();
    progressDelay_.setSingleShot(true);
    progressDelay_.setInterval(kProgressDelayMs);
    connect(&progressDelay_, &QTimer::timeout, ui_->syncProgress, &QWidget::show);
    loadSettings();

    connect(ui_->checkButton, &TQuenlarkStdButton::clicked, this, &Tsyncdialog::check);
    connect(ui_->syncNowButton, &TQuenlarkStdButton::clicked, this, &Tsyncdialog::syncNow);
    connect(ui_->lastSyncButton, &TQuenlarkStdButton::clicked, this, &Tsyncdialog::showLastSync);
    connect(ui_->closeButton, &TQuenlarkStdButton::clicked, this, &Tsyncdialog::ok);
    connect(ui_->automaticBox, &QCheckBox::toggled, this, &Tsyncdialog::saveAutomatic);
    connect(ui_->minutesBox, &QSpinBox::valueChanged, this, &Tsyncdialog::saveAutomatic);
    connect(ui_->askPasswordBox, &QCheckBox::toggled, this, &Tsyncdialog::saveAutomatic);
    connect(ui_->bookBox, &QComboBox::currentIndexChanged, this, &Tsyncdialog::saveAutomatic);
    auto* keys = new TQuenlarkKeyManager(this);
    // A focused button takes Enter itself, as a click.
    connect(keys->defaultKey(), &QAction::triggered, this, [this] {
        if (!qobject_cast<TQuenlarkStdButton*>(focusWidget()))
            syncNow();
    });
    connect(keys->cancelKey(), &QAction::triggered, this, &Tsyncdialog::ok);
    connect(keys->altKey('O'), &QAction::triggered, this, &Tsyncdialog::ok);
    connect(keys->altKey('H'), &QAction::triggered, this, &Tsyncdialog::check);
    connect(keys->altKey('S'), &QAction::triggered, this, &Tsyncdialog::syncNow);
    connect(keys->altKey('L'), &QAction::triggered, this, &Tsyncdialog::showLastSync);
    connect(keys->altKey('A'), &QAction::triggered, ui_->askPasswordBox, &QCheckBox::toggle);
    connect(keys->altKey('U'), &QAction::triggered, ui_->automaticBox, &QCheckBox::toggle);

    connect(&runner_, &SyncRunner::started, this, [this] {
        setBusy(true);
        setStatus(QStringLiteral("Synchronising..."));
    });
    connect(&runner_, &SyncRunner::finished, this,
            [this](bool ok, const QString& message, SyncRunner::Trigger trigger) {
                setBusy(false);
                setStatus(ok ? QStringLiteral("In step. %1").arg(message) : message);
                showLastSyncText();
                const LastSync& last = runner_.lastSync();
                if (ok && trigger == SyncRunner::Trigger::Manual &&
                    (!last.conflicts.isEmpty() || !last.serverOnly.isEmpty()))
                    showLastSync();
            });
    if (runner_.running()) {
        setBusy(true);
        setStatus(QStringLiteral("Synchronising..."));
    }
    ui_->serverEdit->setFocus();
}

Tsyncdialog::~Tsyncdialog() = default;

QString Tsyncdialog::status() const {
    return ui_->statusText->text();
}

void Tsyncdialog::setStatus(const QString& text) {
    ui_->statusText->setText(text);
}

void Tsyncdialog::setBusy(bool busy) {
    ui_->syncNowButton->setEnabled(!busy);
    ui_->checkButton->setEnabled(!busy);
    if (busy) {
        progressDelay_.start();
    } else {
        progressDelay_.stop();
        ui_->syncProgress->hide();
    }
}

void Tsyncdialog::loadSettings() {
    loading_ = true;
    const SyncAccountSettings account = LoadSyncSettings(settings_);
    ui_->serverEdit->setText(account.url);
    ui_->userEdit->setText(account.user);
    ui_->askPasswordBox->setChecked(account.askPassword);
    ui_->bookBox->clear();
    if (!account.book.isEmpty())
        ui_->bookBox->addItem(QString::fromStdString(sync::LastSegment(account.book.toStdString())),
                              account.book);
    ui_->automaticBox->setChecked(account.minutes > 0);
    if (account.minutes > 0)
        ui_->minutesBox->setValue(account.minutes);
    if (account.complete() && !account.askPassword)
        ui_->passwordEdit->setPlaceholderText(QStringLiteral("(kept in the keyring)"));
    showLastSyncText();
    loading_ = false;
}

void Tsyncdialog::showLastSyncText() {
    const LastSync& last = runner_.lastSync();
    QDateTime when = last.when;
    QString summary = last.summary.mid(0, 2).join(QLatin1Char(' '));
    if (!when.isValid()) {
        when = QDateTime::fromString(
            QString::fromStdString(settings_.findText(kSyncLastTimeSetting).value_or("")),
            Qt::ISODate);
        summary = QString::fromStdString(settings_.findText(kSyncLastSummarySetting).value_or(""));
    }
    ui_->lastSyncText->setText(
        when.isValid() ? QStringLiteral("%1. %2").arg(
                             QLocale().toString(when.toLocalTime(), QLocale::ShortFormat), summary)
                       : QStringLiteral("Never"));
}

void Tsyncdialog::saveAutomatic() {
    if (loading_)
        return;
    SyncAccountSettings account = LoadSyncSettings(settings_);
    account.minutes = ui_->automaticBox->isChecked() ? ui_->minutesBox->value() : 0;
    account.askPassword = ui_->askPasswordBox->isChecked();
    if (const QString book = ui_->bookBox->currentData().toString(); !book.isEmpty())
        account.book = book;
    if (Result saved = SaveSyncSettings(settings_, account); !saved)
        setStatus(QStringLiteral("The settings cannot be saved: %1")
                      .arg(QString::fromStdString(saved.message())));
    runner_.settingsChanged();
}

bool Tsyncdialog::accountChanged() const {
    const SyncAccountSettings account = LoadSyncSettings(settings_);
    return !account.complete() || account.url != ui_->serverEdit->text().trimmed() ||
           account.user != ui_->userEdit->text().trimmed() || !ui_->passwordEdit->text().isEmpty();
}

bool Tsyncdialog::check() {
    const QString url = ui_->serverEdit->text().trimmed();
    const QString user = ui_->userEdit->text().trimmed();
    if (url.isEmpty() || user.isEmpty()) {
        setStatus(QStringLiteral("Give the server's address and your user name."));
        (url.isEmpty() ? ui_->serverEdit : ui_->userEdit)->setFocus();
        return false;
    }
    if (Result allowed = sync::CheckUrlAllowed(url.toStdString(), url.toStdString()); !allowed) {
        setStatus(QString::fromStdString(allowed.message()));
        return false;
    }
    if (checking_)
        return false;
    // Nothing typed: the password of this run, or the one the keyring keeps, if any.
    QString password = ui_->passwordEdit->text();
    if (password.isEmpty())
        password = runner_.sessionPassword().value_or(QString());
    if (password.isEmpty() && !ui_->askPasswordBox->isChecked() &&
        !ReadKeyringPassword(user, url, password))
        password.clear();
    if (password.isEmpty()) {
        setStatus(QStringLiteral("Give your password."));
        ui_->passwordEdit->setFocus();
        return false;
    }

    // Discovery talks to the server: on a thread of its own, the dialog painting meanwhile.
    checking_ = true;
    const auto done = qScopeGuard([this] { checking_ = false; });
    setBusy(true);
    setStatus(QStringLiteral("Looking for your address books..."));
    sync::Discovery discovery;
    Result found;
    {
        sync::CurlHttpClient http({url.toStdString(), user.toStdString(), password.toStdString()});
        QEventLoop loop;
        QThread* thread = QThread::create(
            [&] { found = sync::DiscoverAddressBooks(http, url.toStdString(), {}, discovery); });
        connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
        setEnabled(false);
        thread->start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        thread->wait();
        delete thread;
        setEnabled(true);
    }
    setBusy(false);
    if (!found) {
        setStatus(QString::fromStdString(found.message()));
        return false;
    }

    loading_ = true;
    ui_->bookBox->clear();
    for (const sync::AddressBookInfo& book : discovery.books)
        ui_->bookBox->addItem(bookName(book), QString::fromStdString(book.url));
    ui_->bookBox->setCurrentIndex(int(discovery.chosen));
    loading_ = false;
    SyncAccountSettings account = LoadSyncSettings(settings_);
    account.url = url;
    account.user = user;
    account.book = ui_->bookBox->currentData().toString();
    account.askPassword = ui_->askPasswordBox->isChecked();
    account.minutes = ui_->automaticBox->isChecked() ? ui_->minutesBox->value() : 0;

    QString kept = QStringLiteral("The password is kept in the keyring.");
    runner_.rememberPassword(password);
    if (!account.askPassword) {
        if (Result stored = StoreKeyringPassword(user, url, password); !stored) {
            // Never a file: without a keyring the password is asked for at each sync.
            ui_->keyringNote->setText(
                QStringLiteral("No keyring answers, so the password cannot be kept: it is "
                               "asked for at each sync, and kept in memory until you close "
                               "the program."));
            ui_->keyringNote->show();
            account.askPassword = true;
            loading_ = true;
            ui_->askPasswordBox->setChecked(true);
            loading_ = false;
            kept = QStringLiteral("No keyring answers: the password is asked for at each sync.");
        }
    } else {
        kept = QStringLiteral("The password is asked for at each sync.");
    }
    ui_->passwordEdit->clear();
    if (Result saved = SaveSyncSettings(settings_, account); !saved) {
        setStatus(QStringLiteral("The account cannot be saved: %1")
                      .arg(QString::fromStdString(saved.message())));
        return false;
    }
    runner_.settingsChanged();
    setStatus(QStringLiteral("Connected as %1. %2 address book%3 found. %4")
                  .arg(user)
                  .arg(discovery.books.size())
                  .arg(discovery.books.size() == 1 ? QString() : QStringLiteral("s"), kept));
    return true;
}

void Tsyncdialog::syncNow() {
    if (runner_.running())
        return;
    if (accountChanged() && !check())
        return;
    runner_.start(SyncRunner::Trigger::Manual);
}

void Tsyncdialog::showLastSync() {
    Tlastsyncdialog dialog(runner_.lastSync(), this);
    dialog.exec();
}

void RunSyncDialog(SyncRunner& runner, SettingsStore& settings, QWidget* owner) {
    const auto dialog = std::make_unique<Tsyncdialog>(runner, settings, owner);
    dialog->exec();
}

} // namespace quenlark
