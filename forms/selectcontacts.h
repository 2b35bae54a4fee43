// The contact selection dialog: all contacts on the left, the contacts chosen for a report
// on the right, with buttons to add and remove one contact or all of them.
#pragma once

#include "ui_selectcontacts.h"

#include <QDialog>
#include <QStringList>
#include <memory>

class QListView;
class QStringListModel;

namespace quenlark {

class Tselectcontacts : public QDialog {
    Q_OBJECT
public:
    // Modal results.
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit Tselectcontacts(QWidget* parent = nullptr);
    ~Tselectcontacts() override;

    // contact_available, contacts_selected, QuenlarkStdButton2 (Add), QuenlarkStdButton1
    // (Remove), QuenlarkStdButton5 (Add all), QuenlarkStdButton6 (Remove all),
    // QuenlarkStdButton3 (Cancel), QuenlarkStdButton4 (OK).
    Ui::selectcontacts* ui() const { return ui_.get(); }

    // The items (contact handles) of the two lists, in list order.
    QStringList contactAvailable() const;
    void setContactAvailable(const QStringList& handles);
    QStringList contactsSelected() const;
    void setContactsSelected(const QStringList& handles);

    // Add: appends the contact selected on the left unless it is already on the right.
    void QuenlarkStdButton2Click(QObject* Sender);
    // Remove: deletes the contact selected on the right.
    void QuenlarkStdButton1Click(QObject* Sender);
    // Add all: appends every contact on the left that is not yet on the right.
    void QuenlarkStdButton5Click(QObject* Sender);
    // Remove all: empties the right-hand list.
    void QuenlarkStdButton6Click(QObject* Sender);
    // Cancel: ends the dialog with mrCancel.
    void QuenlarkStdButton3Click(QObject* Sender);
    // OK: ends the dialog with mrOk.
    void QuenlarkStdButton4Click(QObject* Sender);

    // Closing the window any other way ends it with mrCancel.
    void reject() override;

private:
    // The row of the list's selected item, or -1.
    static int selectedRow(const QListView* list);

    std::unique_ptr<Ui::selectcontacts> ui_;
    QStringListModel* available_ = nullptr;
    QStringListModel* selected_ = nullptr;
};

// The contact selection dialog while it exists.
extern Tselectcontacts* selectcontacts;

} // namespace quenlark
