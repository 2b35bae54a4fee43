// The main window's own frame: the painted caption bar (active and inactive pictures),
// dragging the window by it, rolling the window up to it, its menu, the close image and the
// shadow lines along the edges.
#pragma once

#include <QObject>
#include <QPixmap>

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
    // The window's height at the end of construction, which is also its client height.
    int fullHeight_ = 0;
    QMenu* captionMenu_ = nullptr;
    QAction* hideRestoreItem_ = nullptr;
};

} // namespace quenlark
