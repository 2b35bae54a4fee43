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

void AddressBook::close() {
    engine_.CloseAddressBook();
}

void AddressBook::repairFromBackup(const QString& path) {
    engine_.RepairAddressBook(LocalPath(path));
    reload();
}

const ContactIndexEntry* AddressBook::entry(std::uint64_t serial) const {
    return engine_.EntryFromSerial(serial);
}

ContactRecord AddressBook::read(const ContactIndexEntry& entry) const {
    return engine_.ReadContact(entry);
}

Result AddressBook::afterWrite(Result result) {
    if (pendingScopes_ > 0)
        reloadDue_ = true;
    else
        reload();
    return result;
}

AddressBook::PendingReload::PendingReload(AddressBook& book) : book_(book) {
    ++book_.pendingScopes_;
}

AddressBook::PendingReload::~PendingReload() {
    if (--book_.pendingScopes_ == 0 && book_.reloadDue_) {
        book_.reloadDue_ = false;
        book_.reload();
    }
}

Result AddressBook::appendContact(const ContactRecord& record) {
    return afterWrite(engine_.AppendContact(record));
}

Result AddressBook::rewriteContact(const ContactIndexEntry& entry, const ContactRecord& record) {
    return afterWrite(engine_.RewriteContact(entry, record));
}

Result AddressBook::deleteContact(const ContactIndexEntry& entry) {
    return afterWrite(engine_.DeleteContact(entry));
}

Result AddressBook::restoreBackup(const QString& path) {
    return afterWrite(engine_.RestoreBackupCopy(LocalPath(path)));
}

Result AddressBook::saveBackup(const QString& path) {
    if (isDatabaseFile(path))
        return Result::Fail(Failure::IsDatabase, "The chosen file is the open address book");
    return engine_.SaveBackupCopy(LocalPath(path));
}

bool AddressBook::isDatabaseFile(const QString& path) const {
    return !path.isEmpty() && engine_.IsDatabaseFile(LocalPath(path));
}

void AddressBook::reload() {
    engine_.LoadContactIndex();
    emit contactsChanged();
}

} // namespace quenlark
