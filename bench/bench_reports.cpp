// Writing HTML and rich-text reports of every field of 1,000 and 10,000 contacts to a file.
#include "benchdata.h"
#include "reports/reportfile.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <vector>

using namespace quenlark;

namespace {

void runReport(benchmark::State& state, ReportFormat format) {
    std::vector<ContactRecord> contacts;
    for (std::int64_t i = 0; i < state.range(0); ++i)
        contacts.push_back(bench::SampleContact(std::size_t(i)));
    QTemporaryDir dir;
    const QString path = dir.path() + (format == ReportFormat::Html ? "/r.html" : "/r.rtf");
    for (auto _ : state)
        if (!SaveReportFile(path, format, contacts, ReportFields::All()))
            state.SkipWithError("report not written");
    state.counters["contacts"] = double(state.range(0));
}

void BM_HtmlReport(benchmark::State& state) {
    runReport(state, ReportFormat::Html);
}
void BM_RichTextReport(benchmark::State& state) {
    runReport(state, ReportFormat::RichText);
}

} // namespace

BENCHMARK(BM_HtmlReport)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RichTextReport)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
