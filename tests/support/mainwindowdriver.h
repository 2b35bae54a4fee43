// Small steps the window tests take again and again: finding controls by name, opening the
// main window on a database, reading its list, making database files.
#pragma once

#include "engine/contactrecord.h"

#include <QAction>
#include <QByteArray>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QStringList>
#include <QtGlobal>
#include <memory>

class QLineEdit;
class QListView;
class QWidget;

namespace quenlark {
class Tmainform;
}

namespace quenlark::test {

class TestEnv;

// The object of that name inside `parent`; the test program stops when there is none, as a
// misspelt name is a fault of the test.
template <class T = QWidget> T* Child(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("%s has no %s named %s", qPrintable(parent.objectName()),
               T::staticMetaObject.className(), name);
    return child;
}
inline QAction* Action(const QObject& parent, const char* name) {
    return Child<QAction>(parent, name);
}
inline QMenu* Menu(const QObject& parent, const char* name) {
    return Child<QMenu>(parent, name);
}

// Writes the database, builds the main window on it and shows it; nothing when the window
// did not start up or never appeared.
std::unique_ptr<Tmainform> OpenMainWindow(TestEnv& env, const QByteArray& database = {});
// The main window on the sandbox's database as it is, not shown.
std::unique_ptr<Tmainform> MakeMainWindow(TestEnv& env);

// The names a list of contacts shows, top to bottom, and the contacts behind its rows.
QStringList ListedNames(const QListView& list);
QList<quint64> ListedContacts(const QListView& list);
QStringList ListedNames(const Tmainform& window);
QList<quint64> ListedContacts(const Tmainform& window);
// Clicks the row of a list as a person would.
void ClickRow(QListView& list, int row);
void ClickRow(Tmainform& window, int row);

// Empties an edit box with the keyboard and types the text.
void Retype(QLineEdit* box, const QString& text);
// Types any text, characters beyond Latin-1 included, one key press a character.
void TypeText(QWidget* widget, const QString& text);

// The bytes of a database file holding these records, in order.
QByteArray DatabaseWith(const QList<ContactRecord>& records);
// A record with a name and an e-mail address, every other field empty.
ContactRecord NamedContact(const QByteArray& name, const QByteArray& email = {});
// A database of contacts with these names (and no other field).
QByteArray DatabaseOfNames(const QList<QByteArray>& names);
// The records of a database file.
int RecordCount(const QByteArray& file);
ContactRecord RecordAt(const QByteArray& file, int index);
QByteArray FieldOf(const QByteArray& file, int index, Field field);

// The next control after `widget` that Tab stops at.
QWidget* NextTabStop(QWidget* widget);
// The next enabled control after `widget` in the focus chain that can take the focus at
// all: it counts the radio buttons of a group that Tab passes by while another is checked.
QWidget* NextFocusable(QWidget* widget);

} // namespace quenlark::test
