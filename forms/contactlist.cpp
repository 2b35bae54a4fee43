#include "forms/contactlist.h"

#include "controls/quenlarkspeedbtn.h"
#include "forms/popupmenus.h"
#include "platform/storedtext.h"
#include "platform/uiseam.h"
#include "tools/addressbook.h"
#include "tools/busyindicator.h"
#include "tools/commontools.h"
#include "ui_mainform.h"

#include <QIdentityProxyModel>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <algorithm>
#include <string>
#include <vector>

namespace quenlark {

// The contact model as the view sees it, row for row. While it holds, the rows in view show
// the names they had when it began to hold (the contacts behind them may be gone) and the
// others show nothing: the list cannot be scrolled while a command runs or tells its outcome.
// The contact model must not change until it lets go.
class HeldNamesModel : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    void hold(int firstRow, std::vector<std::string> names) {
        firstRow_ = firstRow;
        names_ = std::move(names);
        holding_ = true;
    }
    void release() {
        holding_ = false;
        names_ = {};
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!holding_)
            return QIdentityProxyModel::data(index, role);
        const std::size_t at = std::size_t(index.row() - firstRow_);
        if (!index.isValid() || index.row() < firstRow_ || at >= names_.size() ||
            (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
            return {};
        return FromStored(names_[at]);
    }

private:
    bool holding_ = false;
    int firstRow_ = 0;
    std::vector<std::string> names_; // as stored, Windows-1252
};

ContactList::ContactList(QWidget* window, const Ui::mainform& ui, AddressBook& book)
    : window_(window), view_(ui.contacts), model_(new ContactListModel(book.engine(), this)),
      shown_(new HeldNamesModel(this)), book_(book) {
    shown_->setSourceModel(model_);
    view_->setModel(shown_);
    SetUpContactList(view_);
    buildMenus(ui.sortButton);

    // A change of the selected item, by mouse or keyboard, shows the contact.
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ContactList::takeSelection);
    // After every change the list shows the file's contacts in file order, none selected. A
    // list in file order follows each change as it happens; a sorted one is shown again.
    // While the list holds, it follows nothing until the change is over.
    connect(&book_, &AddressBook::contactsAppended, this, [this](int count) {
        if (!held_)
            model_->followAppend(count);
    });
    connect(&book_, &AddressBook::contactRewritten, this, [this](int position) {
        if (!held_)
            model_->followRewrite(position);
    });
    connect(&book_, &AddressBook::contactRemoved, this, [this](int position) {
        if (!held_)
            model_->followRemoval(position);
    });
    connect(&book_, &AddressBook::contactsReplaced, this, [this] {
        if (!held_)
            model_->showWholeIndex();
    });
    connect(&book_, &AddressBook::contactsChanged, this, [this] {
        selected_.reset();
        if (held_) {
            held_ = false;
            shown_->release();
            model_->showWholeIndex();
        } else if (!model_->showsWholeIndex()) {
            model_->showWholeIndex();
        }
    });
    model_->showWholeIndex();
}

ContactList::~ContactList() = default;

void ContactList::buildMenus(TQuenlarkSpeedBtn* sortButton) {
    QMenu* sortMenu = NewOwnerDrawnMenu(window_);
    sortMenu->setObjectName(QStringLiteral("sortMenu"));
    SetMenuCentred(sortMenu, true);
    SetAutoHotkeys(sortMenu, true);
    QAction* ascending = AddMenuItem(sortMenu, QStringLiteral("Ascending"), 1);
    ascending->setObjectName(QStringLiteral("ascendingItem"));
    // The trailing space is part of the caption.
    QAction* descending = AddMenuItem(sortMenu, QStringLiteral("Descending "), 2);
    descending->setObjectName(QStringLiteral("descendingItem"));
    connect(ascending, &QAction::triggered, this, [this] { sortByName(Qt::AscendingOrder); });
    connect(descending, &QAction::triggered, this, [this] { sortByName(Qt::DescendingOrder); });
    sortButton->SetDropDown(sortMenu);

    menu_ = NewOwnerDrawnMenu(window_);
    menu_->setObjectName(QStringLiteral("contactListMenu"));
    SetAutoHotkeys(menu_, true);
    addFastItem_ = AddMenuItem(menu_, QStringLiteral("&Add contact fast"));
    addFastItem_->setObjectName(QStringLiteral("addFastItem"));
    AddMenuSeparator(menu_);
    deleteItem_ = AddMenuItem(menu_, QStringLiteral("&Delete contact"));
    deleteItem_->setObjectName(QStringLiteral("deleteContactItem"));
    connect(view_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu(menu_, view_->viewport()->mapToGlobal(at)); });
}

const ContactIndexEntry* ContactList::selectedContact() const {
    return selected_ ? book_.entry(*selected_) : nullptr;
}

void ContactList::takeSelection() {
    const QModelIndexList rows = view_->selectionModel()->selectedRows();
    if (rows.isEmpty())
        selected_.reset();
    else
        selected_ = model_->serialAt(rows.first().row());
    emit selectedContactChanged();
}

void ContactList::clearSelection() {
    view_->selectionModel()->clearCurrentIndex();
    view_->selectionModel()->clearSelection();
    selected_.reset();
}

void ContactList::choose(quint64 serial) {
    const int row = model_->rowOf(serial);
    if (row < 0) {
        clearSelection();
        takeSelection();
        return;
    }
    const QModelIndex index = shown_->index(row, 0);
    view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    view_->scrollTo(index);
    takeSelection();
}

void ContactList::sortByName(Qt::SortOrder order) {
    if (model_->rowCount() == 0) {
        Ui().messageBox(window_, QStringLiteral("Cannot sort!"),
                        QStringLiteral("No sorting will occur because your address book is empty!"),
                        MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    view_->setUpdatesEnabled(false);
    BusyIndicator busy(window_, QStringLiteral("Sorting the contacts..."), model_->rowCount());
    model_->sortByName(order, [&](qint64 done) { busy.advance(done); });
    view_->setUpdatesEnabled(true);
    emit sorted();
}

void ContactList::holdUntilChanged() {
    // The rows in view: from the one at the top, a viewport's height of them.
    const int rows = model_->rowCount();
    const int first = std::max(0, view_->indexAt(QPoint(0, 0)).row());
    const int last = std::min(rows, first + view_->viewport()->height() / kContactItemHeight + 2);
    std::vector<std::string> names;
    names.reserve(std::size_t(std::max(0, last - first)));
    for (int row = first; row < last; ++row) {
        const ContactIndexEntry* entry = model_->entryAt(row);
        names.push_back(entry ? entry->name : std::string());
    }
    shown_->hold(first, std::move(names));
    held_ = true;
}

} // namespace quenlark
