// "Import contacts...": contacts from a vCard or CSV file (from a phone, a web address book
// or a mail program) added to the end of the address book. The file is read twice: first, on
// a thread of its own with progress and Cancel, to tell the person what will happen (how many
// contacts, which values are cut to fit, which contacts cannot be stored or are already in
// the book and are skipped, what the file holds that the book has no place for), then, if
// they agree, to add the contacts as one change, all or none.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace quenlark {

class AddressBook;
class ImportScan;

class ContactImport : public QObject {
    Q_OBJECT
public:
    ContactImport(QWidget* window, AddressBook& book);

    // Asks for the file, then imports it.
    void run();
    // Imports a file: the summary, the question, the contacts, the outcome.
    void importFile(const QString& path);

private:
    // Runs the first pass to its end, keeping the window painted.
    void scan(ImportScan& scan);

    QWidget* window_;
    AddressBook& book_;
};

} // namespace quenlark
