// Driving a dialog that the code under test shows modally.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace quenlark::test {

struct ModalRun {
    bool driven = false;    // the dialog was shown and `drive` ran on it
    bool leftOpen = false;  // `drive` left it open, so it was ended with the given result
    bool destroyed = false; // the dialog no longer existed once `open` returned
};

// Runs `open`, which shows a dialog of type D modally, and `drive` on that dialog once it is
// shown. A dialog that `drive` leaves open is ended with `leftOpenResult`.
template <class D>
ModalRun RunModal(const std::function<void()>& open, const std::function<void(D&)>& drive,
                  int leftOpenResult = 0) {
    ModalRun run;
    QPointer<D> shown;
    // Polls for the dialog while `open` runs; gone, with its polling, once it returns.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog || run.driven)
            return;
        run.driven = true;
        shown = dialog;
        drive(*dialog);
        if (shown && shown->isVisible()) {
            run.leftOpen = true;
            shown->done(leftOpenResult);
        }
    });
    poll.start();
    open();
    run.destroyed = run.driven && shown.isNull();
    return run;
}

} // namespace quenlark::test
