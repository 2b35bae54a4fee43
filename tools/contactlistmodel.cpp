#include "tools/contactlistmodel.h"

#include "engine/addressbookengine.h"
#include "platform/storedtext.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <numeric>
#include <vector>

namespace quenlark {

namespace {

// The person's locale. The C locale has no collation of its own (Qt compares its texts by
// code point, and its sort keys ignore case), so there the common rules of English serve:
// accented letters beside their plain ones, capitals with small letters.
QLocale sortLocale() {
    const QLocale user;
    return user.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : user;
}

QString handleText(quint64 serial) {
    return QString::number(serial);
}

} // namespace

ContactListModel::ContactListModel(const AddressBookEngine& engine, QObject* parent)
    : QAbstractListModel(parent), engine_(engine) {}

int ContactListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant ContactListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const Row& row = rows_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return row.name;
    case SerialRole:
        return row.serial;
    case HandleRole:
        return handleText(row.serial);
    default:
        return {};
    }
}

Qt::ItemFlags ContactListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

bool ContactListModel::makeRow(quint64 serial, Row& row) const {
    const ContactIndexEntry* entry = engine_.EntryFromSerial(serial);
    if (!entry)
        return false;
    row = Row{serial, FromStored(entry->name)};
    return true;
}

void ContactListModel::showWholeIndex() {
    beginResetModel();
    rows_.clear();
    rows_.reserve(qsizetype(engine_.index().size()));
    for (const ContactIndexEntry& entry : engine_.index())
        rows_.append(Row{entry.serial, FromStored(entry.name)});
    endResetModel();
}

void ContactListModel::setContacts(const ContactSerials& serials) {
    beginResetModel();
    rows_.clear();
    rows_.reserve(serials.size());
    Row row;
    for (const quint64 serial : serials)
        if (makeRow(serial, row))
            rows_.append(row);
    endResetModel();
}

ContactSerials ContactListModel::contacts() const {
    ContactSerials serials;
    serials.reserve(rows_.size());
    for (const Row& row : rows_)
        serials.append(row.serial);
    return serials;
}

void ContactListModel::append(quint64 serial) {
    Row row;
    if (!makeRow(serial, row))
        return;
    const int end = int(rows_.size());
    beginInsertRows({}, end, end);
    rows_.append(row);
    endInsertRows();
}

int ContactListModel::appendMissing(const ContactSerials& serials) {
    QSet<quint64> held;
    held.reserve(rows_.size() + serials.size());
    for (const Row& row : rows_)
        held.insert(row.serial);
    QList<Row> added;
    Row row;
    for (const quint64 serial : serials)
        if (!held.contains(serial) && makeRow(serial, row)) {
            held.insert(serial);
            added.append(row);
        }
    if (added.isEmpty())
        return 0;
    // Appended only, so the rows already there keep their places and their selection.
    const int end = int(rows_.size());
    beginInsertRows({}, end, end + int(added.size()) - 1);
    rows_.append(added);
    endInsertRows();
    return int(added.size());
}

bool ContactListModel::contains(quint64 serial) const {
    return rowOf(serial) >= 0;
}

bool ContactListModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > rows_.size())
        return false;
    beginRemoveRows({}, row, row + count - 1);
    rows_.remove(row, count);
    endRemoveRows();
    return true;
}

quint64 ContactListModel::serialAt(int row) const {
    return row >= 0 && row < rows_.size() ? rows_.at(row).serial : 0;
}

const ContactIndexEntry* ContactListModel::entryAt(int row) const {
    return row >= 0 && row < rows_.size() ? engine_.EntryFromSerial(rows_.at(row).serial) : nullptr;
}

int ContactListModel::rowOf(quint64 serial) const {
    for (qsizetype i = 0; i < rows_.size(); ++i)
        if (rows_.at(i).serial == serial)
            return int(i);
    return -1;
}

void ContactListModel::sort(int column, Qt::SortOrder order) {
    if (column != 0)
        return;
    // The sort key of a row is its name, "|" and its handle, collated without regard to
    // case. Each key is turned into its collation bytes once, so the sort compares bytes
    // rather than collating strings again and again.
    QCollator collator(sortLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const std::size_t count = std::size_t(rows_.size());
    std::vector<QCollatorSortKey> keys;
    std::vector<QString> handles;
    keys.reserve(count);
    handles.reserve(count);
    QString key;
    for (const Row& row : rows_) {
        handles.push_back(handleText(row.serial));
        key = row.name;
        key += QLatin1Char('|');
        key += handles.back();
        keys.push_back(collator.sortKey(key));
    }
    std::vector<std::size_t> ordered(count);
    std::iota(ordered.begin(), ordered.end(), std::size_t(0));
    // Keys that the collation weighs alike keep a fixed order: by their handles' texts.
    std::sort(ordered.begin(), ordered.end(), [&](std::size_t a, std::size_t b) {
        const int c = keys[a].compare(keys[b]);
        return c != 0 ? c < 0 : handles[a] < handles[b];
    });
    // Descending is the exact reverse of ascending, ties included.
    if (order == Qt::DescendingOrder)
        std::reverse(ordered.begin(), ordered.end());

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<Row> sorted;
    sorted.reserve(rows_.size());
    for (const std::size_t i : ordered)
        sorted.append(rows_.at(qsizetype(i)));
    // Views' persistent indexes follow their rows.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    std::vector<int> newRow(count);
    for (std::size_t place = 0; place < count; ++place)
        newRow[ordered[place]] = int(place);
    for (const QModelIndex& index : before)
        after.append(index.isValid() ? createIndex(newRow[std::size_t(index.row())], 0)
                                     : QModelIndex());
    rows_ = std::move(sorted);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace quenlark
