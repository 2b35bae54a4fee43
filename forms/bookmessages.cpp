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
    case Failure::IsDatabase:
        TellCannotReplaceAddressBook(owner);
        return;
    default:
        Ui().messageBox(owner, title, text, MsgIcon::Error, MsgButtons::Ok, details);
        return;
    }
}

} // namespace quenlark
