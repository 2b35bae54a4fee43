// Small steps the main window's tests take again and again.
#pragma once

#include "engine/contactrecord.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <memory>

namespace quenlark {
class Tmainform;
}

namespace quenlark::test {

class TestEnv;

// Writes the database, builds the main window on it and shows it; nothing when the window
// did not start up or never appeared.
std::unique_ptr<Tmainform> OpenMainWindow(TestEnv& env, const QByteArray& database);

// The names the contact list shows, top to bottom ("<stale>" for a handle that names no
// contact).
QStringList ListedNames(const Tmainform& window);
// Clicks the contact list's row as a person would.
void ClickRow(Tmainform& window, int row);
// The bytes of a database file holding these records, in order.
QByteArray DatabaseWith(const QList<ContactRecord>& records);
// A record with a name and an e-mail address, every other field empty.
ContactRecord NamedContact(const QByteArray& name, const QByteArray& email = {});

} // namespace quenlark::test
