// The main window's Sort menu: reorders the contact list by name, ascending or
// descending. Only the list changes; the file and the contact index keep file order.
#include "engine/addressbookengine.h"
#include "forms/mainform.h"
#include "forms/popupmenus.h"
#include "platform/services.h"
#include "platform/storedtext.h"
#include "platform/uiseam.h"

#include <QAction>
#include <QCollator>
#include <QCollatorSortKey>
#include <QStringListModel>
#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace quenlark {

namespace {

// The user's locale. The C locale has no collation of its own (Qt compares its texts by
// code point, and its sort keys ignore case), so there the common rules of English serve:
// accented letters beside their plain ones, capitals with small letters.
QLocale sortLocale() {
    const QLocale user;
    return user.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : user;
}

} // namespace

void Tmainform::BindSort() {
    for (QAction* item : {Ascending1, Descending1})
        connect(item, &QAction::triggered, this, [this, item] { SortItemClick(item); });
}

void Tmainform::SortItemClick(QObject* Sender) {
    const QStringList items = contactsModel_->stringList();
    if (items.isEmpty()) {
        Ui().messageBox(this, QStringLiteral("Cannot sort!"),
                        QStringLiteral("No sorting will occur because your address book is empty!"),
                        MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    const auto* action = qobject_cast<const QAction*>(Sender);
    const bool ascending = action && MenuItemTag(action) == 1;

    // The sort key of an item is its name, "|" and its handle, collated in the user's
    // locale without regard to case. Each key is turned into its collation bytes once, so
    // the sort compares bytes rather than collating strings again and again.
    QCollator collator(sortLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const AddressBookEngine& engine = Engine();
    const qsizetype count = items.size();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(count));
    QString key;
    for (const QString& handle : items) {
        const ContactIndexEntry* entry = engine.EntryFromHandle(handle.toStdString());
        key = entry ? FromStored(entry->name) : QString();
        key += QLatin1Char('|');
        key += handle;
        keys.push_back(collator.sortKey(key));
    }
    std::vector<qsizetype> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), qsizetype(0));
    // Keys that the collation weighs alike keep a fixed order: by their handles' texts.
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int c = keys[std::size_t(a)].compare(keys[std::size_t(b)]);
        return c != 0 ? c < 0 : items.at(a) < items.at(b);
    });
    if (!ascending)
        std::reverse(order.begin(), order.end());

    QStringList sorted;
    sorted.reserve(count);
    for (const qsizetype i : order)
        sorted.append(items.at(i));

    ui_->contacts->setUpdatesEnabled(false);
    contactsModel_->setStringList(sorted);
    ui_->contacts->setUpdatesEnabled(true);

    Label15Click(Sender); // Select nothing
}

} // namespace quenlark
