#include "forms/skinnedframe.h"

#include "controls/quenlarkcolour.h"
#include "forms/popupmenus.h"
#include "resources/bitmaps.h"
#include "ui_mainform.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace quenlark {

namespace {

constexpr int kCaptionHeight = 23;

// A shape of the layout: a rectangle filled with one system colour.
void fillWith(QWidget* widget, int systemColour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, SystemColour(systemColour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A caption bar picture: the stretched skin bitmap, black side edges and the title.
QPixmap makeCaptionPicture(const QString& resource, QSize size) {
    QPixmap picture(size);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    const QPixmap skin = LoadResourceBitmap(resource);
    if (!skin.isNull())
        painter.drawPixmap(QRect(QPoint(0, 0), size), skin);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(0, 0, 0, size.height());
    painter.drawLine(size.width() - 1, 0, size.width() - 1, size.height());
    QFont font(QStringLiteral("Palatino Linotype"));
    font.setPixelSize(16); // 12 point at 96 pixels per inch
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(5, 0, size.width() - 5, size.height()), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Quenlark Address Book"));
    return picture;
}

} // namespace

SkinnedFrame::SkinnedFrame(QWidget* window, const Ui::mainform& ui)
    : window_(window), caption_(ui.caption), closeImage_(ui.closeImage), leftBorder_(ui.leftBorder),
      rightBorder_(ui.rightBorder), bottomBorder_(ui.bottomBorder) {
    for (QWidget* shape : {leftBorder_, rightBorder_, bottomBorder_})
        fillWith(shape, COLOR_BTNSHADOW);

    const QSize captionSize = caption_->size();
    activeCaption_ = makeCaptionPicture(QStringLiteral("IDB_CAPTION_A"), captionSize);
    inactiveCaption_ = makeCaptionPicture(QStringLiteral("IDB_CAPTION_I"), captionSize);
    caption_->setAttribute(Qt::WA_OpaquePaintEvent);
    caption_->installEventFilter(this);

    closeUp_ = LoadResourceBitmap(QStringLiteral("IDB_CLOSE_UP"));
    closeDown_ = LoadResourceBitmap(QStringLiteral("IDB_CLOSE_DOWN"));
    closeImage_->setPixmap(closeUp_);
    closeImage_->setGeometry(window_->width() - kCaptionHeight, 0, kCaptionHeight, kCaptionHeight);
    closeImage_->installEventFilter(this);
    caption_->raise();
    closeImage_->raise();

    buildCaptionMenu();
    fullHeight_ = window_->height();
    window_->installEventFilter(this);
    layoutBorders();
}

SkinnedFrame::~SkinnedFrame() = default;

void SkinnedFrame::buildCaptionMenu() {
    captionMenu_ = NewOwnerDrawnMenu(window_);
    captionMenu_->setObjectName(QStringLiteral("captionMenu"));
    SetAutoHotkeys(captionMenu_, true);
    hideRestoreItem_ = AddMenuItem(captionMenu_, QStringLiteral("<>"));
    hideRestoreItem_->setObjectName(QStringLiteral("hideRestoreItem"));
    AddMenuSeparator(captionMenu_);
    QAction* closeItem = AddMenuItem(captionMenu_, QStringLiteral("&Close"));
    closeItem->setObjectName(QStringLiteral("closeItem"));
    // The first item is named after the window's state each time the menu opens.
    connect(captionMenu_, &QMenu::aboutToShow, this, [this] {
        hideRestoreItem_->setText(window_->height() == fullHeight_ ? QStringLiteral("&Hide window")
                                                                   : QStringLiteral("&Restore"));
    });
    connect(hideRestoreItem_, &QAction::triggered, this, &SkinnedFrame::hideOrRestore);
    connect(closeItem, &QAction::triggered, window_, &QWidget::close);
}

void SkinnedFrame::setActive(bool active) {
    currentCaption_ = active ? &activeCaption_ : &inactiveCaption_;
    caption_->update();
}

void SkinnedFrame::setWindowHeight(int height) {
    window_->setFixedSize(window_->width(), height);
    layoutBorders();
}

void SkinnedFrame::layoutBorders() {
    const int w = window_->width();
    const int h = window_->height();
    bottomBorder_->setGeometry(0, h - 2, w, 2);
    const int sideHeight = bottomBorder_->isHidden() ? h : h - 2;
    leftBorder_->setGeometry(0, 0, 2, sideHeight);
    rightBorder_->setGeometry(w - 2, 0, 2, sideHeight);
}

void SkinnedFrame::toggleRollUp() {
    const bool rolledUp = window_->height() != fullHeight_;
    bottomBorder_->setVisible(rolledUp);
    setWindowHeight(rolledUp ? fullHeight_ : caption_->height());
}

void SkinnedFrame::hideOrRestore() {
    setWindowHeight(window_->height() == fullHeight_ ? caption_->height() : fullHeight_);
}

bool SkinnedFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == caption_)
        return captionEvent(event);
    if (watched == closeImage_)
        return closeImageEvent(event);
    if (watched == window_ && event->type() == QEvent::Resize)
        layoutBorders();
    return false;
}

bool SkinnedFrame::captionEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::Paint: {
        QPainter painter(caption_);
        painter.drawPixmap(0, 0, *currentCaption_);
        return true;
    }
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        armDrag(mouse->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!mouse->buttons().testFlag(Qt::LeftButton)) {
            endDrag();
            return false;
        }
        followDrag(mouse->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        endDrag();
        return true;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        endDrag();
        toggleRollUp();
        return true;
    case QEvent::ContextMenu:
        PopupMenu(captionMenu_, static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    default:
        return false;
    }
}

void SkinnedFrame::armDrag(QPoint globalPress) {
    drag_ = Drag::Armed;
    pressedAt_ = globalPress;
    windowAtPress_ = window_->pos();
}

void SkinnedFrame::followDrag(QPoint globalPointer) {
    const QPoint travel = globalPointer - pressedAt_;
    switch (drag_) {
    case Drag::None:
        return;
    case Drag::Armed:
        if (travel.manhattanLength() < QApplication::startDragDistance())
            return;
        // Catch up with the pointer first, so the spot grabbed stays under it. The window
        // manager moves the window from here on and keeps the pointer until the button is
        // let go; the release never reaches the caption bar.
        window_->move(windowAtPress_ + travel);
        if (QWindow* handle = window_->windowHandle(); handle && handle->startSystemMove()) {
            drag_ = Drag::None;
            return;
        }
        drag_ = Drag::Following;
        break;
    case Drag::Following:
        break;
    }
    window_->move(windowAtPress_ + travel);
}

void SkinnedFrame::endDrag() {
    drag_ = Drag::None;
}

bool SkinnedFrame::closeImageEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            closePressed_ = true;
            closeImage_->setPixmap(closeDown_);
        }
        return true;
    }
    if (type == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return true;
        closeImage_->setPixmap(closeUp_);
        const bool clicked =
            closePressed_ && closeImage_->rect().contains(mouse->position().toPoint());
        closePressed_ = false;
        if (clicked)
            window_->close();
        return true;
    }
    return false;
}

} // namespace quenlark
