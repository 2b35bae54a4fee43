#include "forms/backupcommands.h"

#include "controls/quenlarkstdbutton.h"
#include "forms/bookmessages.h"
#include "forms/contactimport.h"
#include "forms/contactlist.h"
#include "forms/exportcontacts.h"
#include "forms/popupmenus.h"
#include "platform/uiseam.h"
#include "tools/addressbook.h"
#include "tools/dialog.h"
#include "ui_mainform.h"

#include <QAction>
#include <QMenu>

namespace quenlark {

namespace {

constexpr char kBackupExtension[] = "QuenlarkBackup";

} // namespace

QString ChooseBackupToRestore(QWidget* owner, const char* title) {
    TFileDialogRequest request;
    ClearFileDialogRequest(request);
    request.owner = owner;
    request.filter = kBackupFilter;
    request.defaultExt = kBackupExtension;
    request.title = title;
    request.filterIndex = 0;
    request.flags = kDialogFileMustExist;
    return ShowOpenDialog(request) ? request.fileName : QString();
}

BackupCommands::BackupCommands(QWidget* window, const Ui::mainform& ui, AddressBook& book,
                               ContactList& list)
    : window_(window), book_(book), list_(list) {
    QMenu* menu = NewOwnerDrawnMenu(window_);
    menu->setObjectName(QStringLiteral("backupMenu"));
    SetMenuCentred(menu, true);
    SetAutoHotkeys(menu, true);
    QAction* saveItem = AddMenuItem(menu, QStringLiteral("&Save backup file"));
    saveItem->setObjectName(QStringLiteral("saveBackupItem"));
    QAction* restoreItem = AddMenuItem(menu, QStringLiteral("&Recover using a backup file"));
    restoreItem->setObjectName(QStringLiteral("restoreBackupItem"));
    // Contacts from and for other address books come after the backup items.
    AddMenuSeparator(menu);
    QAction* importItem = AddMenuItem(menu, QStringLiteral("&Import contacts..."));
    importItem->setObjectName(QStringLiteral("importContactsItem"));
    QAction* exportItem = AddMenuItem(menu, QStringLiteral("&Export contacts..."));
    exportItem->setObjectName(QStringLiteral("exportContactsItem"));
    // Keeping the book in step with a CardDAV server, behind a separator of its own.
    AddMenuSeparator(menu);
    QAction* syncItem = AddMenuItem(menu, QStringLiteral("S&ynchronise..."));
    syncItem->setObjectName(QStringLiteral("synchroniseItem"));
    connect(syncItem, &QAction::triggered, this, &BackupCommands::synchroniseRequested);
    import_ = new ContactImport(window_, book_);
    connect(saveItem, &QAction::triggered, this, &BackupCommands::save);
    connect(restoreItem, &QAction::triggered, this, &BackupCommands::restore);
    connect(importItem, &QAction::triggered, import_, &ContactImport::run);
    connect(exportItem, &QAction::triggered, this, &BackupCommands::exportContacts);
    ui.backupButton->SetDropDown(menu);
}

BackupCommands::~BackupCommands() = default;

void BackupCommands::save() {
    TFileDialogRequest request;
    ClearFileDialogRequest(request);
    request.owner = window_;
    request.filter = kBackupFilter;
    request.defaultExt = kBackupExtension;
    request.title = "Please select where you want to save the backup to...";
    request.filterIndex = 0;
    request.flags = 0;
    if (!ShowSaveDialog(request))
        return;
    Result saved;
    {
        const AddressBook::ShowProgress progress(book_, window_,
                                                 QStringLiteral("Saving the backup..."));
        saved = book_.saveBackup(request.fileName);
    }
    // "sucsessfully" is the word the program has always shown.
    if (saved)
        Ui().messageBox(window_, QStringLiteral("Backup complete!"),
                        QStringLiteral("Backup should have been saved sucsessfully."),
                        MsgIcon::Information, MsgButtons::Ok);
    else
        TellWriteFailed(window_, saved, QStringLiteral("Failed to perform backup!"),
                        QStringLiteral("Quenlark Address Book failed to save a backup of your "
                                       "database.  Please check the path/filename and try again!"));
}

void BackupCommands::restore() {
    const QString path =
        ChooseBackupToRestore(window_, "Please select a backup file you want to restore...");
    if (path.isEmpty())
        return;
    // The engine checks the backup before it touches the database: a file that is not an
    // address book of this version is refused, and the database keeps its contacts.
    // The list keeps what it shows, and the panel its contact, until the outcome is told;
    // then both show the file's contacts, none selected, at once.
    const AddressBook::PendingReload refresh(book_);
    list_.holdUntilChanged();
    Result restored;
    {
        const AddressBook::ShowProgress progress(book_, window_,
                                                 QStringLiteral("Restoring the backup..."));
        restored = book_.restoreBackup(path);
    }
    if (restored)
        Ui().messageBox(window_, QStringLiteral("Backup complete."),
                        QStringLiteral("It would seem that restoring the backup was sucsessful."),
                        MsgIcon::Information, MsgButtons::Ok);
    else
        TellWriteFailed(window_, restored, QStringLiteral("Failed to perform restore!"),
                        QStringLiteral("Quenlark Address Book failed to correctly restore the "
                                       "backup.  Please look in the help file for information on "
                                       "how to manually restore the backup."));
}

void BackupCommands::exportContacts() {
    RunContactExport(book_.engine(), window_);
}

} // namespace quenlark
