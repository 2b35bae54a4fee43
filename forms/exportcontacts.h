// "Export contacts...": the contacts of the address book, all of them or those chosen in the
// contact selection dialog, written for other address books and programs as vCard 3.0,
// vCard 4.0 or CSV.
#pragma once

#include "engine/reportfields.h"
#include "forms/quenlarkdialog.h"
#include "tools/contactlistmodel.h"

#include <memory>

namespace Ui {
class exportcontacts;
}

namespace quenlark {

class AddressBookEngine;

class Texportcontacts : public QuenlarkDialog {
    Q_OBJECT
public:
    // Enter and Alt+E export (Enter on a focused button presses that button instead), Escape
    // and Alt+C cancel, Alt+S selects contacts. Ends with mrOk once a file is written.
    explicit Texportcontacts(const AddressBookEngine& engine, QWidget* parent = nullptr);
    ~Texportcontacts() override;

    // The format the radio buttons choose: VCard3, VCard4 or Csv.
    ReportFormat format() const;
    // The whole contact index in file order, taken at creation.
    const ContactSerials& allContacts() const { return all_; }
    // The contacts chosen by the latest OK of the contact selection dialog.
    const ContactSerials& chosenContacts() const { return chosen_; }
    void setChosenContacts(const ContactSerials& contacts) { chosen_ = contacts; }

    // Select contacts: runs the contact selection dialog; its OK replaces the chosen contacts
    // and, when it chose any, ticks "Selected contacts".
    void selectContacts();
    // Export: asks for the file, writes it with progress and Cancel, says how many contacts
    // it holds and closes the dialog. A cancel, a failure (which is told) or the address book
    // itself as the file leaves the dialog open and any file that was there as it was.
    void exportContacts();

private:
    const AddressBookEngine& engine_;
    std::unique_ptr<Ui::exportcontacts> ui_;
    ContactSerials all_;
    ContactSerials chosen_;
};

// Creates the export dialog owned by `owner`, shows it modally and destroys it when it
// closes. The backup menu's "Export contacts..." runs this.
void RunContactExport(const AddressBookEngine& engine, QWidget* owner);

} // namespace quenlark
