#include "forms/searchresults.h"

#include "controls/quenlarkkeymanager.h"
#include "platform/uiseam.h"
#include "tools/commontools.h"
#include "ui_searchresults.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QMouseEvent>

namespace quenlark {

Tsearchresults::Tsearchresults(const AddressBookEngine& engine, QWidget* parent)
    : QuenlarkDialog(parent), ui_(std::make_unique<Ui::searchresults>()) {
    ui_->setupUi(this);
    finishLayout(ui_->titleLabel, {ui_->searchedForLabel, ui_->foundLabel});

    results_ = new ContactListModel(engine, this);
    QListView* list = ui_->resultList;
    list->setModel(results_);
    SetUpContactList(list);
    list->viewport()->installEventFilter(this);

    connect(ui_->cancelButton, &TQuenlarkStdButton::clicked, this, &Tsearchresults::cancel);
    connect(ui_->displayButton, &TQuenlarkStdButton::clicked, this, &Tsearchresults::display);
    auto* keys = new TQuenlarkKeyManager(this);
    connect(keys->defaultKey(), &QAction::triggered, this, &Tsearchresults::display);
    connect(keys->cancelKey(), &QAction::triggered, this, &Tsearchresults::cancel);
    connect(keys->altKey('C'), &QAction::triggered, this, &Tsearchresults::cancel);
    connect(keys->altKey('D'), &QAction::triggered, this, &Tsearchresults::display);
}

Tsearchresults::~Tsearchresults() = default;

void Tsearchresults::setResults(const QString& searchText, const ContactSerials& results) {
    ui_->searchText->setText(searchText);
    ui_->foundCount->setText(QString::number(results.size()));
    results_->setContacts(results);
}

ContactSerials Tsearchresults::results() const {
    return results_->contacts();
}

void Tsearchresults::display() {
    const QModelIndexList rows = ui_->resultList->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        Ui().messageBox(this, QStringLiteral("Select item!"),
                        QStringLiteral("Please select an item to display!"), MsgIcon::Information,
                        MsgButtons::Ok);
        return;
    }
    chosen_ = results_->serialAt(rows.first().row());
    ok();
}

bool Tsearchresults::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->resultList->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        display();
        return true;
    }
    return QuenlarkDialog::eventFilter(watched, event);
}

} // namespace quenlark
