// Reports of every field of every contact, from the book on disk to a report file, as the
// report dialog writes them. x_floor is the ratio to reading the book and writing a file of
// the report's size with a flush, measured beside each report; peak_MiB shows that the
// memory a report takes does not grow with the book.
#include "benchsupport.h"
#include "engine/addressbookengine.h"
#include "reports/reportfile.h"

#include <QCoreApplication>

using namespace quenlark;
using namespace quenlark::bench;

namespace {

// Reads `from` and writes as many bytes to a new file, flushed: what any report must cost.
double readAndWriteFloor(const std::string& from, std::uintmax_t bytes) {
    const std::string to = CacheDir() + "/floor.out";
    const auto start = std::chrono::steady_clock::now();
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<char> block(1 << 20);
    for (ssize_t n; (n = ::read(in, block.data(), block.size())) > 0;) {
    }
    for (std::uintmax_t left = bytes; left > 0;) {
        const auto n = std::size_t(std::min<std::uintmax_t>(left, block.size()));
        if (::write(out, block.data(), n) != ssize_t(n))
            std::abort();
        left -= n;
    }
    ::fsync(out);
    ::close(in);
    ::close(out);
    const double seconds = SecondsSince(start);
    std::filesystem::remove(to);
    return seconds;
}

void runReport(benchmark::State& state, ReportFormat format) {
    const std::string book = CachedDatabase(std::size_t(state.range(0)));
    OneBookSettings settings(book);
    SilentMessages messages;
    AddressBookEngine engine(settings, messages, CacheDir());
    if (!engine.OpenAddressBook())
        std::abort();
    engine.LoadContactIndex();
    const QString path = QString::fromStdString(CacheDir()) +
                         (format == ReportFormat::Html ? "/report.html" : "/report.rtf");
    Ratios ratios;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        // The contacts in file order, as "All contacts" gives them.
        std::vector<std::int64_t> offsets;
        offsets.reserve(engine.index().size());
        for (const ContactIndexEntry& e : engine.index())
            offsets.push_back(e.offset);
        AddressBookEngine::RecordStream stream = engine.StreamContacts(std::move(offsets));
        if (!SaveReportFile(
                path, format, [&](ContactRecord& r) { return stream.next(r); },
                ReportFields::All()))
            state.SkipWithError("report not written");
        const double seconds = SecondsSince(start);
        state.SetIterationTime(seconds);
        ratios.add(seconds,
                   readAndWriteFloor(book, std::filesystem::file_size(path.toStdString())));
    }
    ratios.report(state, "x_floor");
    state.counters["contacts"] = double(state.range(0));
    std::filesystem::remove(path.toStdString());
}

void BM_HtmlReport(benchmark::State& state) {
    runReport(state, ReportFormat::Html);
}
void BM_RichTextReport(benchmark::State& state) {
    runReport(state, ReportFormat::RichText);
}

} // namespace

BENCHMARK(BM_HtmlReport)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RichTextReport)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
