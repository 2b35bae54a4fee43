// Small steps the main window's tests take again and again.
#pragma once

#include "engine/contactrecord.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace quenlark {
class Tmainform;
}

namespace quenlark::test {

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
