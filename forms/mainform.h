// The main window.
#pragma once

#include <QWidget>
#include <memory>

namespace quenlark {

class Tmainform : public QWidget {
    Q_OBJECT
public:
    explicit Tmainform(QWidget* parent = nullptr);
    ~Tmainform() override;

    // False when start-up ended without an open database; the window is then not used.
    bool startedUp() const { return startedUp_; }

private:
    void FormCreate();
    void FormDestroy();

    bool startedUp_ = false;
};

// The one main window of the program, while it exists.
extern Tmainform* mainform;

} // namespace quenlark
