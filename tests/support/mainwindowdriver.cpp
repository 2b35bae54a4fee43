#include "mainwindowdriver.h"

#include "forms/mainform.h"
#include "testenv.h"
#include "tools/contactlistmodel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <cstring>

namespace quenlark::test {

std::unique_ptr<Tmainform> MakeMainWindow(TestEnv& env) {
    return std::make_unique<Tmainform>(env.engine(), env.settings());
}

std::unique_ptr<Tmainform> OpenMainWindow(TestEnv& env, const QByteArray& database) {
    env.writeDatabase(database);
    auto w = MakeMainWindow(env);
    if (!w->startedUp())
        return nullptr;
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return nullptr;
    return w;
}

QStringList ListedNames(const QListView& list) {
    QStringList names;
    const QAbstractItemModel* model = list.model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data(Qt::DisplayRole).toString();
    return names;
}

QList<quint64> ListedContacts(const QListView& list) {
    QList<quint64> contacts;
    const QAbstractItemModel* model = list.model();
    for (int row = 0; row < model->rowCount(); ++row)
        contacts << model->index(row, 0).data(ContactListModel::SerialRole).toULongLong();
    return contacts;
}

QStringList ListedNames(const Tmainform& window) {
    return ListedNames(*Child<QListView>(window, "contacts"));
}

QList<quint64> ListedContacts(const Tmainform& window) {
    return ListedContacts(*Child<QListView>(window, "contacts"));
}

void ClickRow(QListView& list, int row) {
    const QRect r = list.visualRect(list.model()->index(row, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, r.center());
}

void ClickRow(Tmainform& window, int row) {
    ClickRow(*Child<QListView>(window, "contacts"), row);
}

void Retype(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

QByteArray DatabaseWith(const QList<ContactRecord>& records) {
    const auto header = MakeHeader();
    QByteArray bytes(header.data(), int(header.size()));
    for (const ContactRecord& r : records)
        bytes.append(r.bytes.data(), int(r.bytes.size()));
    return bytes;
}

ContactRecord NamedContact(const QByteArray& name, const QByteArray& email) {
    ContactRecord r;
    ClearContactRecord(r);
    r.setText(Field::Name, name.toStdString());
    r.setText(Field::Email, email.toStdString());
    return r;
}

QByteArray DatabaseOfNames(const QList<QByteArray>& names) {
    QList<ContactRecord> records;
    for (const QByteArray& name : names)
        records << NamedContact(name);
    return DatabaseWith(records);
}

int RecordCount(const QByteArray& file) {
    return int((std::size_t(file.size()) - kHeaderSize) / kRecordSize);
}

ContactRecord RecordAt(const QByteArray& file, int index) {
    ContactRecord r;
    std::memcpy(r.bytes.data(), file.constData() + kHeaderSize + std::size_t(index) * kRecordSize,
                kRecordSize);
    return r;
}

QByteArray FieldOf(const QByteArray& file, int index, Field field) {
    return QByteArray::fromStdString(RecordAt(file, index).text(field));
}

QWidget* NextTabStop(QWidget* widget) {
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && (!(next->focusPolicy() & Qt::TabFocus) || !next->isEnabled()))
        next = next->nextInFocusChain();
    return next;
}

QWidget* NextFocusable(QWidget* widget) {
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && (next->focusPolicy() == Qt::NoFocus || !next->isEnabled()))
        next = next->nextInFocusChain();
    return next;
}

} // namespace quenlark::test
