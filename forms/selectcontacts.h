// The contact selection dialog: all contacts on the left, the contacts chosen for a report
// on the right, with buttons to add and remove one contact or all of them.
#pragma once

#include "forms/quenlarkdialog.h"
#include "tools/contactlistmodel.h"

#include <memory>

class QListView;

namespace Ui {
class selectcontacts;
}

namespace quenlark {

class AddressBookEngine;

class Tselectcontacts : public QuenlarkDialog {
    Q_OBJECT
public:
    Tselectcontacts(const AddressBookEngine& engine, QWidget* parent = nullptr);
    ~Tselectcontacts() override;

    // The contacts of the two lists, in list order.
    ContactSerials availableContacts() const;
    void setAvailableContacts(const ContactSerials& contacts);
    ContactSerials chosenContacts() const;
    void setChosenContacts(const ContactSerials& contacts);

    // Add: appends the contact selected on the left unless it is already on the right.
    void addSelected();
    // Remove: takes the contact selected on the right out of the list.
    void removeSelected();
    // Add all: appends every contact on the left that is not yet on the right.
    void addAll();
    // Remove all: empties the right-hand list.
    void removeAll();

private:
    // The row of the list's selected item, or -1.
    static int selectedRow(const QListView* list);

    std::unique_ptr<Ui::selectcontacts> ui_;
    ContactListModel* available_ = nullptr;
    ContactListModel* chosen_ = nullptr;
};

} // namespace quenlark
