#include "forms/selectcontacts.h"

#include "forms/dialogstyle.h"
#include "platform/uiseam.h"
#include "tools/commontools.h"
#include "ui_selectcontacts.h"

#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QStringListModel>

namespace quenlark {

Tselectcontacts* selectcontacts = nullptr;

namespace {

// A list of contact handles drawn as names: one selected item at most, fixed 20-pixel
// items, and no editing, so a double click does nothing.
void setUpContactList(QListView* list, QStringListModel* model) {
    list->setModel(model);
    list->setItemDelegate(new ContactItemDelegate(list));
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setDragEnabled(false);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

} // namespace

Tselectcontacts::Tselectcontacts(QWidget* parent)
    : QDialog(parent, kDialogFlags), ui_(std::make_unique<Ui::selectcontacts>()) {
    setFont(Tahoma8());
    ui_->setupUi(this);
    setFixedSize(428, 279);

    ui_->Label3->setFont(TitlePanelFont());
    for (QLabel* label : {ui_->Label1, ui_->Label2})
        label->resize(QFontMetrics(label->font()).horizontalAdvance(label->text()),
                      label->height());

    CentreOnScreen(this);

    available_ = new QStringListModel(this);
    selected_ = new QStringListModel(this);
    setUpContactList(ui_->contact_available, available_);
    setUpContactList(ui_->contacts_selected, selected_);

    ui_->QuenlarkStdButton2->OnClick = [this](QObject* sender) { QuenlarkStdButton2Click(sender); };
    ui_->QuenlarkStdButton1->OnClick = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    ui_->QuenlarkStdButton5->OnClick = [this](QObject* sender) { QuenlarkStdButton5Click(sender); };
    ui_->QuenlarkStdButton6->OnClick = [this](QObject* sender) { QuenlarkStdButton6Click(sender); };
    ui_->QuenlarkStdButton3->OnClick = [this](QObject* sender) { QuenlarkStdButton3Click(sender); };
    ui_->QuenlarkStdButton4->OnClick = [this](QObject* sender) { QuenlarkStdButton4Click(sender); };

    selectcontacts = this;
}

Tselectcontacts::~Tselectcontacts() {
    if (selectcontacts == this)
        selectcontacts = nullptr;
}

QStringList Tselectcontacts::contactAvailable() const {
    return available_->stringList();
}

void Tselectcontacts::setContactAvailable(const QStringList& handles) {
    available_->setStringList(handles);
}

QStringList Tselectcontacts::contactsSelected() const {
    return selected_->stringList();
}

void Tselectcontacts::setContactsSelected(const QStringList& handles) {
    selected_->setStringList(handles);
}

int Tselectcontacts::selectedRow(const QListView* list) {
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void Tselectcontacts::QuenlarkStdButton2Click(QObject*) {
    const int row = selectedRow(ui_->contact_available);
    if (row < 0) {
        Ui().messageBox(this, QStringLiteral("Select contact first!"),
                        QStringLiteral("Please select a contact to add first."),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const QString handle = available_->stringList().at(row);
    if (selected_->stringList().contains(handle)) {
        Ui().messageBox(this, QStringLiteral("Cotnact already in list."),
                        QStringLiteral("This contact is already in the Selected Contacts list!"),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const int end = selected_->rowCount();
    selected_->insertRows(end, 1);
    selected_->setData(selected_->index(end), handle);
}

void Tselectcontacts::QuenlarkStdButton1Click(QObject*) {
    const int row = selectedRow(ui_->contacts_selected);
    if (row < 0) {
        Ui().messageBox(this, QStringLiteral("Select contact first!"),
                        QStringLiteral("Please select a contact to remove first!"), MsgIcon::Error,
                        MsgButtons::Ok);
        return;
    }
    selected_->removeRows(row, 1);
    ui_->contacts_selected->selectionModel()->clearSelection();
}

void Tselectcontacts::QuenlarkStdButton5Click(QObject*) {
    QStringList chosen = selected_->stringList();
    const int before = chosen.size();
    for (const QString& handle : available_->stringList())
        if (!chosen.contains(handle))
            chosen.append(handle);
    if (chosen.size() == before)
        return;
    // Append only, so the items already there keep their places and their selection.
    selected_->insertRows(before, int(chosen.size() - before));
    for (int row = before; row < chosen.size(); ++row)
        selected_->setData(selected_->index(row), chosen.at(row));
}

void Tselectcontacts::QuenlarkStdButton6Click(QObject*) {
    selected_->setStringList({});
}

void Tselectcontacts::QuenlarkStdButton3Click(QObject*) {
    done(mrCancel);
}

void Tselectcontacts::QuenlarkStdButton4Click(QObject*) {
    done(mrOk);
}

void Tselectcontacts::reject() {
    done(mrCancel);
}

} // namespace quenlark
