#include "tools/addressbook.h"

#include <QFile>

namespace quenlark {

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

AddressBook::AddressBook(AddressBookEngine& engine, QObject* parent)
    : QObject(parent), engine_(engine) {}

bool AddressBook::open() {
    return engine_.OpenAddressBook();
}

std::int32_t AddressBook::openStatus() const {
    return engine_.GetOpenStatus();
}

const Result& AddressBook::openFailure() const {
    return engine_.openFailure();
}

void AddressBook::close() {
    engine_.CloseAddressBook();
}

void AddressBook::repairFromBackup(const QString& path) {
    engine_.RepairAddressBook(LocalPath(path));
    reload();
}

void AddressBook::setProgressListener(AddressBookEngine::ProgressListener listener) {
    engine_.SetProgressListener(std::move(listener));
}

const ContactIndexEntry* AddressBook::entry(std::uint64_t serial) const {
    return engine_.EntryFromSerial(serial);
}

ContactRecord AddressBook::read(const ContactIndexEntry& entry) const {
    return engine_.ReadContact(entry);
}

AddressBook::ShowProgress::ShowProgress(AddressBook& book, QWidget* owner, const QString& label)
    : book_(book), indicator_(owner, label) {
    book_.setProgressListener(
        [this](std::int64_t done, std::int64_t total) { indicator_.advance(done, total); });
}

AddressBook::ShowProgress::~ShowProgress() {
    book_.setProgressListener({});
}

Result AddressBook::afterWrite(Result result) {
    if (result.failure() == Failure::BookChanged) {
        engine_.LoadContactIndex();
        emit contactsReplaced();
    }
    if (result.hasWarning())
        emit savedWithWarning(QString::fromStdString(result.message()));
    if (pendingScopes_ > 0)
        reloadDue_ = true;
    else
        emit contactsChanged();
    return result;
}

AddressBook::PendingReload::PendingReload(AddressBook& book) : book_(book) {
    ++book_.pendingScopes_;
}

AddressBook::PendingReload::~PendingReload() {
    if (--book_.pendingScopes_ == 0 && book_.reloadDue_) {
        book_.reloadDue_ = false;
        emit book_.contactsChanged();
    }
}

int AddressBook::positionOf(const ContactIndexEntry& entry) const {
    const auto& index = engine_.index();
    if (index.empty() || &entry < index.data() || &entry >= index.data() + index.size())
        return -1;
    return int(&entry - index.data());
}

Result AddressBook::appendContact(const ContactRecord& record) {
    Result written = engine_.AppendContact(record);
    if (written)
        emit contactsAppended(1);
    return afterWrite(std::move(written));
}

Result AddressBook::importContacts(const AddressBookEngine::RecordSource& next,
                                   const AddressBookEngine::Progress& progress) {
    const std::size_t before = engine_.index().size();
    Result written = engine_.AppendContacts(next, progress);
    if (written && engine_.index().size() > before)
        emit contactsAppended(int(engine_.index().size() - before));
    return afterWrite(std::move(written));
}

Result AddressBook::rewriteContact(const ContactIndexEntry& entry, const ContactRecord& record) {
    const int position = positionOf(entry);
    Result written = engine_.RewriteContact(entry, record);
    if (written && position >= 0)
        emit contactRewritten(position);
    return afterWrite(std::move(written));
}

Result AddressBook::deleteContact(const ContactIndexEntry& entry) {
    const int position = positionOf(entry);
    Result written = engine_.DeleteContact(entry);
    if (written && position >= 0)
        emit contactRemoved(position);
    return afterWrite(std::move(written));
}

Result AddressBook::restoreBackup(const QString& path) {
    Result written = engine_.RestoreBackupCopy(LocalPath(path));
    if (written)
        emit contactsReplaced();
    return afterWrite(std::move(written));
}

Result AddressBook::saveBackup(const QString& path) {
    if (isDatabaseFile(path))
        return Result::Fail(Failure::IsDatabase, "The chosen file is the open address book");
    Result saved = engine_.SaveBackupCopy(LocalPath(path));
    if (saved.hasWarning())
        emit savedWithWarning(QString::fromStdString(saved.message()));
    return saved;
}

bool AddressBook::isDatabaseFile(const QString& path) const {
    return !path.isEmpty() && engine_.IsDatabaseFile(LocalPath(path));
}

void AddressBook::reload() {
    engine_.LoadContactIndex();
    emit contactsReplaced();
    emit contactsChanged();
}

} // namespace quenlark
