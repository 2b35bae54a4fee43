#include "tools/listboxbehaviour.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>

namespace quenlark {

ListBoxBehaviour::ListBoxBehaviour(QListView* view)
    : QObject(view), view_(view), viewport_(view->viewport()) {
    view_->installEventFilter(this);
    viewport_->installEventFilter(this);
}

bool ListBoxBehaviour::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_) {
        if (event->type() == QEvent::FocusIn)
            makeFirstItemCurrent();
        else if (event->type() == QEvent::KeyPress)
            return keyPress(static_cast<QKeyEvent*>(event));
        return false;
    }
    // The viewport is compared by the pointer kept: while the view is being destroyed its
    // children still send events, and the view is no longer a scroll area to ask.
    if (watched != viewport_)
        return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!onlyFocuses(static_cast<QMouseEvent*>(event)))
            return false;
        swallowing_ = true;
        if (view_->focusPolicy() & Qt::ClickFocus)
            view_->setFocus(Qt::MouseFocusReason);
        event->accept();
        return true;
    case QEvent::MouseMove:
        return swallowing_;
    case QEvent::MouseButtonRelease: {
        const bool swallowed = swallowing_;
        if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
            swallowing_ = false;
        return swallowed;
    }
    default:
        return false;
    }
}

bool ListBoxBehaviour::onlyFocuses(const QMouseEvent* event) const {
    return event->button() != Qt::LeftButton ||
           !view_->indexAt(event->position().toPoint()).isValid();
}

bool ListBoxBehaviour::keyPress(const QKeyEvent* event) {
    QItemSelectionModel* selection = view_->selectionModel();
    const QAbstractItemModel* model = view_->model();
    if (!selection || !model || selection->hasSelection() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const int rows = model->rowCount(view_->rootIndex());
    if (rows == 0)
        return false;

    int row = 0;
    switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Up:
    case Qt::Key_Home:
    case Qt::Key_PageUp:
        break;
    case Qt::Key_End:
    case Qt::Key_PageDown:
        row = rows - 1;
        break;
    default:
        return false;
    }
    const QModelIndex item = model->index(row, view_->modelColumn(), view_->rootIndex());
    selection->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
    view_->scrollTo(item);
    return true;
}

void ListBoxBehaviour::makeFirstItemCurrent() {
    QItemSelectionModel* selection = view_->selectionModel();
    const QAbstractItemModel* model = view_->model();
    if (!selection || !model || selection->currentIndex().isValid() ||
        model->rowCount(view_->rootIndex()) == 0)
        return;
    selection->setCurrentIndex(model->index(0, view_->modelColumn(), view_->rootIndex()),
                               QItemSelectionModel::NoUpdate);
}

} // namespace quenlark
