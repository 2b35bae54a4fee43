#include "forms/selectcontacts.h"

#include "platform/uiseam.h"
#include "tools/commontools.h"
#include "ui_selectcontacts.h"

#include <QItemSelectionModel>

namespace quenlark {

Tselectcontacts::Tselectcontacts(const AddressBookEngine& engine, QWidget* parent)
    : QuenlarkDialog(parent), ui_(std::make_unique<Ui::selectcontacts>()) {
    ui_->setupUi(this);
    finishLayout(ui_->titleLabel, {ui_->availableLabel, ui_->chosenLabel});

    available_ = new ContactListModel(engine, this);
    chosen_ = new ContactListModel(engine, this);
    ui_->availableList->setModel(available_);
    ui_->chosenList->setModel(chosen_);
    SetUpContactList(ui_->availableList);
    SetUpContactList(ui_->chosenList);

    connect(ui_->addButton, &TQuenlarkStdButton::clicked, this, &Tselectcontacts::addSelected);
    connect(ui_->removeButton, &TQuenlarkStdButton::clicked, this,
            &Tselectcontacts::removeSelected);
    connect(ui_->addAllButton, &TQuenlarkStdButton::clicked, this, &Tselectcontacts::addAll);
    connect(ui_->removeAllButton, &TQuenlarkStdButton::clicked, this, &Tselectcontacts::removeAll);
    connect(ui_->cancelButton, &TQuenlarkStdButton::clicked, this, &Tselectcontacts::cancel);
    connect(ui_->okButton, &TQuenlarkStdButton::clicked, this, &Tselectcontacts::ok);
}

Tselectcontacts::~Tselectcontacts() = default;

ContactSerials Tselectcontacts::availableContacts() const {
    return available_->contacts();
}

void Tselectcontacts::setAvailableContacts(const ContactSerials& contacts) {
    available_->setContacts(contacts);
}

ContactSerials Tselectcontacts::chosenContacts() const {
    return chosen_->contacts();
}

void Tselectcontacts::setChosenContacts(const ContactSerials& contacts) {
    chosen_->setContacts(contacts);
}

int Tselectcontacts::selectedRow(const QListView* list) {
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void Tselectcontacts::addSelected() {
    const int row = selectedRow(ui_->availableList);
    if (row < 0) {
        Ui().messageBox(this, QStringLiteral("Select contact first!"),
                        QStringLiteral("Please select a contact to add first."),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const quint64 contact = available_->serialAt(row);
    if (chosen_->contains(contact)) {
        // The title's misspelling is the one the program has always shown.
        Ui().messageBox(this, QStringLiteral("Cotnact already in list."),
                        QStringLiteral("This contact is already in the Selected Contacts list!"),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    chosen_->append(contact);
}

void Tselectcontacts::removeSelected() {
    const int row = selectedRow(ui_->chosenList);
    if (row < 0) {
        Ui().messageBox(this, QStringLiteral("Select contact first!"),
                        QStringLiteral("Please select a contact to remove first!"), MsgIcon::Error,
                        MsgButtons::Ok);
        return;
    }
    chosen_->removeRows(row, 1);
    ui_->chosenList->selectionModel()->clearSelection();
}

void Tselectcontacts::addAll() {
    chosen_->appendMissing(available_->contacts());
}

void Tselectcontacts::removeAll() {
    chosen_->setContacts({});
}

} // namespace quenlark
