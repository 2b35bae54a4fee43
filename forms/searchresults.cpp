#include "forms/searchresults.h"

#include "controls/quenlarkkeymanager.h"
#include "forms/dialogstyle.h"
#include "platform/uiseam.h"
#include "tools/commontools.h"
#include "ui_searchresults.h"

#include <QEvent>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QStringListModel>

namespace quenlark {

Tsearchresults* searchresults = nullptr;

namespace {

// Items of resultsdisplay, 20 pixels high, drawn by the dialog's draw handler.
class ResultItemDelegate : public ContactItemDelegate {
public:
    ResultItemDelegate(const Tsearchresults* dialog, QObject* parent)
        : ContactItemDelegate(parent), dialog_(dialog) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->setFont(option.font);
        dialog_->resultsdisplayDrawItem(*painter, index.row(), option.rect,
                                        option.state.testFlag(QStyle::State_Selected));
    }

private:
    const Tsearchresults* dialog_;
};

} // namespace

Tsearchresults::Tsearchresults(QWidget* parent)
    : QDialog(parent, kDialogFlags), ui_(std::make_unique<Ui::searchresults>()) {
    setFont(Tahoma8());
    ui_->setupUi(this);
    setFixedSize(422, 301);

    ui_->titlebar_label->setFont(TitlePanelFont());
    for (QLabel* label : {ui_->Label2, ui_->Label4})
        label->resize(QFontMetrics(label->font()).horizontalAdvance(label->text()),
                      label->height());

    CentreOnScreen(this);

    // Contact handles drawn as names in 20-pixel items; one result selected at most.
    results_ = new QStringListModel(this);
    QListView* list = ui_->resultsdisplay;
    list->setModel(results_);
    list->setItemDelegate(new ResultItemDelegate(this, list));
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setDragEnabled(false);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A double click anywhere in the list displays the selected result.
    list->viewport()->installEventFilter(this);

    ui_->QuenlarkStdButton1->OnClick = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    ui_->QuenlarkStdButton2->OnClick = [this](QObject* sender) { Button1Click(sender); };

    QuenlarkKeyManager1 = new TQuenlarkKeyManager(this);
    QuenlarkKeyManager1->OnDefault = [this](QObject* sender) { Button1Click(sender); };
    QuenlarkKeyManager1->OnCancel = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    QuenlarkKeyManager1->Alt_C = [this](QObject* sender) { QuenlarkStdButton1Click(sender); };
    QuenlarkKeyManager1->Alt_D = [this](QObject* sender) { Button1Click(sender); };

    searchresults = this;
}

Tsearchresults::~Tsearchresults() {
    if (searchresults == this)
        searchresults = nullptr;
}

void Tsearchresults::SetResults(const QString& searchText, const QStringList& handles) {
    ui_->searchfor->setText(searchText);
    ui_->found->setText(QString::number(handles.size()));
    results_->setStringList(handles);
}

void Tsearchresults::resultsdisplayDrawItem(QPainter& Canvas, int Index, const QRect& Rect,
                                            bool Selected) const {
    const QModelIndex item = results_->index(Index, 0);
    DrawContactItem(Canvas, Rect,
                    item.isValid() ? item.data(Qt::DisplayRole).toString() : QString(), Selected,
                    Canvas.font());
}

QStringList Tsearchresults::Results() const {
    return results_->stringList();
}

QString Tsearchresults::SelectedResult() const {
    const QModelIndexList rows = ui_->resultsdisplay->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data(Qt::DisplayRole).toString();
}

void Tsearchresults::Button1Click(QObject*) {
    const QString handle = SelectedResult();
    if (handle.isEmpty()) {
        Ui().messageBox(this, QStringLiteral("Select item!"),
                        QStringLiteral("Please select an item to display!"), MsgIcon::Information,
                        MsgButtons::Ok);
        return;
    }
    if (OnDisplay)
        OnDisplay(handle);
    done(mrOk);
}

void Tsearchresults::QuenlarkStdButton1Click(QObject*) {
    done(mrCancel);
}

void Tsearchresults::reject() {
    done(mrCancel);
}

bool Tsearchresults::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->resultsdisplay->viewport() &&
        event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Button1Click(ui_->resultsdisplay);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quenlark
