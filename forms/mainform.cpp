#include "forms/mainform.h"

#include "engine/addressbookengine.h"
#include "platform/services.h"
#include "platform/uiseam.h"
#include "tools/dialog.h"

#include <exception>

namespace quenlark {

Tmainform* mainform = nullptr;

namespace {

constexpr char kBackupFilter[] = "Quenlark Backup Files\0*.QuenlarkBackup\0";

QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

} // namespace

Tmainform::Tmainform(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setWindowTitle(QStringLiteral("Quenlark Address Book"));
    setFixedSize(668, 356);
    FormCreate();
}

Tmainform::~Tmainform() {
    FormDestroy();
}

void Tmainform::FormCreate() {
    AddressBookEngine& engine = Engine();
    try {
        for (;;) {
            if (engine.OpenAddressBook())
                break;
            switch (engine.GetOpenStatus()) {
            case StatusNotADatabase: {
                if (Ui().messageBox(nullptr, latin1("Restore backup?"),
                                    latin1("Sorry but your database is not a valid one.  Would you "
                                           "like to specify a backup to restore?"),
                                    MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
                    return;
                TFileDialogRequest request;
                ClearFileDialogRequest(request);
                request.owner = this;
                request.filter = kBackupFilter;
                request.defaultExt = "QuenlarkBackup";
                request.title = "Please select a backup file you want to restore...";
                request.filterIndex = 0;
                request.flags = 0x1000;
                if (ShowOpenDialog(request) && !request.fileName.isEmpty())
                    engine.RepairAddressBook(request.fileName.toStdString());
                break;
            }
            case StatusOtherVersion:
                Ui().messageBox(nullptr, latin1("Cannot upgrade database in this version"),
                                latin1("Sorry but it would appear that your database is not "
                                       "compatible  with this version.  Because this version of "
                                       "Quenlark Address Book is the first version to implement "
                                       "such functionally there is currently no way to upgrade "
                                       "the database.  Sorry."),
                                MsgIcon::Error, MsgButtons::Ok);
                return;
            default:
                if (Ui().messageBox(
                        nullptr, latin1("Cannot open database!"),
                        latin1("Quenlark Address Book failed to open the database, possible "
                               "because it is in use by another program.  Please close any "
                               "programs that could be using the database and try again!\n\nIf "
                               "you would like to retry press Yes, otherwise press No to exit."),
                        MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
                    return;
                break;
            }
        }
    } catch (const std::exception&) {
        engine.CloseAddressBook();
        if (Ui().messageBox(nullptr, latin1("Restore backup database?"),
                            latin1("Quenlark Address Book has had problems starting, which may be "
                                   "caused by a serious error in your database.  Would you like to "
                                   "restore a backup database?"),
                            MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes) {
            TFileDialogRequest request;
            ClearFileDialogRequest(request);
            request.filter = kBackupFilter;
            request.defaultExt = "QuenlarkBackup";
            request.title = "Select a backup file to restore...";
            request.filterIndex = 0;
            request.flags = 0x1000;
            if (ShowOpenDialog(request))
                engine.RepairAddressBook(request.fileName.toStdString());
            Ui().messageBox(nullptr, latin1("Please restart Quenlark Address Book"),
                            latin1("Quenlark Address Book will now close.  After it has closed "
                                   "please restart Quenlark Address Book."),
                            MsgIcon::Information, MsgButtons::Ok);
        }
        return;
    }
    engine.LoadContactIndex();
    startedUp_ = true;
}

void Tmainform::FormDestroy() {
    Engine().CloseAddressBook();
}

} // namespace quenlark
