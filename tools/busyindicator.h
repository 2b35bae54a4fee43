// Progress for work the window does itself that can take more than a moment (reading a large
// book, deleting near its start, sorting, reports, backups, imports). Nothing shows for work
// that ends within half a second; after that a progress dialog does, owned by the window, and
// the windows keep painting while the work goes on. Input waits until the work is done,
// except the Cancel button of work that may be cancelled.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

namespace quenlark {

class BusyIndicator {
public:
    // `total` in any unit the work counts in; 0 when it is not known.
    BusyIndicator(QWidget* owner, const QString& label, qint64 total = 0, bool cancellable = false);
    ~BusyIndicator();
    BusyIndicator(const BusyIndicator&) = delete;
    BusyIndicator& operator=(const BusyIndicator&) = delete;

    // How far the work has come; `total` replaces the one given before when it is not 0.
    // False once the person has cancelled.
    bool advance(qint64 done, qint64 total = 0);
    bool cancelled() const;
    // Whether the dialog has been shown (for tests).
    bool shown() const { return dialog_ != nullptr; }

private:
    QPointer<QWidget> owner_;
    QString label_;
    qint64 total_;
    bool cancellable_;
    QElapsedTimer started_;
    QElapsedTimer painted_;
    QProgressDialog* dialog_ = nullptr;
};

} // namespace quenlark
