// The main window's list of contacts: the contacts of the address book in file order (or
// sorted by name until the next change), the selected contact, the Sort menu and the list's
// own menu.
#pragma once

#include "tools/contactlistmodel.h"

#include <QObject>
#include <optional>

class QAction;
class QListView;
class QMenu;
class QWidget;

namespace Ui {
class mainform;
}

namespace quenlark {

class AddressBook;
class HeldNamesModel;
class TQuenlarkSpeedBtn;

class ContactList : public QObject {
    Q_OBJECT
public:
    ContactList(QWidget* window, const Ui::mainform& ui, AddressBook& book);
    ~ContactList() override;

    const ContactListModel& model() const { return *model_; }
    // The contact of the selected item, or nullptr when none is selected.
    const ContactIndexEntry* selectedContact() const;
    // No item selected and no selected contact.
    void clearSelection();
    // Selects the first item holding the contact (none when no item holds it) and shows it,
    // as a click on it would.
    void choose(quint64 serial);
    // The Sort menu's items: the list ordered by name, or "Cannot sort!" for an empty list.
    void sortByName(Qt::SortOrder order);
    // Until the book's next contactsChanged(), the list shows the names it shows now, with
    // the same item selected, whatever happens to the contacts meanwhile; then it shows the
    // book's contacts in file order, none selected. A command that replaces every contact
    // calls it first, so that the list changes with the edit panel, after the outcome is
    // told. (Only the rows in view keep their names: nothing scrolls the list meanwhile.)
    void holdUntilChanged();

    // The list's own menu, opened by a right click on the list.
    QAction* addFastItem() const { return addFastItem_; }
    QAction* deleteItem() const { return deleteItem_; }

signals:
    // The selected item changed, by mouse, keyboard or choose().
    void selectedContactChanged();
    // The list was sorted.
    void sorted();

private:
    void buildMenus(TQuenlarkSpeedBtn* sortButton);
    void takeSelection();

    QWidget* window_;
    QListView* view_;
    ContactListModel* model_;
    HeldNamesModel* shown_; // what the view shows: model_, or the names held
    AddressBook& book_;
    std::optional<quint64> selected_;
    bool held_ = false;
    QMenu* menu_ = nullptr;
    QAction* addFastItem_ = nullptr;
    QAction* deleteItem_ = nullptr;
};

} // namespace quenlark
