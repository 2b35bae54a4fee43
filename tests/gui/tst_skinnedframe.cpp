// Dragging the main window by its caption bar and rolling it up there. The offscreen
// platform cannot move windows itself, so the caption bar follows the pointer here as it
// does on a desktop without a window manager.
#include "forms/mainform.h"
#include "guitest.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

namespace {

// Mouse events with the global positions a pointer travelling over the screen gives,
// sent straight to the caption bar.
class CaptionMouse {
public:
    explicit CaptionMouse(QWidget* caption) : caption_(caption) {}

    void press(QPoint local) { send(QEvent::MouseButtonPress, local, Qt::LeftButton); }
    void doubleClick(QPoint local) { send(QEvent::MouseButtonDblClick, local, Qt::LeftButton); }
    void release(QPoint local) { send(QEvent::MouseButtonRelease, local, Qt::LeftButton); }
    // The pointer moves by `travel` from where the button went down, button held.
    void dragBy(QPoint travel) {
        const QPoint global = pressedAt_ + travel;
        QMouseEvent move(QEvent::MouseMove, caption_->mapFromGlobal(global), global, Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(caption_, &move);
    }
    // A whole double click: press, release, press, double click, release.
    void doubleClickAt(QPoint local) {
        press(local);
        release(local);
        press(local);
        doubleClick(local);
        release(local);
    }

private:
    void send(QEvent::Type type, QPoint local, Qt::MouseButton button) {
        const QPoint global = caption_->mapToGlobal(local);
        if (type == QEvent::MouseButtonPress)
            pressedAt_ = global;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, local, global, button, held, Qt::NoModifier);
        QApplication::sendEvent(caption_, &event);
    }

    QWidget* caption_;
    QPoint pressedAt_;
};

} // namespace

class TstSkinnedFrame : public GuiTest {
    Q_OBJECT
private slots:
    void clickDoesNotMoveTheWindow();
    void dragMovesOncePastTheDragDistance();
    void rightButtonDoesNotDrag();
    void doubleClickRollsUpAndBackEveryTime();
    void doubleClickAfterADrag();
};

void TstSkinnedFrame::clickDoesNotMoveTheWindow() {
    auto w = window();
    QVERIFY(w);
    const QPoint start = w->pos();
    CaptionMouse mouse(Child(*w, "caption"));
    mouse.press(QPoint(100, 10));
    mouse.release(QPoint(100, 10));
    QCOMPARE(w->pos(), start);
    QCOMPARE(w->height(), 356);
}

void TstSkinnedFrame::dragMovesOncePastTheDragDistance() {
    auto w = window();
    QVERIFY(w);
    const QPoint start = w->pos();
    const int distance = QApplication::startDragDistance();
    QVERIFY(distance > 2);
    CaptionMouse mouse(Child(*w, "caption"));
    mouse.press(QPoint(100, 10));
    // A hand that shakes while clicking moves nothing.
    mouse.dragBy(QPoint(1, 1));
    mouse.dragBy(QPoint(distance / 2 - 1, 0));
    QCOMPARE(w->pos(), start);
    // Past the distance the window catches up with the pointer and follows it, so the
    // spot grabbed stays under the pointer.
    mouse.dragBy(QPoint(distance + 5, 3));
    QCOMPARE(w->pos(), start + QPoint(distance + 5, 3));
    mouse.dragBy(QPoint(-40, 70));
    QCOMPARE(w->pos(), start + QPoint(-40, 70));
    mouse.release(QPoint(0, 0));
    // Once let go, the pointer moves without the window.
    mouse.dragBy(QPoint(200, 200));
    QCOMPARE(w->pos(), start + QPoint(-40, 70));
    QCOMPARE(w->height(), 356);
}

void TstSkinnedFrame::rightButtonDoesNotDrag() {
    auto w = window();
    QVERIFY(w);
    QWidget* caption = Child(*w, "caption");
    const QPoint start = w->pos();
    const QPoint at(100, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, caption->mapToGlobal(at), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(caption, &press);
    const QPoint far = caption->mapToGlobal(at) + QPoint(80, 80);
    QMouseEvent move(QEvent::MouseMove, caption->mapFromGlobal(far), far, Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(caption, &move);
    QCOMPARE(w->pos(), start);
}

// Each double click begins with a press, which must not take the pointer away from the
// caption bar before the second click arrives.
void TstSkinnedFrame::doubleClickRollsUpAndBackEveryTime() {
    auto w = window();
    QVERIFY(w);
    QWidget* bottom = Child(*w, "bottomBorder");
    CaptionMouse mouse(Child(*w, "caption"));
    const QPoint start = w->pos();
    for (int i = 0; i < 12; ++i) {
        mouse.doubleClickAt(QPoint(200, 12));
        QCOMPARE(w->height(), 23);
        QVERIFY(bottom->isHidden());
        mouse.doubleClickAt(QPoint(200, 12));
        QCOMPARE(w->height(), 356);
        QVERIFY(!bottom->isHidden());
    }
    QCOMPARE(w->pos(), start);
}

void TstSkinnedFrame::doubleClickAfterADrag() {
    auto w = window();
    QVERIFY(w);
    CaptionMouse mouse(Child(*w, "caption"));
    mouse.press(QPoint(100, 10));
    mouse.dragBy(QPoint(50, 20));
    mouse.release(QPoint(150, 30));
    const QPoint moved = w->pos();
    mouse.doubleClickAt(QPoint(300, 8));
    QCOMPARE(w->height(), 23);
    // The rolled-up window still drags by its caption bar.
    mouse.press(QPoint(300, 8));
    mouse.dragBy(QPoint(0, 60));
    mouse.release(QPoint(300, 68));
    QCOMPARE(w->pos(), moved + QPoint(0, 60));
    mouse.doubleClickAt(QPoint(300, 8));
    QCOMPARE(w->height(), 356);
}

QTEST_MAIN(TstSkinnedFrame)
#include "tst_skinnedframe.moc"
