#include "controls/quenlarkbuttonbase.h"

#include "platform/standarderror.h"

#include <QCursor>
#include <QImage>
#include <QList>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <exception>

namespace quenlark {

namespace {

// The font of a button that has no parent to take its font from: Tahoma 8 point at 96 dpi.
QFont DefaultButtonFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    return font;
}

int AlignmentFlag(TQuenlarkBtnTextAlign align) {
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
QImage TransparentImage(const QPixmap& bitmap, QRgb transparent) {
    QImage image = bitmap.toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent & RGB_MASK;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & RGB_MASK) == key)
                line[x] = 0;
        }
    }
    return image;
}

void ReportError(const std::exception& error) {
    ShowStandardError(QString::fromUtf8(error.what()));
}

} // namespace

TColor getLightFaceColour() {
    const TColor face = ColourToRGB(clBtnFace);
    return RGB(std::min(GetRValue(face) + 10, 255), std::min(GetGValue(face) + 10, 255),
               std::min(GetBValue(face) + 10, 255));
}

void DrawFocusRect(QPainter& canvas, const QRect& rect) {
    if (rect.isEmpty())
        return;
    QList<QPoint> dots;
    const auto dot = [&dots](int x, int y) {
        if ((x + y) % 2 == 0)
            dots.append(QPoint(x, y));
    };
    for (int x = rect.left(); x <= rect.right(); ++x) {
        dot(x, rect.top());
        if (rect.bottom() != rect.top())
            dot(x, rect.bottom());
    }
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        dot(rect.left(), y);
        if (rect.right() != rect.left())
            dot(rect.right(), y);
    }
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    canvas.setPen(QPen(QColor(255, 255, 255), 0));
    canvas.drawPoints(dots.constData(), int(dots.size()));
    canvas.restore();
}

TQuenlarkButtonBase::TQuenlarkButtonBase(QWidget* parent, bool border, QSize size)
    : QWidget(parent), FBorder(border) {
    if (!parent)
        setFont(DefaultButtonFont());
    resize(size);
}

TQuenlarkButtonBase::~TQuenlarkButtonBase() = default;

void TQuenlarkButtonBase::SetCaptionAlign(TQuenlarkBtnTextAlign Value) {
    FCaptionAlign = Value;
    Paint();
}

void TQuenlarkButtonBase::SetCaption(const QString& Value) {
    FCaption = Value;
    Paint();
}

void TQuenlarkButtonBase::SetIcon(const QPixmap& Value) {
    FIcon = Value;
    Paint();
}

void TQuenlarkButtonBase::SetIconOver(const QPixmap& Value) {
    FIconOver = Value;
    Paint();
}

void TQuenlarkButtonBase::SetIconDown(const QPixmap& Value) {
    FIconDown = Value;
    Paint();
}

void TQuenlarkButtonBase::SetDropDown(QMenu* Value) {
    FDropDown = Value;
    Paint();
}

void TQuenlarkButtonBase::SetMargin(int Value) {
    FMargin = Value;
    Paint();
}

void TQuenlarkButtonBase::SetTransparentColour(TColor Value) {
    FTransparentColour = Value;
    Paint();
}

void TQuenlarkButtonBase::SetBorder(bool Value) {
    FBorder = Value;
    Paint();
}

void TQuenlarkButtonBase::SetTag(int Value) {
    FTag = Value;
}

void TQuenlarkButtonBase::Paint() {
    repaint();
}

TQuenlarkButtonBase::TQuenlarkButtonLook TQuenlarkButtonBase::StateLook() const {
    if (FDown)
        return {clBtnShadow, clHighlight, clHighlightText, &FIconDown};
    if (FOver)
        return {clBtnShadow, FBorder ? clBtnFace : getLightFaceColour(), clBtnText, &FIconOver};
    return {FBorder ? clBtnShadow : clBtnFace, getLightFaceColour(), clBtnText, &FIcon};
}

QRect TQuenlarkButtonBase::TextRect(int BitmapWidth) const {
    const int left = BitmapWidth + FMargin + 4;
    int right = width() - 3;
    if (FDropDown)
        right -= 4;
    // Right and bottom are exclusive, as the desktop's rectangles have them.
    return QRect(left, 4, right - left, height() - 3 - 4);
}

void TQuenlarkButtonBase::PaintButton(QPainter& Canvas, int PenWidth) {
    const TQuenlarkButtonLook look = StateLook();
    const QPixmap* bitmap = look.Bitmap;
    if (bitmap->width() == 0 && FIcon.width() != 0)
        bitmap = &FIcon;
    Canvas.setFont(font());
    const QColor pen = ColourToQColor(look.Pen);
    const QColor brush = ColourToQColor(look.Brush);
    const QColor text = ColourToQColor(look.Text);
    const QRect textRect = TextRect(bitmap->width());

    // The frame: outlined in the pen colour, filled with the brush. The last column and
    // row are left to the background.
    const QRect frame(0, 0, width() - 1, height() - 1);
    if (frame.isValid()) {
        Canvas.fillRect(frame, pen);
        const QRect inside = frame.adjusted(PenWidth, PenWidth, -PenWidth, -PenWidth);
        if (inside.isValid())
            Canvas.fillRect(inside, brush);
    }

    if (!bitmap->isNull())
        Canvas.drawImage(QPoint(2, 2),
                         TransparentImage(*bitmap, ColourToQColor(FTransparentColour).rgb()));

    if (!FCaption.isEmpty() && textRect.isValid()) {
        const int flags = AlignmentFlag(FCaptionAlign) | Qt::AlignTop | Qt::TextShowMnemonic;
        Canvas.save();
        Canvas.setClipRect(textRect, Qt::IntersectClip);
        Canvas.fillRect(Canvas.boundingRect(textRect, flags, FCaption) & textRect, brush);
        Canvas.setPen(text);
        style()->drawItemText(&Canvas, textRect, flags, palette(), true, FCaption,
                              QPalette::NoRole);
        Canvas.restore();
    }

    // The drop-down mark: a 4-by-4 square in the text colour right of the caption.
    if (FDropDown)
        Canvas.fillRect(QRect(textRect.x() + textRect.width(), 10, 4, 4), text);
}

void TQuenlarkButtonBase::Click() {
    const QPointer<TQuenlarkButtonBase> alive(this);
    try {
        if (QMenu* menu = FDropDown) {
            QPoint at = QCursor::pos();
            at.rx() -= menu->sizeHint().width() / 2;
            menu->exec(at);
            if (!alive)
                return;
            FOver = false;
            FDown = false;
        }
        if (OnClick) {
            const TNotifyEvent handler = OnClick;
            handler(this);
            if (!alive)
                return;
        }
        Paint();
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

void TQuenlarkButtonBase::DblClick() {
    if (!OnDblClick)
        return;
    const TNotifyEvent handler = OnDblClick;
    try {
        handler(this);
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

void TQuenlarkButtonBase::MouseDown(Qt::MouseButton Button) {
    if (Button != Qt::LeftButton)
        return;
    FDown = true;
    Paint();
}

void TQuenlarkButtonBase::MouseUp(Qt::MouseButton Button) {
    if (Button != Qt::LeftButton)
        return;
    FDown = false;
    Paint();
}

void TQuenlarkButtonBase::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    PaintButton(canvas, 1);
}

void TQuenlarkButtonBase::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        FClicked = true;
    MouseDown(event->button());
}

void TQuenlarkButtonBase::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && FClicked) {
        FClicked = false;
        // The mouse is captured while a button is held, so the release may be anywhere.
        if (rect().contains(event->position().toPoint())) {
            const QPointer<TQuenlarkButtonBase> alive(this);
            Click();
            if (!alive)
                return;
        }
    }
    MouseUp(event->button());
}

void TQuenlarkButtonBase::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        const QPointer<TQuenlarkButtonBase> alive(this);
        DblClick();
        if (!alive)
            return;
    }
    MouseDown(event->button());
}

void TQuenlarkButtonBase::enterEvent(QEnterEvent*) {
    FOver = true;
    Paint();
}

void TQuenlarkButtonBase::leaveEvent(QEvent*) {
    FOver = false;
    Paint();
}

} // namespace quenlark
