// "Import contacts...": contacts from a vCard or CSV file (from a phone, a web address book
// or a mail program) added to the end of the address book. The file is read twice: first to
// tell the person what will happen (how many contacts, which values are cut to fit, which
// contacts cannot be stored and are skipped), then, if they agree, to add the contacts as
// one change, all or none.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace quenlark {

class AddressBook;

class ContactImport : public QObject {
    Q_OBJECT
public:
    ContactImport(QWidget* window, AddressBook& book);

    // Asks for the file, then imports it.
    void run();
    // Imports a file: the summary, the question, the contacts, the outcome.
    void importFile(const QString& path);

private:
    QWidget* window_;
    AddressBook& book_;
};

} // namespace quenlark
