// The search results dialog: the search text, the number of contacts found and the list
// of them, with Cancel and Display.
#pragma once

#include "forms/quenlarkdialog.h"
#include "tools/contactlistmodel.h"

#include <memory>
#include <optional>

namespace Ui {
class searchresults;
}

namespace quenlark {

class AddressBookEngine;

class Tsearchresults : public QuenlarkDialog {
    Q_OBJECT
public:
    // Enter and Alt+D are Display; Escape and Alt+C are Cancel.
    explicit Tsearchresults(const AddressBookEngine& engine, QWidget* parent = nullptr);
    ~Tsearchresults() override;

    // Shows the search text as used, the number of results and the results in their order.
    void setResults(const QString& searchText, const ContactSerials& results);
    ContactSerials results() const;
    // The contact Display chose; set once the dialog has ended with mrOk.
    std::optional<quint64> chosenContact() const { return chosen_; }

    // Display: asks for a selection when there is none; otherwise ends the dialog with mrOk
    // and the selected contact as the chosen one. Reached by the Display button, a double
    // click in the list, Enter and Alt+D.
    void display();

protected:
    // A left double click anywhere in the list is Display.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::searchresults> ui_;
    ContactListModel* results_ = nullptr;
    std::optional<quint64> chosen_;
};

} // namespace quenlark
