#include "testenv.h"

#include <QFile>
#include <cstdlib>

namespace quenlark::test {

TestEnv::TestEnv() {
    ::setenv("XDG_CONFIG_HOME", (dir() + QStringLiteral("/config")).toLocal8Bit().constData(), 1);
    ::setenv("XDG_RUNTIME_DIR", dir().toLocal8Bit().constData(), 1);
    settings_ = std::make_unique<SettingsStore>();
    if (const Result stored =
            settings_->storeText(kActiveAddressBookValue, databasePath().toStdString());
        !stored)
        qFatal("Cannot keep the test's settings: %s", stored.message().c_str());
    writeDatabase({});
    sink_ = std::make_unique<SeamMessageSink>();
    engine_ = std::make_unique<AddressBookEngine>(*settings_, *sink_, dir().toStdString());
}

TestEnv::~TestEnv() {
    engine_.reset();
}

QByteArray TestEnv::databaseBytes() const {
    QFile f(databasePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestEnv::writeDatabase(const QByteArray& bytes) const {
    QFile f(databasePath());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

} // namespace quenlark::test
