// Export to vCard and CSV, and import of both, at 10,000 and 100,000 contacts. Each figure
// is also given as a ratio ("x_baseline") to moving the same bytes through the same kind of
// stream without formatting or parsing, measured in the same run, and with the process's
// peak resident memory so far ("peak_rss_MiB", from getrusage): a streaming import keeps it
// flat however many contacts the file holds.
//
// Then the first pass of an import (SummarizeImport) of files made to be hard: a 16 MiB
// QUOTED-PRINTABLE value full of soft line breaks and encoded line breaks, and a 128 MiB
// file of properties with long parameter lists. Each is given as a ratio ("x_read") to one
// read of the same file through a reused 1 MiB buffer, measured beside it, and with the peak
// memory of the import itself ("peak_MiB", the process's peak reset before it).
#include "benchdata.h"
#include "interchange/contactreader.h"
#include "interchange/csvwriter.h"
#include "interchange/importsummary.h"
#include "interchange/vcardwriter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace quenlark;

namespace {

constexpr std::size_t kPool = 1000;

// A temporary folder, removed when the program ends.
struct TempDir {
    TempDir() {
        std::string d =
            (std::filesystem::temp_directory_path() / "quenlark-bench-interchange-XXXXXX").string();
        if (!::mkdtemp(d.data()))
            std::abort();
        path = d;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

const std::filesystem::path& benchDir() {
    static const TempDir dir;
    return dir.path;
}

// A thousand different contacts, exported over and over, so that making them costs nothing
// in the timed loop and holds no memory that grows with the count.
const std::vector<ContactRecord>& pool() {
    static const auto records = [] {
        std::vector<ContactRecord> r;
        for (std::size_t i = 0; i < kPool; ++i)
            r.push_back(bench::SampleContact(i));
        return r;
    }();
    return records;
}

enum class Format { VCard, Csv };

void exportTo(const std::filesystem::path& path, Format format, std::size_t count) {
    std::ofstream out(path, std::ios::binary);
    if (format == Format::VCard) {
        VCardWriter writer(out);
        for (std::size_t i = 0; i < count; ++i)
            writer.write(pool()[i % kPool]);
    } else {
        CsvWriter writer(out);
        for (std::size_t i = 0; i < count; ++i)
            writer.write(pool()[i % kPool]);
    }
}

// The text of each pool contact as exported, to write the same bytes without formatting.
std::vector<std::string> exportedPieces(Format format) {
    std::vector<std::string> pieces;
    for (const ContactRecord& r : pool()) {
        std::ostringstream out;
        if (format == Format::VCard) {
            VCardWriter(out).write(r);
        } else {
            CsvWriter(out, {ReportFields::All(), false}).write(r);
            std::string s = out.str();
            pieces.push_back(s.substr(s.find("\r\n") + 2)); // the row without the header
            continue;
        }
        pieces.push_back(out.str());
    }
    return pieces;
}

double seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double best(int runs, auto&& work) {
    double b = 1e9;
    for (int k = 0; k < runs; ++k) {
        const auto t0 = std::chrono::steady_clock::now();
        work();
        b = std::min(b, seconds(t0));
    }
    return b;
}

double peakRssMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

void report(benchmark::State& state, double total, double baseline) {
    state.counters["x_baseline"] = total / double(state.iterations()) / baseline;
    state.counters["contacts"] = double(state.range(0));
    state.counters["peak_rss_MiB"] = peakRssMiB();
}

void exportBench(benchmark::State& state, Format format) {
    const auto count = std::size_t(state.range(0));
    const auto path = benchDir() / "export.out";
    const std::vector<std::string> pieces = exportedPieces(format);
    const double baseline = best(3, [&] {
        std::ofstream out(path, std::ios::binary);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& p = pieces[i % kPool];
            out.write(p.data(), std::streamsize(p.size()));
        }
    });
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        exportTo(path, format, count);
        total += seconds(t0);
    }
    state.counters["MiB"] = double(std::filesystem::file_size(path)) / (1 << 20);
    report(state, total, baseline);
}

void importBench(benchmark::State& state, Format format) {
    const auto count = std::size_t(state.range(0));
    const auto path =
        benchDir() / (std::to_string(count) + (format == Format::VCard ? ".vcf" : ".csv"));
    exportTo(path, format, count);
    const double baseline = best(3, [&] {
        std::ifstream in(path, std::ios::binary);
        std::string chunk(64 * 1024, '\0');
        while (in.read(chunk.data(), std::streamsize(chunk.size())) || in.gcount() > 0)
            benchmark::DoNotOptimize(chunk.data());
    });
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        ContactReader reader(path);
        ImportedContact contact;
        ContactRecord record;
        std::size_t n = 0;
        while (reader.next(contact))
            n += FillRecord(contact, record);
        total += seconds(t0);
        if (!reader.error().ok() || n != count)
            state.SkipWithError("the import did not read every contact");
    }
    report(state, total, baseline);
}

// The process's peak resident memory from now on, when Linux lets it be reset; false if not.
bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    return bool(clear << "5" << std::flush);
}

double peakMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// A vCard 2.1 contact whose address is a 16 MiB quoted-printable value: encoded letters and
// line breaks, a soft line break every 76 characters.
void writeQuotedPrintableFile(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    out << "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Quoted\r\n"
           "ADR;HOME;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:;;";
    const char* const pieces[] = {"Stra=C3=9Fe 1 ", "Flat 2=0D=0A", "K=C3=B6ln ", "plain text "};
    std::string line;
    std::size_t written = 0;
    for (std::size_t i = 0; written < (std::size_t(16) << 20); ++i) {
        const std::string_view piece = pieces[i % 4];
        if (line.size() + piece.size() > 75) {
            out << line << "=\r\n";
            written += line.size() + 3;
            line.clear();
        }
        line += piece;
    }
    out << line << "\r\nEND:VCARD\r\n";
}

// 128 MiB of contacts whose telephone numbers carry 8 MiB of ";a" parameters, and whose
// e-mail addresses a list of 60,000 types, with a name each.
void writeParameterListFile(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    std::string tel = "TEL";
    while (tel.size() < (std::size_t(8) << 20))
        tel += ";a";
    tel += ";CELL:+1 555 0100\r\n";
    std::string email = "EMAIL;TYPE=";
    for (int i = 0; i < 60000; ++i)
        email += i ? ",x" : "x";
    email += ":a@example.com\r\n";
    std::size_t written = 0;
    for (std::size_t i = 0; written < (std::size_t(128) << 20); ++i) {
        const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Person " + std::to_string(i) +
                                 "\r\n" + tel + email + "END:VCARD\r\n";
        out << card;
        written += card.size();
    }
}

double readOnce(const std::filesystem::path& path) {
    return best(1, [&] {
        std::ifstream in(path, std::ios::binary);
        std::string block(1 << 20, '\0');
        while (in.read(block.data(), std::streamsize(block.size())) || in.gcount() > 0)
            benchmark::DoNotOptimize(block.data());
    });
}

void hardFileBench(benchmark::State& state, const char* name,
                   void (*write)(const std::filesystem::path&)) {
    const auto path = benchDir() / name;
    if (!std::filesystem::exists(path))
        write(path);
    double import = 0, read = 0, peak = 0;
    const bool measured = resetPeak();
    for (auto _ : state) {
        read += readOnce(path);
        const auto t0 = std::chrono::steady_clock::now();
        ContactReader reader(path);
        ImportSummary summary;
        const Result result = SummarizeImport(reader, summary);
        import += seconds(t0);
        if (!result || summary.contacts == 0)
            state.SkipWithError("the import failed");
    }
    peak = measured ? peakMiB() : 0;
    const auto runs = double(state.iterations());
    state.counters["x_read"] = import / read;
    state.counters["read_ms"] = read / runs * 1000;
    state.counters["MiB"] = double(std::filesystem::file_size(path)) / (1 << 20);
    state.counters["peak_MiB"] = peak;
}

void BM_ImportQuotedPrintableValue(benchmark::State& state) {
    hardFileBench(state, "quoted-printable.vcf", writeQuotedPrintableFile);
}
void BM_ImportLongParameterLists(benchmark::State& state) {
    hardFileBench(state, "parameters.vcf", writeParameterListFile);
}

void BM_ExportVCard(benchmark::State& state) {
    exportBench(state, Format::VCard);
}
void BM_ExportCsv(benchmark::State& state) {
    exportBench(state, Format::Csv);
}
void BM_ImportVCard(benchmark::State& state) {
    importBench(state, Format::VCard);
}
void BM_ImportCsv(benchmark::State& state) {
    importBench(state, Format::Csv);
}

} // namespace

// The imports first, so that their peak memory is not hidden by anything larger before them.
BENCHMARK(BM_ImportQuotedPrintableValue)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ImportLongParameterLists)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ImportVCard)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportCsv)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportVCard)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCsv)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
