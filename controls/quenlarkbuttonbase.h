// What the push button (TQuenlarkStdButton) and the flat speed button (TQuenlarkSpeedBtn)
// share: the caption alignment, the light face colour, the state table and the paint
// procedure, their fields and setters, the mouse handling and the guarded click.
#pragma once

#include "controls/quenlarkcolour.h"

#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QPainter;

namespace quenlark {

// A bound handler that takes the sending object. Bind a form's member function with
// std::bind_front(&Tform::btnAddClick, this) or a lambda.
using TNotifyEvent = std::function<void(QObject* Sender)>;

// The button-face colour with 10 added to each of red, green and blue, each capped at 255,
// as an RGB colour value.
TColor getLightFaceColour();

// Draws the desktop's dotted focus rectangle: every other pixel of the outline of `rect`
// is inverted.
void DrawFocusRect(QPainter& canvas, const QRect& rect);

// Base of the two button controls. It is not used on its own.
class TQuenlarkButtonBase : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TQuenlarkBtnTextAlign CaptionAlign READ CaptionAlign WRITE SetCaptionAlign)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QPixmap Icon READ Icon WRITE SetIcon)
    Q_PROPERTY(QPixmap IconOver READ IconOver WRITE SetIconOver)
    Q_PROPERTY(QPixmap IconDown READ IconDown WRITE SetIconDown)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(uint TransparentColour READ TransparentColour WRITE SetTransparentColour)
    Q_PROPERTY(bool Border READ Border WRITE SetBorder)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    // Placement of the caption in its rectangle.
    enum TQuenlarkBtnTextAlign : quint8 { qsbCenter = 0, qsbLeft = 1, qsbRight = 2 };
    Q_ENUM(TQuenlarkBtnTextAlign)

    // Transparent colours as form layouts name them (<enum>clLime</enum>).
    static constexpr TColor clLime = quenlark::clLime;
    static constexpr TColor clFuchsia = quenlark::clFuchsia;

    ~TQuenlarkButtonBase() override;

    TQuenlarkBtnTextAlign CaptionAlign() const { return FCaptionAlign; }
    const QString& Caption() const { return FCaption; }
    const QPixmap& Icon() const { return FIcon; }
    const QPixmap& IconOver() const { return FIconOver; }
    const QPixmap& IconDown() const { return FIconDown; }
    QMenu* DropDown() const { return FDropDown; }
    int Margin() const { return FMargin; }
    TColor TransparentColour() const { return FTransparentColour; }
    bool Border() const { return FBorder; }
    int Tag() const { return FTag; }

    // Each stores the value and redraws the button before it returns.
    void SetCaptionAlign(TQuenlarkBtnTextAlign Value);
    void SetCaption(const QString& Value);
    // The button keeps its own copy of the picture; the caller keeps its pixmap.
    void SetIcon(const QPixmap& Value);
    void SetIconOver(const QPixmap& Value);
    void SetIconDown(const QPixmap& Value);
    // The menu is referenced, not owned. A menu destroyed before the button counts as none.
    void SetDropDown(QMenu* Value);
    void SetMargin(int Value);
    // Pixels of this colour are left undrawn in all three icons.
    void SetTransparentColour(TColor Value);
    void SetBorder(bool Value);
    // The tag tells handlers shared by several controls apart. Setting it draws nothing.
    void SetTag(int Value);

    // The setters under the names that form layouts compiled by uic call.
    void setCaptionAlign(TQuenlarkBtnTextAlign Value) { SetCaptionAlign(Value); }
    void setCaption(const QString& Value) { SetCaption(Value); }
    void setIcon(const QPixmap& Value) { SetIcon(Value); }
    void setIconOver(const QPixmap& Value) { SetIconOver(Value); }
    void setIconDown(const QPixmap& Value) { SetIconDown(Value); }
    void setMargin(int Value) { SetMargin(Value); }
    void setTransparentColour(TColor Value) { SetTransparentColour(Value); }
    void setBorder(bool Value) { SetBorder(Value); }
    void setTag(int Value) { SetTag(Value); }

    // Redraws the whole button now (nothing while the button is not shown).
    void Paint();

    // The button's click: drops down the menu, if any, at the mouse pointer and waits until
    // it closes, then calls OnClick. An exception escaping either is shown by the
    // application's standard error report.
    virtual void Click();

    // Called by Click with the button as sender.
    TNotifyEvent OnClick;
    // Called when the left mouse button is double-clicked on the button.
    TNotifyEvent OnDblClick;

protected:
    TQuenlarkButtonBase(QWidget* parent, bool border, QSize size);

    // The state table's choice for the current state.
    struct TQuenlarkButtonLook {
        TColor Pen;
        TColor Brush;
        TColor Text;
        const QPixmap* Bitmap;
    };
    TQuenlarkButtonLook StateLook() const;
    // The paint procedure without the focus rectangle; the frame is PenWidth pixels wide.
    void PaintButton(QPainter& Canvas, int PenWidth);
    // The rectangle the caption is drawn in for the given state bitmap width.
    QRect TextRect(int BitmapWidth) const;

    virtual void MouseDown(Qt::MouseButton Button);
    virtual void MouseUp(Qt::MouseButton Button);
    void DblClick();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

    bool FOver = false;
    bool FDown = false;
    bool FBorder = false;
    TQuenlarkBtnTextAlign FCaptionAlign = qsbCenter;
    QString FCaption;
    QPixmap FIcon;
    QPixmap FIconOver;
    QPixmap FIconDown;
    int FMargin = 0;
    QPointer<QMenu> FDropDown;
    TColor FTransparentColour = quenlark::clLime;
    int FTag = 0;

private:
    // The left button went down on the button (not as a double click) and is still held.
    bool FClicked = false;
};

// The caption alignment at namespace level, where the two controls' users look for it.
using TQuenlarkBtnTextAlign = TQuenlarkButtonBase::TQuenlarkBtnTextAlign;
using enum TQuenlarkButtonBase::TQuenlarkBtnTextAlign;

} // namespace quenlark
