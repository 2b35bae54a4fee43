// The fixture most GUI tests share: a fresh sandbox and scripted seam for each test
// function, and at its end the check that every queued answer was used.
#pragma once

#include "mainwindowdriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QObject>
#include <memory>

namespace quenlark::test {

class GuiTest : public QObject {
    Q_OBJECT
protected slots:
    virtual void init();
    virtual void cleanup();

protected:
    // The main window on a database of these records, shown; fails the test when it does
    // not start.
    std::unique_ptr<Tmainform> window(const QList<ContactRecord>& records = {});

    std::unique_ptr<TestEnv> env_;
    std::unique_ptr<ScriptedUiSeam> seam_;
};

} // namespace quenlark::test
