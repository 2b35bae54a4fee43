// The open address book as the windows see it: every change they make to the database goes
// through here, and contactsChanged() then tells the lists to show what the file holds.
#pragma once

#include "engine/addressbookengine.h"

#include <QObject>
#include <QString>
#include <cstdint>

namespace quenlark {

class AddressBook : public QObject {
    Q_OBJECT
public:
    explicit AddressBook(AddressBookEngine& engine, QObject* parent = nullptr);

    const AddressBookEngine& engine() const { return engine_; }

    // Opening and closing the database, as the engine does it: OpenAddressBook's status
    // tells why an open failed, and an error it cannot recover from escapes as an
    // exception. A repair from a backup tells its outcome itself and leaves the database
    // closed.
    bool open();
    std::int32_t openStatus() const;
    void close();
    void repairFromBackup(const QString& path);
    // The contact with that serial in the current index, or nullptr.
    const ContactIndexEntry* entry(std::uint64_t serial) const;
    // The entry's record; what cannot be read is zero-filled.
    ContactRecord read(const ContactIndexEntry& entry) const;

    // The writes. Each is on the disk when it succeeds; whatever the outcome, the index is
    // read again from the file and contactsChanged() follows.
    Result appendContact(const ContactRecord& record);
    Result rewriteContact(const ContactIndexEntry& entry, const ContactRecord& record);
    Result deleteContact(const ContactIndexEntry& entry);
    Result restoreBackup(const QString& path);

    // Copies the database to `path`; the database itself is never written over
    // (Failure::IsDatabase). The index does not change.
    Result saveBackup(const QString& path);
    // True when `path` names the open database, through any link.
    bool isDatabaseFile(const QString& path) const;

    // Reads the index from the file again and announces it.
    void reload();

    // While one lives, the writes leave the index alone; it is read again when the last
    // one goes, so that a command can tell the outcome before the lists change.
    class PendingReload {
    public:
        explicit PendingReload(AddressBook& book);
        ~PendingReload();
        PendingReload(const PendingReload&) = delete;
        PendingReload& operator=(const PendingReload&) = delete;

    private:
        AddressBook& book_;
    };

signals:
    // The index was read again: earlier serials may name nothing now.
    void contactsChanged();

private:
    Result afterWrite(Result result);

    AddressBookEngine& engine_;
    int pendingScopes_ = 0;
    bool reloadDue_ = false;
};

// The path in the form the engine takes.
std::string LocalPath(const QString& path);

} // namespace quenlark
