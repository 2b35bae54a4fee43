// A sandbox for GUI tests: settings, runtime folder and database in a temporary folder, and
// the engine and settings store a window is built on.
#pragma once

#include "engine/addressbookengine.h"
#include "platform/services.h"
#include "platform/settingsstore.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace quenlark::test {

class TestEnv {
public:
    // Creates an empty database file and points the settings at it.
    TestEnv();
    ~TestEnv();

    QString dir() const { return temp_.path(); }
    QString path(const QString& name) const { return dir() + QLatin1Char('/') + name; }
    QString databasePath() const { return path(QStringLiteral("addressbook.qab")); }
    QByteArray databaseBytes() const;
    void writeDatabase(const QByteArray& bytes) const;

    SettingsStore& settings() { return *settings_; }
    AddressBookEngine& engine() { return *engine_; }

private:
    QTemporaryDir temp_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<SeamMessageSink> sink_;
    std::unique_ptr<AddressBookEngine> engine_;
};

} // namespace quenlark::test
