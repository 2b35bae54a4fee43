// The messages that tell the person why a change to the address book or a file beside it
// did not happen.
#pragma once

#include <QString>

class QWidget;

namespace quenlark {

class Result;

// The chosen file is the open address book: nothing is written over it.
void TellCannotReplaceAddressBook(QWidget* owner);

// A failed write. A database that another program moved, replaced, removed or changed, and
// a file that is the database itself, have messages of their own; any other failure shows
// `title` and `text`, with the system's reason as the details.
void TellWriteFailed(QWidget* owner, const Result& result, const QString& title,
                     const QString& text);

// A change that is made and final, after which a flush failed: the system's reason as the
// details. Nothing is lost, but a power cut soon after could undo the change.
void TellSavedWithWarning(QWidget* owner, const QString& why);

// The database could not be opened at start-up (status 1), for the cause `why` gives: asks
// whether to try again. A cause the program knows (read-only, too large, not a file, a
// journal that cannot be put back) is named; any other keeps the program's old question,
// which supposes another program has the file.
bool AskRetryOpen(const Result& why);

} // namespace quenlark
