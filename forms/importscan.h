// The first pass of an import, on a thread of its own: reads the book's contacts (so that
// none is added twice) and the file, and sums up what adding it would do, while the window
// goes on painting and answering. Cancel stops it within a moment.
#pragma once

#include "engine/addressbookengine.h"
#include "interchange/importsummary.h"

#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>

namespace quenlark {

class ImportScan : public QObject {
    Q_OBJECT
public:
    // `book` streams the book's records; the book must not change until the scan is over.
    ImportScan(std::filesystem::path file, AddressBookEngine::RecordStream book,
               QObject* parent = nullptr);
    // Stops the scan and waits for its thread.
    ~ImportScan() override;

    void start();
    // Asks the scan to stop; finished() follows with Failure::Cancelled.
    void cancel();
    bool isFinished() const { return finished_; }

    // After finished():
    const Result& result() const { return result_; }
    const ImportSummary& summary() const { return summary_; }
    // The book's contacts, and the file's from the scan: the second pass starts from them.
    KnownContacts& known() { return known_; }

signals:
    // How far the scan has come, in bytes of the book and the file together.
    void progress(qint64 done, qint64 total);
    void finished();

private:
    void run();
    bool report(qint64 done);

    std::filesystem::path file_;
    std::optional<AddressBookEngine::RecordStream> book_;
    qint64 total_ = 0;
    std::unique_ptr<QThread> thread_;
    std::atomic<bool> cancelled_{false};
    bool finished_ = false;
    // Touched by the scan's thread only.
    QElapsedTimer sinceReported_;
    qint64 lastReported_ = -1;
    Result result_;
    ImportSummary summary_;
    KnownContacts known_;
};

} // namespace quenlark
