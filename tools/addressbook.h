// The open address book as the windows see it: every change they make to the database goes
// through here. The engine keeps its index current through each change; the signals tell
// the lists what changed at once, and contactsChanged() follows once the command that made
// the change has told its outcome.
#pragma once

#include "engine/addressbookengine.h"
#include "tools/busyindicator.h"

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
    // tells why an open failed, and openFailure() the cause. A repair from a backup tells
    // its outcome itself and leaves the database closed.
    bool open();
    std::int32_t openStatus() const;
    const Result& openFailure() const;
    void close();
    void repairFromBackup(const QString& path);
    // The contact with that serial in the current index, or nullptr.
    const ContactIndexEntry* entry(std::uint64_t serial) const;
    // The entry's record; what cannot be read is zero-filled.
    ContactRecord read(const ContactIndexEntry& entry) const;

    // The writes. Each is on the disk when it succeeds, and the index shows it at once;
    // whatever the outcome, contactsChanged() follows. When another program changed the
    // file since it was read (Failure::BookChanged), nothing is written and the index is
    // read again at once (contactsReplaced()), so that no position from before is used.
    Result appendContact(const ContactRecord& record);
    Result rewriteContact(const ContactIndexEntry& entry, const ContactRecord& record);
    Result deleteContact(const ContactIndexEntry& entry);
    Result restoreBackup(const QString& path);
    // Appends the records `next` gives as one change (all or none); `progress` may cancel.
    Result importContacts(const AddressBookEngine::RecordSource& next,
                          const AddressBookEngine::Progress& progress);

    // Copies the database to `path`; the database itself is never written over
    // (Failure::IsDatabase). The index does not change.
    Result saveBackup(const QString& path);
    // True when `path` names the open database, through any link.
    bool isDatabaseFile(const QString& path) const;

    // Reads the index from the file again and announces it.
    void reload();
    // Work that may take a while (reading the index, copying the book) tells how far it has
    // come through this; nothing by default.
    void setProgressListener(AddressBookEngine::ProgressListener listener);

    // While one lives, contactsChanged() waits; it comes when the last one goes, so that a
    // command can tell its outcome before the lists select nothing.
    class PendingReload {
    public:
        explicit PendingReload(AddressBook& book);
        ~PendingReload();
        PendingReload(const PendingReload&) = delete;
        PendingReload& operator=(const PendingReload&) = delete;

    private:
        AddressBook& book_;
    };

    // While one lives, long work on the book (reading the index, copying it for a delete, a
    // restore, a repair or a backup) shows its progress in a dialog owned by `owner`.
    class ShowProgress {
    public:
        ShowProgress(AddressBook& book, QWidget* owner, const QString& label);
        ~ShowProgress();
        ShowProgress(const ShowProgress&) = delete;
        ShowProgress& operator=(const ShowProgress&) = delete;

    private:
        AddressBook& book_;
        BusyIndicator indicator_;
    };

signals:
    // `count` contacts were added at the end of the index.
    void contactsAppended(int count);
    // The contact at `position` of the index was rewritten; it keeps its serial.
    void contactRewritten(int position);
    // The contact at `position` is gone; later ones moved up and keep their serials.
    void contactRemoved(int position);
    // Every contact is new (a restore, a repair, the index read again): earlier serials
    // name nothing now.
    void contactsReplaced();
    // A command that changes contacts is over, whatever its outcome: lists show the file's
    // contacts in file order, none selected.
    void contactsChanged();
    // A change or a backup is made and final, but a flush after that point failed (the
    // folder's, say): the person should hear `why`, though nothing needs doing again.
    void savedWithWarning(const QString& why);

private:
    Result afterWrite(Result result);
    // Where `entry` lies in the index, or -1 when it is not one of its entries.
    int positionOf(const ContactIndexEntry& entry) const;

    AddressBookEngine& engine_;
    int pendingScopes_ = 0;
    bool reloadDue_ = false;
};

// The path in the form the engine takes.
std::string LocalPath(const QString& path);

} // namespace quenlark
