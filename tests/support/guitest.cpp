#include "guitest.h"

#include "forms/mainform.h"

#include <QtTest>

namespace quenlark::test {

void GuiTest::init() {
    env_ = std::make_unique<TestEnv>();
    seam_ = std::make_unique<ScriptedUiSeam>();
}

void GuiTest::cleanup() {
    QVERIFY2(seam_->drained(), "an answer queued for a question that was not asked");
    QVERIFY(!QApplication::activeModalWidget());
    seam_.reset();
    env_.reset();
}

std::unique_ptr<Tmainform> GuiTest::window(const QList<ContactRecord>& records) {
    auto w = OpenMainWindow(*env_, DatabaseWith(records));
    if (!w)
        qWarning("the main window did not start");
    return w;
}

} // namespace quenlark::test
