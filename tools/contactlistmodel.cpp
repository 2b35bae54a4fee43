#include "tools/contactlistmodel.h"

#include "engine/addressbookengine.h"
#include "engine/codepage.h"
#include "platform/storedtext.h"

#include <QLocale>
#include <QSet>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <thread>
#include <unicode/ucol.h>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

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
// Bytes a name's sort key takes, about: the room a block of keys starts with per row.
constexpr std::size_t kKeyBytesGuess = 40;

// Sort keys as QCollator makes them for a locale with Qt::CaseInsensitive: by ICU, the library
// QCollator uses, set up as QCollator sets it up (normalisation on, secondary strength so that
// accents count and case does not, numbers as text, punctuation and blanks not ignored). A
// QCollatorSortKey holds its bytes out of reach, in an allocation of its own; these are
// written one after another into a block, so that a million of them take a few allocations
// rather than two million, and compare as bytes in place.
class NameCollator {
public:
    explicit NameCollator(const QLocale& locale) {
        const QByteArray name = locale.bcp47Name().replace('-', '_').toLatin1();
        UErrorCode status = U_ZERO_ERROR;
        collator_ = ucol_open(name.constData(), &status);
        if (U_FAILURE(status)) {
            // Without the locale's rules (which ICU does not fail for), its root rules.
            status = U_ZERO_ERROR;
            collator_ = ucol_open("", &status);
        }
        if (!collator_)
            return;
        ucol_setAttribute(collator_, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        ucol_setAttribute(collator_, UCOL_STRENGTH, UCOL_SECONDARY, &status);
        ucol_setAttribute(collator_, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
        ucol_setAttribute(collator_, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    }
    ~NameCollator() {
        if (collator_)
            ucol_close(collator_);
    }
    NameCollator(const NameCollator&) = delete;
    NameCollator& operator=(const NameCollator&) = delete;

    // Appends the key of `text` to `block`, with the NUL that ends it (a key holds no other);
    // returns where it starts. Without a collator every key is empty.
    std::size_t appendKey(std::u16string_view text, std::vector<std::uint8_t>& block) const {
        const std::size_t at = block.size();
        std::uint8_t room[512];
        const int length =
            collator_ ? ucol_getSortKey(collator_, reinterpret_cast<const UChar*>(text.data()),
                                        int(text.size()), room, int(sizeof room))
                      : 0;
        if (length <= 0) {
            block.push_back(0);
        } else if (std::size_t(length) <= sizeof room) {
            block.insert(block.end(), room, room + length);
        } else {
            block.resize(at + std::size_t(length));
            ucol_getSortKey(collator_, reinterpret_cast<const UChar*>(text.data()),
                            int(text.size()), block.data() + at, length);
        }
        return at;
    }

private:
    UCollator* collator_ = nullptr;
};

// The text a row is sorted by: its name, "|" and its handle.
std::u16string_view KeyText(std::u16string& key, std::string_view name, quint64 serial) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, serial).ptr;
    key.resize(name.size() + 1 + std::size_t(end - digits));
    char16_t* out = key.data();
    for (const char c : name)
        *out++ = char16_t(Cp1252ToUnicode(static_cast<unsigned char>(c)));
    *out++ = u'|';
    for (const char* d = digits; d != end; ++d)
        *out++ = char16_t(*d);
    return key;
}

// A row being sorted: where it was, and where its key lies in its block, with the key's
// first 16 bytes at hand so that most comparisons look no further.
struct SortedRow {
    std::uint64_t head[2];
    std::uint32_t at;
    std::uint32_t row;

    static SortedRow Of(std::size_t at, std::uint32_t row, const std::vector<std::uint8_t>& block) {
        SortedRow r{{0, 0}, std::uint32_t(at), row};
        // Big-endian, so that the numbers compare as the bytes do; zeros after the key's end.
        bool ended = false;
        for (std::size_t k = 0; k < 16; ++k) {
            const std::uint8_t byte = ended ? 0 : block[at + k];
            ended = ended || byte == 0;
            r.head[k / 8] = r.head[k / 8] << 8 | byte;
        }
        return r;
    }
    static int Compare(const SortedRow& a, const std::vector<std::uint8_t>& aBlock,
                       const SortedRow& b, const std::vector<std::uint8_t>& bBlock) {
        for (int k = 0; k < 2; ++k)
            if (a.head[k] != b.head[k])
                return a.head[k] < b.head[k] ? -1 : 1;
        // A key that ended within its head leaves a zero in its last byte: then both ended.
        if ((a.head[1] & 0xFF) == 0)
            return 0;
        return std::strcmp(reinterpret_cast<const char*>(aBlock.data() + a.at + 16),
                           reinterpret_cast<const char*>(bBlock.data() + b.at + 16));
    }
};

// Whether the decimal text of one serial comes before the other's.
bool HandleTextBefore(quint64 a, quint64 b) {
    char da[24], db[24];
    const auto ea = std::to_chars(da, da + sizeof da, a).ptr;
    const auto eb = std::to_chars(db, db + sizeof db, b).ptr;
    return std::lexicographical_compare(da, ea, db, eb);
}

// Gives the memory freed in the heap back to the system, so that a large sort leaves the
// program no larger than it was.
void ReleaseFreeMemory() {
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}

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
    // The rows' keys, made by two threads, each with a collator of its own, into a block of
    // its own; the window's thread reports the progress. Each half is then sorted by its
    // thread and the two merged.
    const std::size_t half = count >= 2 * kSortProgressStep ? count / 2 : count;
    std::vector<SortedRow> rows(count);
    std::vector<std::uint8_t> blocks[2];
    const auto makeKeys = [&](std::size_t from, std::size_t to, std::vector<std::uint8_t>& block,
                              bool reports) {
        const NameCollator collator(sortLocale());
        block.reserve((to - from) * kKeyBytesGuess);
        std::u16string key;
        for (std::size_t i = from; i < to; ++i) {
            const quint64 serial = serials_.at(qsizetype(i));
            const ContactIndexEntry* entry = engine_.EntryFromSerial(serial);
            const std::u16string_view text =
                KeyText(key, entry ? std::string_view(entry->name) : std::string_view(), serial);
            rows[i] = SortedRow::Of(collator.appendKey(text, block), std::uint32_t(i), block);
            if (reports && progress && (i - from) % kSortProgressStep == 0)
                progress(qint64(2 * (i - from)));
        }
    };
    const auto before = [&](const SortedRow& a, const SortedRow& b) {
        const int c = SortedRow::Compare(a, blocks[a.row >= half], b, blocks[b.row >= half]);
        // Keys that the collation weighs alike keep a fixed order: by their handles' texts.
        return c != 0
                   ? c < 0
                   : HandleTextBefore(serials_.at(qsizetype(a.row)), serials_.at(qsizetype(b.row)));
    };
    const auto middle = rows.begin() + std::ptrdiff_t(half);
    if (half < count) {
        std::thread second([&] {
            makeKeys(half, count, blocks[1], false);
            std::sort(middle, rows.end(), before);
        });
        makeKeys(0, half, blocks[0], true);
        std::sort(rows.begin(), middle, before);
        second.join();
        std::inplace_merge(rows.begin(), middle, rows.end(), before);
    } else {
        makeKeys(0, count, blocks[0], true);
        std::sort(rows.begin(), rows.end(), before);
    }
    // Descending is the exact reverse of ascending, ties included.
    if (order == Qt::DescendingOrder)
        std::reverse(rows.begin(), rows.end());
    // The keys are not needed any more: their memory goes back before the list changes.
    for (std::vector<std::uint8_t>& block : blocks)
        std::vector<std::uint8_t>().swap(block);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<quint64> sorted;
    sorted.reserve(serials_.size());
    for (const SortedRow& row : rows)
        sorted.append(serials_.at(qsizetype(row.row)));
    // Views' persistent indexes follow their rows.
    const QModelIndexList previous = persistentIndexList();
    if (!previous.isEmpty()) {
        std::vector<int> newRow(count);
        for (std::size_t place = 0; place < count; ++place)
            newRow[rows[place].row] = int(place);
        QModelIndexList now;
        now.reserve(previous.size());
        for (const QModelIndex& index : previous)
            now.append(index.isValid() ? createIndex(newRow[std::size_t(index.row())], 0)
                                       : QModelIndex());
        changePersistentIndexList(previous, now);
    }
    std::vector<SortedRow>().swap(rows);
    serials_ = std::move(sorted);
    ReleaseFreeMemory();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace quenlark
