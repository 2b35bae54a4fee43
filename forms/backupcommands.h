// The backup button's menu: saving a copy of the address book and restoring one, and
// importing contacts from other address books and exporting them for them.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace Ui {
class mainform;
}

namespace quenlark {

class AddressBook;
class ContactImport;
class ContactList;

// The file filter of backup files: one description and pattern pair.
inline constexpr char kBackupFilter[] = "Quenlark Backup Files\0*.QuenlarkBackup\0";

// Asks for the backup file to restore (it must exist); empty when cancelled. `owner` may be
// none, as at start-up.
QString ChooseBackupToRestore(QWidget* owner, const char* title);

class BackupCommands : public QObject {
    Q_OBJECT
public:
    BackupCommands(QWidget* window, const Ui::mainform& ui, AddressBook& book, ContactList& list);
    ~BackupCommands() override;

    // Saves a copy of the database where the person says; never over the database itself.
    void save();
    // Replaces the database's content by a backup the person picks and tells the outcome;
    // then, at once, the list shows the file's contacts with nothing selected.
    void restore();
    // Writes contacts to a vCard or CSV file for other programs (the export dialog).
    void exportContacts();

signals:
    // "Synchronise..." was chosen.
    void synchroniseRequested();

private:
    QWidget* window_;
    AddressBook& book_;
    ContactList& list_;
    ContactImport* import_ = nullptr;
};

} // namespace quenlark
