#include "tools/contactlistmodel.h"

#include "engine/addressbookengine.h"
#include "platform/storedtext.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <numeric>
#include <optional>
#include <thread>
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

// Rows between two reports of a sort's progress.
constexpr qint64 kSortProgressStep = 20000;

} // namespace

ContactListModel::ContactListModel(const AddressBookEngine& engine, QObject* parent)
    : QAbstractListModel(parent), engine_(engine) {}

int ContactListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return wholeIndex_ ? wholeCount_ : int(serials_.size());
}

QVariant ContactListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const ContactIndexEntry* entry = entryAt(index.row());
    if (!entry)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return FromStored(entry->name);
    case SerialRole:
        return quint64(entry->serial);
    case HandleRole:
        return handleText(entry->serial);
    default:
        return {};
    }
}

Qt::ItemFlags ContactListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

void ContactListModel::showWholeIndex() {
    beginResetModel();
    serials_.clear();
    serials_.squeeze();
    wholeIndex_ = true;
    wholeCount_ = int(engine_.index().size());
    endResetModel();
}

void ContactListModel::holdSerials() {
    if (!wholeIndex_)
        return;
    const auto& index = engine_.index();
    const auto count = std::min<std::size_t>(std::size_t(wholeCount_), index.size());
    serials_.clear();
    serials_.reserve(qsizetype(count));
    for (std::size_t i = 0; i < count; ++i)
        serials_.append(index[i].serial);
    wholeIndex_ = false;
    wholeCount_ = 0;
}

void ContactListModel::setContacts(const ContactSerials& serials) {
    beginResetModel();
    wholeIndex_ = false;
    wholeCount_ = 0;
    serials_.clear();
    serials_.reserve(serials.size());
    for (const quint64 serial : serials)
        if (engine_.EntryFromSerial(serial))
            serials_.append(serial);
    endResetModel();
}

ContactSerials ContactListModel::contacts() const {
    if (!wholeIndex_)
        return serials_;
    ContactSerials serials;
    serials.reserve(wholeCount_);
    for (int row = 0; row < wholeCount_; ++row)
        serials.append(serialAt(row));
    return serials;
}

void ContactListModel::append(quint64 serial) {
    if (!engine_.EntryFromSerial(serial))
        return;
    holdSerials();
    const int end = int(serials_.size());
    beginInsertRows({}, end, end);
    serials_.append(serial);
    endInsertRows();
}

int ContactListModel::appendMissing(const ContactSerials& serials) {
    holdSerials();
    QSet<quint64> held;
    held.reserve(serials_.size() + serials.size());
    for (const quint64 serial : serials_)
        held.insert(serial);
    ContactSerials added;
    for (const quint64 serial : serials)
        if (!held.contains(serial) && engine_.EntryFromSerial(serial)) {
            held.insert(serial);
            added.append(serial);
        }
    if (added.isEmpty())
        return 0;
    // Appended only, so the rows already there keep their places and their selection.
    const int end = int(serials_.size());
    beginInsertRows({}, end, end + int(added.size()) - 1);
    serials_.append(added);
    endInsertRows();
    return int(added.size());
}

bool ContactListModel::contains(quint64 serial) const {
    return rowOf(serial) >= 0;
}

bool ContactListModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > rowCount())
        return false;
    holdSerials();
    beginRemoveRows({}, row, row + count - 1);
    serials_.remove(row, count);
    endRemoveRows();
    return true;
}

void ContactListModel::followAppend(int count) {
    if (!wholeIndex_ || count <= 0) {
        showWholeIndex();
        return;
    }
    const int end = wholeCount_;
    beginInsertRows({}, end, end + count - 1);
    wholeCount_ = int(engine_.index().size());
    endInsertRows();
}

void ContactListModel::followRewrite(int position) {
    if (!wholeIndex_) {
        showWholeIndex();
        return;
    }
    const QModelIndex changed = index(position, 0);
    emit dataChanged(changed, changed);
}

void ContactListModel::followRemoval(int position) {
    if (!wholeIndex_ || position < 0 || position >= wholeCount_) {
        showWholeIndex();
        return;
    }
    beginRemoveRows({}, position, position);
    wholeCount_ = int(engine_.index().size());
    endRemoveRows();
}

quint64 ContactListModel::serialAt(int row) const {
    const ContactIndexEntry* entry = entryAt(row);
    return entry ? entry->serial : 0;
}

const ContactIndexEntry* ContactListModel::entryAt(int row) const {
    if (row < 0)
        return nullptr;
    if (wholeIndex_) {
        const auto& index = engine_.index();
        return row < wholeCount_ && std::size_t(row) < index.size() ? &index[std::size_t(row)]
                                                                    : nullptr;
    }
    return row < serials_.size() ? engine_.EntryFromSerial(serials_.at(row)) : nullptr;
}

int ContactListModel::rowOf(quint64 serial) const {
    if (wholeIndex_) {
        const ContactIndexEntry* entry = engine_.EntryFromSerial(serial);
        if (!entry)
            return -1;
        const auto row = int(entry - engine_.index().data());
        return row < wholeCount_ ? row : -1;
    }
    const qsizetype row = serials_.indexOf(serial);
    return row < 0 ? -1 : int(row);
}

void ContactListModel::sort(int column, Qt::SortOrder order) {
    if (column == 0)
        sortByName(order, {});
}

void ContactListModel::sortByName(Qt::SortOrder order,
                                  const std::function<void(qint64 done)>& progress) {
    holdSerials();
    const std::size_t count = std::size_t(serials_.size());
    // The sort key of a row is its name, "|" and its handle, collated without regard to
    // case. Each key is turned into its collation bytes once, so the sort compares bytes
    // rather than collating strings again and again. The keys are made by two threads, each
    // with a collator of its own; the window's thread reports the progress.
    std::vector<std::optional<QCollatorSortKey>> keys(count);
    std::vector<QString> handles(count);
    const auto makeKeys = [&](std::size_t from, std::size_t to, bool reports) {
        QCollator collator(sortLocale());
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        QString key;
        for (std::size_t i = from; i < to; ++i) {
            const ContactIndexEntry* entry = engine_.EntryFromSerial(serials_.at(qsizetype(i)));
            handles[i] = handleText(serials_.at(qsizetype(i)));
            key = entry ? FromStored(entry->name) : QString();
            key += QLatin1Char('|');
            key += handles[i];
            keys[i].emplace(collator.sortKey(key));
            if (reports && progress && (i - from) % kSortProgressStep == 0)
                progress(qint64(2 * (i - from)));
        }
    };
    const std::size_t half = count / 2;
    std::thread second;
    if (count >= 2 * kSortProgressStep)
        second = std::thread(makeKeys, half, count, false);
    makeKeys(0, second.joinable() ? half : count, true);
    if (second.joinable())
        second.join();

    std::vector<std::size_t> ordered(count);
    std::iota(ordered.begin(), ordered.end(), std::size_t(0));
    // Keys that the collation weighs alike keep a fixed order: by their handles' texts.
    const auto before = [&](std::size_t a, std::size_t b) {
        const int c = keys[a]->compare(*keys[b]);
        return c != 0 ? c < 0 : handles[a] < handles[b];
    };
    // Each half sorted by a thread of its own, then the two merged.
    const auto middle = ordered.begin() + std::ptrdiff_t(half);
    if (count >= 2 * kSortProgressStep) {
        std::thread other([&] { std::sort(middle, ordered.end(), before); });
        std::sort(ordered.begin(), middle, before);
        other.join();
        std::inplace_merge(ordered.begin(), middle, ordered.end(), before);
    } else {
        std::sort(ordered.begin(), ordered.end(), before);
    }
    // Descending is the exact reverse of ascending, ties included.
    if (order == Qt::DescendingOrder)
        std::reverse(ordered.begin(), ordered.end());

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<quint64> sorted;
    sorted.reserve(serials_.size());
    for (const std::size_t i : ordered)
        sorted.append(serials_.at(qsizetype(i)));
    // Views' persistent indexes follow their rows.
    const QModelIndexList previous = persistentIndexList();
    QModelIndexList now;
    now.reserve(previous.size());
    std::vector<int> newRow(count);
    for (std::size_t place = 0; place < count; ++place)
        newRow[ordered[place]] = int(place);
    for (const QModelIndex& index : previous)
        now.append(index.isValid() ? createIndex(newRow[std::size_t(index.row())], 0)
                                   : QModelIndex());
    serials_ = std::move(sorted);
    changePersistentIndexList(previous, now);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace quenlark
