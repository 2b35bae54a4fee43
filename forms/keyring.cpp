#include "forms/keyring.h"

#include "sync/keyringnames.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace quenlark {

namespace {

// A keyring that asks the person to unlock it may take its time; one that hangs may not.
constexpr int kKeyringWaitMs = 60'000;

Result runJob(QKeychain::Job& job) {
    job.setAutoDelete(false);
    job.setInsecureFallback(false); // never a file of plain text
    bool finished = false;
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(kKeyringWaitMs, &loop, &QEventLoop::quit);
    job.start();
    // The window paints meanwhile; what the person types waits for the answer.
    if (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!finished)
        return Result::Fail(Failure::NoConnection, "The keyring did not answer");
    switch (job.error()) {
    case QKeychain::NoError:
        return {};
    case QKeychain::EntryNotFound:
        return Result::Fail(Failure::NotFound, "The keyring holds no password for this account");
    default:
        return Result::Fail(Failure::NoConnection,
                            "No keyring answers (" + job.errorString().toStdString() + ")");
    }
}

QString keyOf(const QString& user, const QString& url) {
    return QString::fromStdString(sync::KeyringKey(user.toStdString(), url.toStdString()));
}

} // namespace

Result ReadKeyringPassword(const QString& user, const QString& url, QString& password) {
    QKeychain::ReadPasswordJob job(QString::fromUtf8(sync::kKeyringService));
    job.setKey(keyOf(user, url));
    Result read = runJob(job);
    if (read)
        password = job.textData();
    return read;
}

Result StoreKeyringPassword(const QString& user, const QString& url, const QString& password) {
    QKeychain::WritePasswordJob job(QString::fromUtf8(sync::kKeyringService));
    job.setKey(keyOf(user, url));
    job.setTextData(password);
    return runJob(job);
}

} // namespace quenlark
