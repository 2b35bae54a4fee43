#include "controls/quenlarkbuttonbase.h"

#include "controls/accessiblecontrols.h"

#include <QAccessible>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace quenlark {

namespace {

// The font of a button that has no parent to take its font from: Tahoma 8 point at 96 dpi.
QFont defaultButtonFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    return font;
}

int alignmentFlag(TQuenlarkBtnTextAlign align) {
    switch (align) {
    case qsbCenter:
        return Qt::AlignHCenter;
    case qsbRight:
        return Qt::AlignRight;
    case qsbLeft:
        break;
    }
    return Qt::AlignLeft;
}

// The picture with every pixel of the transparent colour made see-through.
QImage withoutColour(const QPixmap& picture, QRgb transparent) {
    if (picture.isNull())
        return {};
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent & RGB_MASK;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & RGB_MASK) == key)
                line[x] = 0;
    }
    return image;
}

} // namespace

TColor getLightFaceColour() {
    const TColor face = ColourToRGB(clBtnFace);
    return RGB(std::min(GetRValue(face) + 10, 255), std::min(GetGValue(face) + 10, 255),
               std::min(GetBValue(face) + 10, 255));
}

TQuenlarkButtonBase::TQuenlarkButtonBase(QWidget* parent, bool border, QSize size)
    : QWidget(parent), border_(border) {
    InstallAccessibleControls();
    if (!parent)
        setFont(defaultButtonFont());
    resize(size);
}

TQuenlarkButtonBase::~TQuenlarkButtonBase() = default;

void TQuenlarkButtonBase::SetCaptionAlign(TQuenlarkBtnTextAlign value) {
    captionAlign_ = value;
    update();
}

void TQuenlarkButtonBase::SetCaption(const QString& value) {
    caption_ = value;
    update();
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
}

void TQuenlarkButtonBase::SetIcon(const QPixmap& value) {
    setIcon(Normal, value);
}

void TQuenlarkButtonBase::SetIconOver(const QPixmap& value) {
    setIcon(Over, value);
}

void TQuenlarkButtonBase::SetIconDown(const QPixmap& value) {
    setIcon(Down, value);
}

void TQuenlarkButtonBase::setIcon(Look look, const QPixmap& picture) {
    LookIcon& icon = icons_[look];
    icon.picture = picture;
    icon.drawn = withoutColour(picture, ColourToQColor(transparentColour_).rgb());
    update();
}

void TQuenlarkButtonBase::keyIcons() {
    const QRgb key = ColourToQColor(transparentColour_).rgb();
    for (LookIcon& icon : icons_)
        icon.drawn = withoutColour(icon.picture, key);
}

void TQuenlarkButtonBase::SetDropDown(QMenu* value) {
    dropDown_ = value;
    update();
}

void TQuenlarkButtonBase::SetMargin(int value) {
    margin_ = value;
    update();
}

void TQuenlarkButtonBase::SetTransparentColour(TColor value) {
    transparentColour_ = value;
    keyIcons();
    update();
}

void TQuenlarkButtonBase::SetBorder(bool value) {
    border_ = value;
    update();
}

void TQuenlarkButtonBase::SetTag(int value) {
    tag_ = value;
}

TQuenlarkButtonBase::Colours TQuenlarkButtonBase::currentLook() const {
    if (down_)
        return {clBtnShadow, clHighlight, clHighlightText, &icons_[Down]};
    if (over_)
        return {clBtnShadow, border_ ? clBtnFace : getLightFaceColour(), clBtnText, &icons_[Over]};
    return {border_ ? clBtnShadow : clBtnFace, getLightFaceColour(), clBtnText, &icons_[Normal]};
}

QRect TQuenlarkButtonBase::textRect(int iconWidth) const {
    const int left = iconWidth + margin_ + 4;
    int right = width() - 3;
    if (dropDown_)
        right -= 4;
    // Right and bottom are exclusive, as the desktop's rectangles have them.
    return QRect(left, 4, right - left, height() - 3 - 4);
}

void TQuenlarkButtonBase::paintButton(QPainter& canvas, int penWidth) const {
    const Colours look = currentLook();
    // A state without its own icon shows the normal one.
    const LookIcon* icon = look.icon;
    if (icon->picture.width() == 0 && icons_[Normal].picture.width() != 0)
        icon = &icons_[Normal];
    canvas.setFont(font());
    const QColor pen = ColourToQColor(look.pen);
    const QColor brush = ColourToQColor(look.brush);
    const QColor text = ColourToQColor(look.text);
    const QRect captionRect = textRect(icon->picture.width());

    // The frame: outlined in the pen colour, filled with the brush. The last column and
    // row are left to the background.
    const QRect frame(0, 0, width() - 1, height() - 1);
    if (frame.isValid()) {
        canvas.fillRect(frame, pen);
        const QRect inside = frame.adjusted(penWidth, penWidth, -penWidth, -penWidth);
        if (inside.isValid())
            canvas.fillRect(inside, brush);
    }

    if (!icon->drawn.isNull())
        canvas.drawImage(QPoint(2, 2), icon->drawn);

    if (!caption_.isEmpty() && captionRect.isValid()) {
        const int flags = alignmentFlag(captionAlign_) | Qt::AlignTop | Qt::TextShowMnemonic;
        canvas.save();
        canvas.setClipRect(captionRect, Qt::IntersectClip);
        canvas.fillRect(canvas.boundingRect(captionRect, flags, caption_) & captionRect, brush);
        canvas.setPen(text);
        style()->drawItemText(&canvas, captionRect, flags, palette(), true, caption_,
                              QPalette::NoRole);
        canvas.restore();
    }

    // The drop-down mark: a 4-by-4 square in the text colour right of the caption.
    if (dropDown_)
        canvas.fillRect(QRect(captionRect.x() + captionRect.width(), 10, 4, 4), text);
}

QRect TQuenlarkButtonBase::CaptionRect() const {
    const LookIcon* icon = currentLook().icon;
    if (icon->picture.width() == 0)
        icon = &icons_[Normal];
    return textRect(icon->picture.width());
}

void TQuenlarkButtonBase::KeyboardClick() {
    const QPointer<TQuenlarkButtonBase> alive(this);
    keyboardClick_ = true;
    Click();
    if (alive)
        keyboardClick_ = false;
}

void TQuenlarkButtonBase::Click() {
    const QPointer<TQuenlarkButtonBase> alive(this);
    if (QMenu* menu = dropDown_) {
        // Centred on the pointer, or below the button when the click came from a key.
        QPoint at = keyboardClick_ ? mapToGlobal(QPoint(width() / 2, height())) : QCursor::pos();
        keyboardClick_ = false;
        at.rx() -= menu->sizeHint().width() / 2;
        menu->exec(at);
        if (!alive)
            return;
        over_ = false;
        down_ = false;
    }
    emit clicked();
    if (alive)
        update();
}

void TQuenlarkButtonBase::mouseDown(Qt::MouseButton button) {
    if (button != Qt::LeftButton)
        return;
    down_ = true;
    update();
}

void TQuenlarkButtonBase::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    paintButton(canvas, 1);
}

void TQuenlarkButtonBase::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    mouseDown(event->button());
}

void TQuenlarkButtonBase::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const bool left = event->button() == Qt::LeftButton;
    if (left && pressed_) {
        pressed_ = false;
        // The mouse is captured while a button is held, so the release may be anywhere.
        if (rect().contains(event->position().toPoint())) {
            const QPointer<TQuenlarkButtonBase> alive(this);
            Click();
            if (!alive)
                return;
        }
    }
    if (left) {
        down_ = false;
        update();
    }
}

void TQuenlarkButtonBase::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        const QPointer<TQuenlarkButtonBase> alive(this);
        emit doubleClicked();
        if (!alive)
            return;
    }
    mouseDown(event->button());
}

void TQuenlarkButtonBase::enterEvent(QEnterEvent*) {
    over_ = true;
    update();
}

void TQuenlarkButtonBase::leaveEvent(QEvent*) {
    over_ = false;
    update();
}

void TQuenlarkButtonBase::changeEvent(QEvent* event) {
    // A transparent system colour follows the palette.
    if (event->type() == QEvent::PaletteChange && IsSystemColour(transparentColour_))
        keyIcons();
    QWidget::changeEvent(event);
}

} // namespace quenlark
