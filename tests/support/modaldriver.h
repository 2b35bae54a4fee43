// Driving a dialog that the code under test shows modally.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace quenlark::test {

struct ModalRun {
    bool driven = false;   // the dialog was shown and `drive` ran on it
    bool leftOpen = false; // `drive` left it open, so it was ended with the given result
};

// Runs `open`, which shows a dialog of type D modally, and `drive` on that dialog once it is
// shown. A dialog that `drive` leaves open is ended with `leftOpenResult`.
template <class D>
ModalRun RunModal(const std::function<void()>& open, const std::function<void(D&)>& drive,
                  int leftOpenResult = 0) {
    ModalRun run;
    // Polls for the dialog while `open` runs; gone, with its polling, once it returns.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog || run.driven)
            return;
        run.driven = true;
        drive(*dialog);
        if (dialog->isVisible()) {
            run.leftOpen = true;
            dialog->done(leftOpenResult);
        }
    });
    poll.start();
    open();
    return run;
}

} // namespace quenlark::test
