// Every window of the program at once, for tests that look at all of them alike: the main
// window with a contact selected (its link panels showing) and each dialog, all shown.
#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <vector>

class QWidget;

namespace quenlark {
class Tmainform;
}

namespace quenlark::test {

class TestEnv;

class EveryWindow {
public:
    // Opens the main window on two contacts with every address, selects the first and
    // shows each dialog beside it. Check ok() before use.
    explicit EveryWindow(TestEnv& env);
    ~EveryWindow();

    bool ok() const { return ok_; }
    Tmainform& main() { return *main_; }
    // The main window first, then the dialogs, each with its object name.
    QList<QWidget*> windows() const;

private:
    std::unique_ptr<Tmainform> main_;
    std::vector<std::unique_ptr<QWidget>> dialogs_;
    bool ok_ = false;
};

} // namespace quenlark::test
