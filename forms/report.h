// The report generator: report type, which contacts, which fields, and whether the
// finished file is opened and printed.
#pragma once

#include "engine/reportfields.h"
#include "forms/quenlarkdialog.h"
#include "tools/contactlistmodel.h"

#include <memory>

namespace Ui {
class reportgen;
}

namespace quenlark {

class AddressBookEngine;

class Treportgen : public QuenlarkDialog {
    Q_OBJECT
public:
    // Ends with mrOk once a report is written, mrCancel otherwise.
    explicit Treportgen(const AddressBookEngine& engine, QWidget* parent = nullptr);
    ~Treportgen() override;

    // The whole contact index in file order, taken at creation.
    const ContactSerials& allContacts() const { return all_; }
    // The contacts chosen by the latest OK of the contact selection dialog.
    const ContactSerials& chosenContacts() const { return chosen_; }
    void setChosenContacts(const ContactSerials& contacts) { chosen_ = contacts; }

    // The fields whose items of the field list are checked.
    ReportFields checkedFields() const;

    // Select contacts: runs the contact selection dialog; its OK replaces the chosen ones.
    void selectContacts();
    // Create report: asks for a file, writes the report there, opens and prints it as the
    // check boxes say and closes the dialog. Failures leave the dialog open, silently but
    // for a file that is the address book itself, which is refused with a message.
    void createReport();

private:
    bool writeReport(const ContactSerials& contacts, ReportFormat format, const char* filter,
                     const char* defaultExt);

    const AddressBookEngine& engine_;
    std::unique_ptr<Ui::reportgen> ui_;
    ContactSerials all_;
    ContactSerials chosen_;
};

// Creates the report generator owned by `owner`, shows it modally and destroys it when it
// closes. The main window's Report button runs this.
void RunReportGenerator(const AddressBookEngine& engine, QWidget* owner);

} // namespace quenlark
