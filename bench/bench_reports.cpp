// Reports of every field of every contact, from the book on disk to a report file, as the
// report dialog writes them. x_floor is the ratio to reading the book at `cat`'s speed and
// writing a file of the report's size with a flush, measured beside each report; peak_MiB shows
// that the memory a report takes does not grow with the book.
#include "benchsupport.h"
#include "engine/addressbookengine.h"
#include "reports/reportfile.h"

#include <QCoreApplication>

using namespace quenlark;
using namespace quenlark::bench;

namespace {

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
    Laps laps("x_floor");
    for (auto _ : state) {
        laps.begin();
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
        const double seconds = laps.end();
        laps.add(state, seconds,
                 ReadWriteFlush(book, std::filesystem::file_size(path.toStdString())));
    }
    laps.report(state);
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
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RichTextReport)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
