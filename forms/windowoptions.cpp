#include "forms/windowoptions.h"

#include "controls/widgettreefilter.h"
#include "forms/options.h"

#include <QEvent>
#include <QToolTip>
#include <QWidget>

namespace quenlark {

// Swallows the tooltip events of a window's controls while its tooltips are off; the
// controls keep their hints.
class ToolTipSwitch : public WidgetTreeFilter {
public:
    explicit ToolTipSwitch(QWidget* window) : WidgetTreeFilter(window) {}

    void setShown(bool shown) {
        shown_ = shown;
        if (!shown && QToolTip::isVisible())
            QToolTip::hideText();
    }

protected:
    bool filterEvent(QWidget*, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || shown_)
            return false;
        QToolTip::hideText();
        event->ignore();
        return true;
    }

private:
    bool shown_ = true;
};

WindowOptions::WindowOptions(QWidget* window, SettingsStore& settings)
    : window_(window), store_(settings), tooltips_(new ToolTipSwitch(window)) {}

WindowOptions::~WindowOptions() {
    delete tooltips_;
}

void WindowOptions::apply() {
    tooltips_->setShown(values_.displayTooltips);
}

void WindowOptions::load() {
    Result written;
    values_ = store_.load(&written);
    apply();
    TellSettingsCannotBeSaved(window_, written);
}

void WindowOptions::runDialog() {
    Toptions dialog(window_);
    dialog.setValues(values_);
    if (dialog.exec() != Toptions::mrOk)
        return;
    values_ = dialog.values();
    TellSettingsCannotBeSaved(window_, store_.save(values_));
    apply();
}

} // namespace quenlark
