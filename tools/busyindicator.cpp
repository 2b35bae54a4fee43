#include "tools/busyindicator.h"

#include "platform/standarderror.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace quenlark {

namespace {

// Work shorter than this shows nothing.
constexpr qint64 kShowAfterMs = 500;
// The windows are painted at most this often while the work goes on.
constexpr qint64 kPaintEveryMs = 40;
// The progress bar's steps.
constexpr int kSteps = 1000;

} // namespace

BusyIndicator::BusyIndicator(QWidget* owner, const QString& label, qint64 total, bool cancellable)
    : owner_(owner), label_(label), total_(total), cancellable_(cancellable) {
    started_.start();
    painted_.start();
}

BusyIndicator::~BusyIndicator() {
    delete dialog_;
}

bool BusyIndicator::cancelled() const {
    return dialog_ && dialog_->wasCanceled();
}

bool BusyIndicator::advance(qint64 done, qint64 total) {
    if (total > 0)
        total_ = total;
    if (!dialog_ && started_.elapsed() >= kShowAfterMs) {
        dialog_ = new QProgressDialog(label_, QString(), 0, kSteps, owner_);
        dialog_->setObjectName(QStringLiteral("progressDialog"));
        dialog_->setWindowTitle(QString::fromLatin1(kApplicationTitle));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        if (cancellable_)
            dialog_->setCancelButtonText(QStringLiteral("Cancel"));
        else
            dialog_->setCancelButton(nullptr);
        dialog_->show();
        painted_.invalidate();
    }
    if (dialog_ && (!painted_.isValid() || painted_.elapsed() >= kPaintEveryMs)) {
        if (total_ > 0)
            dialog_->setValue(int(std::min<qint64>(kSteps, done * kSteps / total_)));
        else
            dialog_->setMaximum(0); // a busy bar without an end
        // Painting and the Cancel button only; the rest of the input waits.
        QCoreApplication::processEvents(cancellable_ ? QEventLoop::AllEvents
                                                     : QEventLoop::ExcludeUserInputEvents);
        painted_.start();
    }
    return !cancelled();
}

} // namespace quenlark
