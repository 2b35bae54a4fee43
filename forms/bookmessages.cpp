#include "forms/bookmessages.h"

#include "engine/result.h"
#include "platform/uiseam.h"

namespace quenlark {

void TellCannotReplaceAddressBook(QWidget* owner) {
    Ui().messageBox(owner, QStringLiteral("Cannot replace the address book"),
                    QStringLiteral("The file you have chosen is the address book itself, which "
                                   "Quenlark Address Book has open.  Nothing was written.  "
                                   "Please choose another name."),
                    MsgIcon::Error, MsgButtons::Ok);
}

void TellWriteFailed(QWidget* owner, const Result& result, const QString& title,
                     const QString& text) {
    const QString details = QString::fromStdString(result.message());
    switch (result.failure()) {
    case Failure::DatabaseMoved:
        Ui().messageBox(owner, QStringLiteral("Address book moved or replaced"),
                        QStringLiteral("The address book file was moved, replaced or removed by "
                                       "another program while Quenlark Address Book was running, "
                                       "so the change was not saved.\n\nPlease close Quenlark "
                                       "Address Book and start it again to open the file that is "
                                       "now at that place."),
                        MsgIcon::Error, MsgButtons::Ok, details);
        return;
    case Failure::BookChanged:
        Ui().messageBox(owner, QStringLiteral("Address book changed by another program"),
                        QStringLiteral("The address book file was changed by another program "
                                       "since Quenlark Address Book read it, so nothing was "
                                       "changed.\n\nThe list now shows what the file holds.  "
                                       "Please check the contact and try again."),
                        MsgIcon::Error, MsgButtons::Ok, details);
        return;
    case Failure::IsDatabase:
        TellCannotReplaceAddressBook(owner);
        return;
    default:
        Ui().messageBox(owner, title, text, MsgIcon::Error, MsgButtons::Ok, details);
        return;
    }
}

void TellSavedWithWarning(QWidget* owner, const QString& why) {
    Ui().messageBox(owner, QStringLiteral("Saved, but not yet safe on the disk"),
                    QStringLiteral("The change was saved, but the disk did not confirm that it "
                                   "is written for good, so a power cut soon could undo it.  "
                                   "Please check the disk, then make a backup."),
                    MsgIcon::Warning, MsgButtons::Ok, why);
}

bool AskRetryOpen(const Result& why) {
    QString cause;
    switch (why.failure()) {
    case Failure::ReadOnly:
        cause = QStringLiteral("Quenlark Address Book cannot open the database because it is "
                               "read-only, and the program needs to write to it.  Please make "
                               "the file writable and try again!");
        break;
    case Failure::TooLarge:
        cause = QStringLiteral("Quenlark Address Book cannot open the database because the file "
                               "is larger than 4 GiB, more than an address book may be.  Please "
                               "check that the settings name your address book.");
        break;
    case Failure::NotRegularFile:
        cause = QStringLiteral("Quenlark Address Book cannot open the database because it is not "
                               "a file but a folder, a FIFO or a device.  Please check that the "
                               "settings name your address book.");
        break;
    case Failure::ForeignLink:
        cause = QStringLiteral("Quenlark Address Book cannot open the database because its name "
                               "is a link that belongs to another user, in a folder everyone may "
                               "write.  Please check that the settings name your address book.");
        break;
    default:
        // "possible because" is the wording the program has always shown.
        cause = QStringLiteral("Quenlark Address Book failed to open the database, possible "
                               "because it is in use by another program.  Please close any "
                               "programs that could be using the database and try again!");
        break;
    }
    const QString retry =
        QStringLiteral("\n\nIf you would like to retry press Yes, otherwise press No to exit.");
    // A cause that is not named above is in the details, when there is one.
    const QString details =
        why.failure() == Failure::InUse ? QString() : QString::fromStdString(why.message());
    return Ui().messageBox(nullptr, QStringLiteral("Cannot open database!"), cause + retry,
                           MsgIcon::Question, MsgButtons::YesNo, details) == MsgResult::Yes;
}

} // namespace quenlark
