#include "forms/importscan.h"

#include <system_error>

namespace quenlark {

namespace {

// Progress goes to the window at most this often.
constexpr qint64 kReportEveryMs = 50;

} // namespace

ImportScan::ImportScan(std::filesystem::path file, AddressBookEngine::RecordStream book,
                       QObject* parent)
    : QObject(parent), file_(std::move(file)) {
    book_.emplace(std::move(book));
    std::error_code ec;
    const auto fileSize = std::filesystem::file_size(file_, ec);
    total_ = qint64(book_->count() * kRecordSize) + (ec ? 0 : qint64(fileSize));
}

ImportScan::~ImportScan() {
    cancel();
    if (thread_)
        thread_->wait();
}

void ImportScan::start() {
    thread_.reset(QThread::create([this] { run(); }));
    // Back on the window's thread once the scan's thread has ended.
    connect(thread_.get(), &QThread::finished, this, [this] {
        finished_ = true;
        emit finished();
    });
    thread_->start();
}

void ImportScan::cancel() {
    cancelled_ = true;
}

bool ImportScan::report(qint64 done) {
    if (!sinceReported_.isValid() || sinceReported_.elapsed() >= kReportEveryMs) {
        sinceReported_.start();
        if (done != lastReported_) {
            lastReported_ = done;
            emit progress(done, total_);
        }
    }
    return !cancelled_;
}

void ImportScan::run() {
    // The book first: the contacts a second import of the same file must not add again.
    ContactRecord record;
    qint64 done = 0;
    while (book_->next(record)) {
        known_.addFromBook(record);
        done += qint64(kRecordSize);
        if ((done / qint64(kRecordSize)) % 4096 == 0 && !report(done)) {
            result_ = Result::Fail(Failure::Cancelled, "The import was cancelled.");
            return;
        }
    }
    const qint64 bookBytes = done;
    ContactReader reader(file_);
    SummaryOptions options;
    options.known = &known_;
    options.progress = [&](std::size_t, std::uint64_t bytes) {
        return report(bookBytes + qint64(bytes));
    };
    result_ = SummarizeImport(reader, summary_, options);
}

} // namespace quenlark
