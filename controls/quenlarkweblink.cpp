#include "controls/quenlarkweblink.h"

#include "controls/accessiblecontrols.h"
#include "controls/focusrect.h"
#include "platform/uiseam.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace quenlark {

namespace {

const QString kInitialCaption = QStringLiteral("Click Here");

} // namespace

TQuenlarkWebLink::TQuenlarkWebLink(QWidget* parent)
    : QWidget(parent), caption_(kInitialCaption), normalColour_(0, 0, 255),
      // A deep red: full red on the light face is too faint to read.
      overColour_(204, 0, 0), focusColour_(128, 0, 128) {
    InstallAccessibleControls();
    if (parent) {
        setFont(parent->font());
    } else {
        QFont tahoma(QStringLiteral("Tahoma"));
        tahoma.setPixelSize(11);
        setFont(tahoma);
    }
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    preferredSize_ = QSize(100, 20);
    resize(preferredSize_);
    setCanvasFont();
}

TQuenlarkWebLink::~TQuenlarkWebLink() = default;

void TQuenlarkWebLink::SetCaption(const QString& caption) {
    caption_ = caption;
    setCtrlSize();
    update();
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
}

void TQuenlarkWebLink::SetURL(const QString& url) {
    if (caption_ == kInitialCaption || caption_ == url_)
        SetCaption(url);
    url_ = url;
    update();
}

void TQuenlarkWebLink::SetBold(bool bold) {
    bold_ = bold;
    setCtrlSize();
    update();
}

bool TQuenlarkWebLink::TabStop() const {
    return (focusPolicy() & Qt::TabFocus) != 0;
}

void TQuenlarkWebLink::SetTabStop(bool tabStop) {
    setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void TQuenlarkWebLink::Click() {
    if (url_.isEmpty()) {
        emit clicked();
        return;
    }
    // A launcher that cannot open the address fails silently; the link reports nothing.
    Ui().launch(QStringLiteral("open"), url_);
}

void TQuenlarkWebLink::setCanvasFont() {
    QFont canvasFont = font();
    canvasFont.setUnderline(true);
    canvasFont.setItalic(false);
    canvasFont.setStrikeOut(false);
    canvasFont.setOverline(false);
    canvasFont.setBold(bold_);
    setFont(canvasFont);
}

void TQuenlarkWebLink::setCtrlSize() {
    setCanvasFont();
    const QFontMetrics metrics(font());
    preferredSize_ = QSize(metrics.horizontalAdvance(caption_) + 5, metrics.height() + 3);
    resize(preferredSize_);
    updateGeometry();
}

void TQuenlarkWebLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The face of the window or panel it lies on.
    const QColor face = palette().color(QPalette::Active, QPalette::Window);
    painter.fillRect(rect(), face);

    const bool focused = hasFocus();
    const QColor textColour = focused ? focusColour_ : over_ ? overColour_ : normalColour_;
    if (focused)
        DrawFocusRect(painter, rect());

    QFont canvasFont = font();
    canvasFont.setBold(bold_);
    painter.setFont(canvasFont);
    const QFontMetrics metrics(canvasFont);
    const QRect textRect(1, 1, metrics.horizontalAdvance(caption_), metrics.height());
    painter.fillRect(textRect, face);
    painter.setPen(textColour);
    // Plain text: no markup and no "&" mnemonics.
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption_);
}

void TQuenlarkWebLink::takeFocus() {
    setFocus(Qt::MouseFocusReason);
    update();
}

void TQuenlarkWebLink::mousePressEvent(QMouseEvent* event) {
    takeFocus();
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    event->accept();
}

void TQuenlarkWebLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const bool click = pressed_ && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        Click();
}

void TQuenlarkWebLink::mouseDoubleClickEvent(QMouseEvent* event) {
    // The first press and release of a double click clicked; the second one does not, so a
    // double click opens the address once.
    pressed_ = false;
    takeFocus();
    event->accept();
}

void TQuenlarkWebLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TQuenlarkWebLink::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void TQuenlarkWebLink::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void TQuenlarkWebLink::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    over_ = true;
    update();
}

void TQuenlarkWebLink::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    over_ = false;
    update();
}

} // namespace quenlark
