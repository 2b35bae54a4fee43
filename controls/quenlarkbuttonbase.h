// What the push button (TQuenlarkStdButton) and the flat speed button (TQuenlarkSpeedBtn)
// share: the caption alignment, the light face colour, the looks per state, the published
// properties, the mouse handling and the click with its drop-down menu.
#pragma once

#include "controls/quenlarkcolour.h"

#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

class QPainter;

namespace quenlark {

// The button-face colour with 10 added to each of red, green and blue, each capped at 255,
// as an RGB colour value.
TColor getLightFaceColour();

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

    TQuenlarkBtnTextAlign CaptionAlign() const { return captionAlign_; }
    const QString& Caption() const { return caption_; }
    const QPixmap& Icon() const { return icons_[Normal].picture; }
    const QPixmap& IconOver() const { return icons_[Over].picture; }
    const QPixmap& IconDown() const { return icons_[Down].picture; }
    QMenu* DropDown() const { return dropDown_; }
    int Margin() const { return margin_; }
    TColor TransparentColour() const { return transparentColour_; }
    bool Border() const { return border_; }
    int Tag() const { return tag_; }

    // Each stores the value and schedules a redraw of the button.
    void SetCaptionAlign(TQuenlarkBtnTextAlign value);
    void SetCaption(const QString& value);
    // The button keeps its own copy of the picture; the caller keeps its pixmap.
    void SetIcon(const QPixmap& value);
    void SetIconOver(const QPixmap& value);
    void SetIconDown(const QPixmap& value);
    // The menu is referenced, not owned. A menu destroyed before the button counts as none.
    void SetDropDown(QMenu* value);
    void SetMargin(int value);
    // Pixels of this colour are left undrawn in all three icons.
    void SetTransparentColour(TColor value);
    void SetBorder(bool value);
    // The tag tells handlers shared by several controls apart. Setting it draws nothing.
    void SetTag(int value);

    // The button's click: drops down the menu, if any, at the mouse pointer and waits until
    // it closes, then emits clicked(). The button may be destroyed by a receiver.
    virtual void Click();
    // A click made from the keyboard (an accelerator, Enter, a screen reader): as Click(),
    // but the menu drops down just below the button, centred on it, wherever the mouse
    // pointer is.
    void KeyboardClick();

    // Where the caption is drawn with the icon the current look shows.
    QRect CaptionRect() const;

signals:
    // A click by mouse, keyboard or Click().
    void clicked();
    // The second press of a left double click.
    void doubleClicked();

protected:
    TQuenlarkButtonBase(QWidget* parent, bool border, QSize size);

    // The paint procedure without the focus rectangle; the frame is penWidth pixels wide.
    void paintButton(QPainter& canvas, int penWidth) const;

    virtual void mouseDown(Qt::MouseButton button);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum Look { Normal, Over, Down };
    struct LookIcon {
        QPixmap picture; // as it was set
        QImage drawn;    // the picture with the transparent colour taken out
    };
    // The pen, brush and text colours and the icon of the current state.
    struct Colours {
        TColor pen;
        TColor brush;
        TColor text;
        const LookIcon* icon;
    };
    Colours currentLook() const;
    // The rectangle the caption is drawn in, given the width of the icon shown.
    QRect textRect(int iconWidth) const;
    void setIcon(Look look, const QPixmap& picture);
    // Takes the transparent colour out of the icons, once per change rather than per paint.
    void keyIcons();

    bool over_ = false;
    bool down_ = false;
    bool border_ = false;
    // The left button went down on the button (not as a double click) and is still held.
    bool pressed_ = false;
    // The click under way came from the keyboard.
    bool keyboardClick_ = false;
    TQuenlarkBtnTextAlign captionAlign_ = qsbCenter;
    QString caption_;
    LookIcon icons_[3];
    int margin_ = 0;
    QPointer<QMenu> dropDown_;
    TColor transparentColour_ = quenlark::clLime;
    int tag_ = 0;
};

// The caption alignment at namespace level, where the two controls' users look for it.
using TQuenlarkBtnTextAlign = TQuenlarkButtonBase::TQuenlarkBtnTextAlign;
using enum TQuenlarkButtonBase::TQuenlarkBtnTextAlign;

} // namespace quenlark
