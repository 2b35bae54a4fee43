// Export to vCard and CSV, and import of both, at 10,000 and 100,000 contacts, as the
// interchange code does them (x_baseline: the ratio to moving the same bytes through the same
// kind of stream without formatting or parsing, measured beside each lap); then the command
// line's own export of a whole book of a million contacts and import of 100,000 vCards, whole
// (x_floor: the ratio to a read of what they must read, at `cat`'s speed, and a write of what
// they write, flushed; the import's x_same: to a read of the vCard file and a write of as many
// bytes, flushed).
//
// Then the first pass of an import (SummarizeImport) of files made to be hard: a 16 MiB
// QUOTED-PRINTABLE value full of soft line breaks and encoded line breaks, and a 128 MiB
// file of properties with long parameter lists. Each is given as a ratio ("x_read") to one
// read of the same file at `cat`'s speed, measured beside it, and with the peak memory of
// the import itself ("peak_MiB").
#include "benchsupport.h"
#include "cli/commands.h"
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
#include <unistd.h>
#include <vector>

using namespace quenlark;
using namespace quenlark::bench;

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
            r.push_back(SampleContact(i));
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

void exportBench(benchmark::State& state, Format format) {
    const auto count = std::size_t(state.range(0));
    const auto path = benchDir() / "export.out";
    const std::vector<std::string> pieces = exportedPieces(format);
    Laps laps("x_baseline");
    for (auto _ : state) {
        laps.begin();
        exportTo(path, format, count);
        const double seconds = laps.end();
        const auto start = Clock::now();
        {
            std::ofstream out(path, std::ios::binary);
            for (std::size_t i = 0; i < count; ++i) {
                const std::string& p = pieces[i % kPool];
                out.write(p.data(), std::streamsize(p.size()));
            }
        }
        laps.add(state, seconds, SecondsSince(start));
    }
    state.counters["MiB"] = double(std::filesystem::file_size(path)) / (1 << 20);
    laps.report(state);
}

void importBench(benchmark::State& state, Format format) {
    const auto count = std::size_t(state.range(0));
    const auto path =
        benchDir() / (std::to_string(count) + (format == Format::VCard ? ".vcf" : ".csv"));
    exportTo(path, format, count);
    Laps laps("x_baseline");
    for (auto _ : state) {
        laps.begin();
        ContactReader reader(path);
        ImportedContact contact;
        ContactRecord record;
        std::size_t n = 0;
        while (reader.next(contact))
            n += FillRecord(contact, record);
        const double seconds = laps.end();
        if (!reader.error().ok() || n != count)
            state.SkipWithError("the import did not read every contact");
        const auto start = Clock::now();
        {
            std::ifstream in(path, std::ios::binary);
            std::string chunk(64 * 1024, '\0');
            while (in.read(chunk.data(), std::streamsize(chunk.size())) || in.gcount() > 0)
                benchmark::DoNotOptimize(chunk.data());
        }
        laps.add(state, seconds, SecondsSince(start));
    }
    laps.report(state);
}

// ---- The command line ------------------------------------------------------------------

// A book for the command line, named by the settings it is given.
struct CommandLineBook {
    explicit CommandLineBook(const std::string& from) : path((benchDir() / "book.qab").string()) {
        std::filesystem::copy_file(from, path, std::filesystem::copy_options::overwrite_existing);
        FlushFile(path);
    }
    int run(const std::function<int(const CommandLineContext&)>& command) {
        std::ostringstream out, err;
        const CommandLineContext context{[this](std::string& p) {
                                             p = path;
                                             return Result();
                                         },
                                         out, err};
        const int status = command(context);
        output = out.str() + err.str();
        return status;
    }
    std::string path;
    std::string output;
};

// `--export-vcard FILE` / `--export-csv FILE` of the whole cached book of n contacts.
void commandLineExport(benchmark::State& state, ExportFormat format) {
    CommandLineBook book(CachedDatabase(std::size_t(state.range(0))));
    const std::string target = (benchDir() / "exported").string();
    Laps laps("x_floor");
    for (auto _ : state) {
        laps.begin();
        const int status = book.run(
            [&](const CommandLineContext& context) { return RunExport(target, format, context); });
        const double seconds = laps.end();
        if (status != kExitOk)
            state.SkipWithError(book.output.c_str());
        laps.add(state, seconds, ReadWriteFlush(book.path, std::filesystem::file_size(target)));
    }
    state.counters["MiB"] = double(std::filesystem::file_size(target)) / (1 << 20);
    laps.report(state);
    std::filesystem::remove(target);
}

// `--import FILE` of 100,000 new vCards into a fresh copy of the cached book of n contacts.
void BM_CommandLineImport(benchmark::State& state) {
    constexpr std::size_t kImported = 100000;
    const auto n = std::size_t(state.range(0));
    const std::string file = (benchDir() / "import.vcf").string();
    {
        std::ofstream out(file, std::ios::binary);
        VCardWriter writer(out);
        for (std::size_t i = 0; i < kImported; ++i)
            writer.write(SampleContact(n + i));
    }
    CatRead cat;
    Laps laps("x_floor");
    for (auto _ : state) {
        CommandLineBook book(CachedDatabase(n));
        laps.begin();
        const int status = book.run(
            [&](const CommandLineContext& context) { return RunImport(file, false, context); });
        const double seconds = laps.end();
        if (status != kExitOk)
            state.SkipWithError(book.output.c_str());
        const double book_read = n ? cat.seconds(CachedDatabase(n)) : 0;
        laps.add(state, seconds, ReadWriteFlush(file, kImported * kRecordSize) + book_read);
        laps.also("x_same", ReadWriteFlush(file, std::filesystem::file_size(file)) + book_read);
    }
    state.counters["MiB"] = double(std::filesystem::file_size(file)) / (1 << 20);
    laps.report(state);
}

// ---- Hard files ------------------------------------------------------------------------

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

void hardFileBench(benchmark::State& state, const char* name,
                   void (*write)(const std::filesystem::path&)) {
    const auto path = benchDir() / name;
    if (!std::filesystem::exists(path))
        write(path);
    CatRead cat;
    cat.seconds(path.string());
    Laps laps("x_read");
    for (auto _ : state) {
        laps.begin();
        ContactReader reader(path);
        ImportSummary summary;
        const Result result = SummarizeImport(reader, summary);
        const double seconds = laps.end();
        if (!result || summary.contacts == 0)
            state.SkipWithError("the import failed");
        laps.add(state, seconds, cat.seconds(path.string()));
    }
    state.counters["MiB"] = double(std::filesystem::file_size(path)) / (1 << 20);
    laps.report(state);
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
void BM_CommandLineExportVCard(benchmark::State& state) {
    commandLineExport(state, ExportFormat::VCard);
}
void BM_CommandLineExportCsv(benchmark::State& state) {
    commandLineExport(state, ExportFormat::Csv);
}

} // namespace

// The imports first, so that their peak memory is not hidden by anything larger before them.
BENCHMARK(BM_ImportQuotedPrintableValue)->Unit(benchmark::kMillisecond)->Iterations(11);
BENCHMARK(BM_ImportLongParameterLists)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_ImportVCard)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_ImportCsv)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_ExportVCard)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_ExportCsv)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_CommandLineImport)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_CommandLineExportVCard)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CommandLineExportCsv)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
