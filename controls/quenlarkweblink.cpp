#include "controls/quenlarkweblink.h"

#include "platform/uiseam.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace quenlark {

namespace {

const QString kInitialCaption = QStringLiteral("Click Here");

// The desktop's dotted focus rectangle: every other pixel of a one-pixel frame.
void drawFocusRect(QPainter& painter, const QRect& rect, const QColor& colour) {
    if (rect.width() < 1 || rect.height() < 1)
        return;
    const QBrush dots(colour, Qt::Dense4Pattern);
    painter.setBrushOrigin(rect.topLeft());
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), dots);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), dots);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), dots);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), dots);
}

} // namespace

TQuenlarkWebLink::TQuenlarkWebLink(QWidget* parent)
    : QWidget(parent), FCaption(kInitialCaption), FNormalColour(0, 0, 255), FOverColour(255, 0, 0),
      FFocusColour(128, 0, 128) {
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
    FPreferredSize = QSize(100, 20);
    resize(FPreferredSize);
    setCanvasFont();
}

TQuenlarkWebLink::~TQuenlarkWebLink() = default;

void TQuenlarkWebLink::SetCaption(const QString& caption) {
    FCaption = caption;
    setCtrlSize();
    update();
}

void TQuenlarkWebLink::SetURL(const QString& url) {
    if (FCaption == kInitialCaption || FCaption == FURL)
        SetCaption(url);
    FURL = url;
    update();
}

void TQuenlarkWebLink::SetBold(bool bold) {
    FBold = bold;
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
    if (FURL.isEmpty()) {
        if (OnClick)
            OnClick(this);
        return;
    }
    // A launcher that cannot open the address fails silently; the link reports nothing.
    Ui().launch(QStringLiteral("open"), FURL);
}

void TQuenlarkWebLink::setCanvasFont() {
    QFont canvasFont = font();
    canvasFont.setUnderline(true);
    canvasFont.setItalic(false);
    canvasFont.setStrikeOut(false);
    canvasFont.setOverline(false);
    canvasFont.setBold(FBold);
    setFont(canvasFont);
}

void TQuenlarkWebLink::setCtrlSize() {
    setCanvasFont();
    const QFontMetrics metrics(font());
    FPreferredSize = QSize(metrics.horizontalAdvance(FCaption) + 5, metrics.height() + 3);
    resize(FPreferredSize);
    updateGeometry();
}

void TQuenlarkWebLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor face = palette().color(QPalette::Active, QPalette::Button);
    painter.fillRect(rect(), face);

    const bool focused = hasFocus();
    const QColor textColour = focused ? FFocusColour : FOver ? FOverColour : FNormalColour;
    if (focused)
        drawFocusRect(painter, rect(), palette().color(QPalette::Active, QPalette::ButtonText));

    QFont canvasFont = font();
    canvasFont.setBold(FBold);
    painter.setFont(canvasFont);
    const QFontMetrics metrics(canvasFont);
    const QRect textRect(1, 1, metrics.horizontalAdvance(FCaption), metrics.height());
    painter.fillRect(textRect, face);
    painter.setPen(textColour);
    // Plain text: no markup and no "&" mnemonics.
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, FCaption);
}

void TQuenlarkWebLink::takeFocus() {
    setFocus(Qt::MouseFocusReason);
    update();
}

void TQuenlarkWebLink::mousePressEvent(QMouseEvent* event) {
    takeFocus();
    if (event->button() == Qt::LeftButton)
        FPressed = true;
    event->accept();
}

void TQuenlarkWebLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const bool click = FPressed && rect().contains(event->position().toPoint());
    FPressed = false;
    event->accept();
    if (click)
        Click();
}

void TQuenlarkWebLink::mouseDoubleClickEvent(QMouseEvent* event) {
    // The first press and release of a double click clicked; the second one does not, so a
    // double click opens the address once.
    FPressed = false;
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
    FOver = true;
    update();
}

void TQuenlarkWebLink::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    FOver = false;
    update();
}

} // namespace quenlark
