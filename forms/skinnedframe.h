// The main window's own frame: the painted caption bar (active and inactive pictures),
// dragging the window by it, rolling the window up to it, its menu, the close image and the
// shadow lines along the edges.
#pragma once

#include <QObject>
#include <QPixmap>
#include <QPoint>

class QAction;
class QLabel;
class QMenu;
class QWidget;

namespace Ui {
class mainform;
}

namespace quenlark {

class SkinnedFrame : public QObject {
    Q_OBJECT
public:
    SkinnedFrame(QWidget* window, const Ui::mainform& ui);
    ~SkinnedFrame() override;

    // The caption bar shows the active or the inactive picture.
    void setActive(bool active);
    // A double click on the caption bar: rolls the window up to the caption bar, hiding the
    // bottom border, or back down.
    void toggleRollUp();
    // The caption menu's first item: shrinks the client area to the caption bar or restores
    // it; the bottom border is left as it is.
    void hideOrRestore();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCaptionMenu();
    void setWindowHeight(int height);
    // The shadow lines along the left, right and bottom edges, as edge-aligned shapes are
    // laid out: the bottom one spans the width, the side ones reach down to it (or to the
    // bottom edge while it is hidden).
    void layoutBorders();
    bool captionEvent(QEvent* event);
    bool closeImageEvent(QEvent* event);
    // Dragging by the caption bar. A press only arms the drag, so that a double click
    // reaches the caption bar; the window moves once the pointer has travelled the
    // desktop's drag distance.
    void armDrag(QPoint globalPress);
    void followDrag(QPoint globalPointer);
    void endDrag();

    // Pressed on the caption bar, not yet moved far enough; moved by the window manager;
    // moved here, following the pointer (where the platform cannot move windows itself).
    enum class Drag { None, Armed, Following };

    QWidget* window_;
    QWidget* caption_;
    QLabel* closeImage_;
    QWidget* leftBorder_;
    QWidget* rightBorder_;
    QWidget* bottomBorder_;
    QPixmap activeCaption_;
    QPixmap inactiveCaption_;
    const QPixmap* currentCaption_ = &activeCaption_;
    QPixmap closeUp_;
    QPixmap closeDown_;
    bool closePressed_ = false;
    Drag drag_ = Drag::None;
    QPoint pressedAt_;     // where the drag began, in global coordinates
    QPoint windowAtPress_; // the window's position then
    // The window's height at the end of construction, which is also its client height.
    int fullHeight_ = 0;
    QMenu* captionMenu_ = nullptr;
    QAction* hideRestoreItem_ = nullptr;
};

} // namespace quenlark
