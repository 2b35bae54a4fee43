// Stores a CardDAV password as the window does, through QtKeychain, so that a test can prove
// the command line reads exactly that item. Usage: keychainwriter USER URL PASSWORD
#include "sync/keyringnames.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <qt6keychain/keychain.h>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    QKeychain::WritePasswordJob job(QString::fromUtf8(quenlark::sync::kKeyringService));
    job.setAutoDelete(false);
    job.setKey(QString::fromStdString(quenlark::sync::KeyringKey(argv[1], argv[2])));
    job.setTextData(QString::fromUtf8(argv[3]));
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    if (job.error() != QKeychain::NoError) {
        std::fprintf(stderr, "keychainwriter: %s\n", qPrintable(job.errorString()));
        return 1;
    }
    return 0;
}
