// Opening the database at start-up: every way it can fail is told to the person, with an
// offer to retry or to restore a backup, until it is open or the person gives up.
#pragma once

class QWidget;

namespace quenlark {

class AddressBook;

// True once the database is open. `window` owns the file dialog of the restore offer; the
// messages have no owner, as the window is not shown yet.
bool OpenDatabaseAtStart(AddressBook& book, QWidget* window);

} // namespace quenlark
