#include "mainwindowdriver.h"

#include "forms/mainform.h"
#include "platform/services.h"
#include "platform/storedtext.h"
#include "testenv.h"

#include <QListView>
#include <QStringListModel>
#include <QTest>

namespace quenlark::test {

std::unique_ptr<Tmainform> OpenMainWindow(TestEnv& env, const QByteArray& database) {
    env.writeDatabase(database);
    auto w = std::make_unique<Tmainform>();
    if (!w->startedUp())
        return nullptr;
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return nullptr;
    return w;
}

QStringList ListedNames(const Tmainform& window) {
    QStringList names;
    for (const QString& handle : window.contactsModel()->stringList()) {
        const ContactIndexEntry* e = Engine().EntryFromHandle(handle.toStdString());
        names << (e ? FromStored(e->name) : QStringLiteral("<stale>"));
    }
    return names;
}

void ClickRow(Tmainform& window, int row) {
    QListView* list = window.ui()->contacts;
    const QRect r = list->visualRect(window.contactsModel()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
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

} // namespace quenlark::test
