#include "forms/databasestart.h"

#include "forms/backupcommands.h"
#include "forms/bookmessages.h"
#include "platform/uiseam.h"
#include "tools/addressbook.h"

#include <exception>

namespace quenlark {

namespace {

QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

enum class Outcome { Retry, GiveUp };

// One failed open, told by its status. The texts' wording ("possible because",
// "functionally", two spaces after "compatible") is the program's own.
Outcome answerFailedOpen(AddressBook& book, QWidget* window) {
    switch (book.openStatus()) {
    case StatusNotADatabase: {
        if (Ui().messageBox(nullptr, latin1("Restore backup?"),
                            latin1("Sorry but your database is not a valid one.  Would you like "
                                   "to specify a backup to restore?"),
                            MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
            return Outcome::GiveUp;
        // The same request as the restore command's.
        const QString backup =
            ChooseBackupToRestore(window, "Please select a backup file you want to restore...");
        if (!backup.isEmpty())
            book.repairFromBackup(backup);
        return Outcome::Retry;
    }
    case StatusOtherVersion:
        Ui().messageBox(nullptr, latin1("Cannot upgrade database in this version"),
                        latin1("Sorry but it would appear that your database is not compatible  "
                               "with this version.  Because this version of Quenlark Address "
                               "Book is the first version to implement such functionally there "
                               "is currently no way to upgrade the database.  Sorry."),
                        MsgIcon::Error, MsgButtons::Ok);
        return Outcome::GiveUp;
    default:
        return AskRetryOpen(book.openFailure()) ? Outcome::Retry : Outcome::GiveUp;
    }
}

// An error escaped the open or the recovery: offer a repair from a backup, then a restart.
void offerRepair(AddressBook& book) {
    book.close();
    if (Ui().messageBox(nullptr, latin1("Restore backup database?"),
                        latin1("Quenlark Address Book has had problems starting, which may be "
                               "caused by a serious error in your database.  Would you like to "
                               "restore a backup database?"),
                        MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    const QString backup = ChooseBackupToRestore(nullptr, "Select a backup file to restore...");
    if (!backup.isEmpty())
        book.repairFromBackup(backup);
    Ui().messageBox(nullptr, latin1("Please restart Quenlark Address Book"),
                    latin1("Quenlark Address Book will now close.  After it has closed please "
                           "restart Quenlark Address Book."),
                    MsgIcon::Information, MsgButtons::Ok);
}

} // namespace

bool OpenDatabaseAtStart(AddressBook& book, QWidget* window) {
    try {
        for (;;) {
            if (book.open())
                return true;
            // A file that could not be made an empty address book is a serious failure.
            if (book.openFailure().failure() == Failure::CannotInitialise) {
                offerRepair(book);
                return false;
            }
            if (answerFailedOpen(book, window) == Outcome::GiveUp)
                return false;
        }
    } catch (const std::exception&) {
        offerRepair(book);
        return false;
    }
}

} // namespace quenlark
