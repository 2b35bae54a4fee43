// The main window's backup and restore commands: the two items of the backup button's menu,
// their file dialogs and messages, and the refreshed list after a restore.
#include "engine/addressbookengine.h"
#include "forms/mainform.h"
#include "platform/services.h"
#include "platform/uiseam.h"
#include "tools/dialog.h"

#include <QAction>
#include <QFile>

namespace quenlark {

namespace {

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

void Tmainform::BindBackup() {
    connect(Savebackupfile1, &QAction::triggered, this,
            [this] { Savebackupfile1Click(Savebackupfile1); });
    connect(Recoverusingabackupfile1, &QAction::triggered, this,
            [this] { Recoverusingabackupfile1Click(Recoverusingabackupfile1); });
}

QString Tmainform::ChooseBackupFile(bool save) {
    TFileDialogRequest request;
    ClearFileDialogRequest(request);
    request.owner = this;
    request.filter = kBackupFilter;
    request.defaultExt = "QuenlarkBackup";
    request.title = save ? "Please select where you want to save the backup to..."
                         : "Please select a backup file you want to restore...";
    request.filterIndex = 0;
    request.flags = save ? 0 : kDialogFileMustExist;
    const bool chosen = save ? ShowSaveDialog(request) : ShowOpenDialog(request);
    return chosen ? request.fileName : QString();
}

void Tmainform::Savebackupfile1Click(QObject*) {
    const QString path = ChooseBackupFile(true);
    if (path.isEmpty())
        return;
    if (Engine().SaveBackupCopy(localPath(path)))
        Ui().messageBox(this, QStringLiteral("Backup complete!"),
                        QStringLiteral("Backup should have been saved sucsessfully."),
                        MsgIcon::Information, MsgButtons::Ok);
    else
        Ui().messageBox(this, QStringLiteral("Failed to perform backup!"),
                        QStringLiteral("Quenlark Address Book failed to save a backup of your "
                                       "database.  Please check the path/filename and try again!"),
                        MsgIcon::Error, MsgButtons::Ok);
}

void Tmainform::Recoverusingabackupfile1Click(QObject*) {
    const QString path = ChooseBackupFile(false);
    if (path.isEmpty())
        return;
    // The engine checks the backup before it touches the database: a file that is not an
    // address book of this version is refused, and the database keeps its contacts.
    if (Engine().RestoreBackupCopy(localPath(path)))
        Ui().messageBox(this, QStringLiteral("Backup complete."),
                        QStringLiteral("It would seem that restoring the backup was sucsessful."),
                        MsgIcon::Information, MsgButtons::Ok);
    else
        Ui().messageBox(this, QStringLiteral("Failed to perform restore!"),
                        QStringLiteral("Quenlark Address Book failed to correctly restore the "
                                       "backup.  Please look in the help file for information on "
                                       "how to manually restore the backup."),
                        MsgIcon::Error, MsgButtons::Ok);
    RefreshAfterChange();
}

} // namespace quenlark
