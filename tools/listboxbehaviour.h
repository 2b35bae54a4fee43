// What makes a list view of single selection behave as the desktop's standard list box.
#pragma once

#include <QObject>

class QListView;
class QKeyEvent;
class QMouseEvent;

namespace quenlark {

// Set up on a view (owned by it), it watches the view's keys and its viewport's mouse:
// - With no item selected, the first Down, Up, Home or PgUp selects the first item and End
//   or PgDn the last, so that with one item any of them selects it.
// - The list shows which item is current: when it takes the focus without a current item,
//   the first item becomes current, unselected, and its focus rectangle shows.
// - A press below the last item, and a press of any button but the left one, only takes the
//   focus: the selection stays as it was, and a right click opens the list's menu on it.
class ListBoxBehaviour : public QObject {
    Q_OBJECT
public:
    explicit ListBoxBehaviour(QListView* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool keyPress(const QKeyEvent* event);
    // True when the press is to change nothing but the focus.
    bool onlyFocuses(const QMouseEvent* event) const;
    void makeFirstItemCurrent();

    QListView* view_;
    QWidget* viewport_;
    // A press the list did not get: its moves and release stay away from the list as well.
    bool swallowing_ = false;
};

} // namespace quenlark
