// An event filter on one widget and on every widget inside its window, those made later
// included: how a form sees the events of all its controls without a filter on the whole
// application.
#pragma once

#include <QObject>

class QWidget;

namespace quenlark {

class WidgetTreeFilter : public QObject {
    Q_OBJECT
public:
    // Owned by `root`.
    explicit WidgetTreeFilter(QWidget* root);

protected:
    QWidget* root() const { return root_; }
    // Called for each event of the root and of the widgets inside its window. True stops
    // the event.
    virtual bool filterEvent(QWidget* watched, QEvent* event) = 0;
    // Called for each event of the windows the root owns (its dialogs and menus, and theirs)
    // and of the widgets inside them. True stops the event. Nothing by default.
    virtual bool filterOwnedWindowEvent(QWidget* watched, QEvent* event);

private:
    bool eventFilter(QObject* watched, QEvent* event) final;
    void watch(QWidget* widget);

    QWidget* root_;
};

} // namespace quenlark
