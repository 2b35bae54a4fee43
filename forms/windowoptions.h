// The program options as the main window holds them: loaded once the database is open,
// changed in the options dialog, and the window's tooltips switched on or off by them.
#pragma once

#include "platform/programoptions.h"

#include <QObject>

class QWidget;

namespace quenlark {

class SettingsStore;
class ToolTipSwitch;

class WindowOptions : public QObject {
    Q_OBJECT
public:
    WindowOptions(QWidget* window, SettingsStore& settings);
    ~WindowOptions() override;

    const OptionValues& values() const { return values_; }
    // Reads the options, writing the defaults of missing or unreadable ones, and applies
    // them. A store that cannot be written is told of once.
    void load();
    // Runs the options dialog; OK stores and applies the ticked options.
    void runDialog();

private:
    void apply();

    QWidget* window_;
    ProgramOptions store_;
    OptionValues values_;
    ToolTipSwitch* tooltips_;
};

} // namespace quenlark
