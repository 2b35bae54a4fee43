// Engine speed at 1,000, 10,000 and 100,000 contacts, each figure also given as a ratio to
// reading the same file into memory with one read (the "x_raw" counter).
#include "benchdata.h"
#include "engine/addressbookengine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quenlark;

namespace {

class MemorySettings : public SettingsAccess {
public:
    std::optional<std::string> readString(const std::string& n) override {
        auto it = strings.find(n);
        return it == strings.end() ? std::nullopt : std::optional(it->second);
    }
    void writeString(const std::string& n, const std::string& v) override { strings[n] = v; }
    std::optional<std::int32_t> readNumber(const std::string&) override { return std::nullopt; }
    void writeNumber(const std::string&, std::int32_t) override {}
    std::map<std::string, std::string> strings;
};

class NoMessages : public MessageSink {
public:
    void showMessage(const std::string&, const std::string&, MessageKind) override {}
};

std::string benchDir() {
    static std::string dir = [] {
        std::string d = (std::filesystem::temp_directory_path() / "quenlark-bench-XXXXXX").string();
        if (!::mkdtemp(d.data()))
            std::abort();
        std::atexit([] { std::filesystem::remove_all(benchDir()); });
        return d;
    }();
    return dir;
}

// A database of n contacts, made once per size.
std::string databaseOf(std::size_t n) {
    const std::string path = benchDir() + "/db-" + std::to_string(n) + ".qab";
    const std::string bytes = bench::SampleDatabase(n);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

double rawReadSeconds(const std::string& path) {
    double best = 1e9;
    for (int k = 0; k < 5; ++k) {
        const auto t0 = std::chrono::steady_clock::now();
        const int fd = ::open(path.c_str(), O_RDONLY);
        const auto size = std::size_t(::lseek(fd, 0, SEEK_END));
        std::string buf(size, '\0');
        benchmark::DoNotOptimize(::pread(fd, buf.data(), size, 0));
        ::close(fd);
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

struct Fixture {
    explicit Fixture(std::size_t n) : path(databaseOf(n)), engine(settings, messages, benchDir()) {
        settings.strings[kActiveAddressBookValue] = path;
        raw = rawReadSeconds(path);
    }
    ~Fixture() { std::filesystem::remove(path); }
    std::string path;
    MemorySettings settings;
    NoMessages messages;
    AddressBookEngine engine;
    double raw = 0;
};

void reportRatio(benchmark::State& state, double seconds, double raw) {
    state.counters["x_raw"] = seconds / double(state.iterations()) / raw;
    state.counters["contacts"] = double(state.range(0));
}

void BM_RawRead(benchmark::State& state) {
    Fixture fx(std::size_t(state.range(0)));
    for (auto _ : state) {
        const int fd = ::open(fx.path.c_str(), O_RDONLY);
        const auto size = std::size_t(::lseek(fd, 0, SEEK_END));
        std::string buf(size, '\0');
        benchmark::DoNotOptimize(::pread(fd, buf.data(), size, 0));
        ::close(fd);
    }
    state.counters["contacts"] = double(state.range(0));
}

void BM_OpenLoadCopy(benchmark::State& state) {
    Fixture fx(std::size_t(state.range(0)));
    std::vector<std::string> handles;
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!fx.engine.OpenAddressBook())
            state.SkipWithError("open failed");
        fx.engine.LoadContactIndex();
        benchmark::DoNotOptimize(fx.engine.CopyContactIndex(handles));
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    reportRatio(state, total, fx.raw);
}

void BM_AppendRebuild(benchmark::State& state) {
    Fixture fx(std::size_t(state.range(0)));
    fx.engine.OpenAddressBook();
    const ContactRecord r = bench::SampleContact(42);
    std::vector<std::string> handles;
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!fx.engine.AppendContact(r))
            state.SkipWithError("append failed");
        fx.engine.LoadContactIndex();
        benchmark::DoNotOptimize(fx.engine.CopyContactIndex(handles));
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    reportRatio(state, total, fx.raw);
}

void BM_DeleteFirstRebuild(benchmark::State& state) {
    Fixture fx(std::size_t(state.range(0)));
    fx.engine.OpenAddressBook();
    fx.engine.LoadContactIndex();
    const ContactRecord r = bench::SampleContact(7);
    std::vector<std::string> handles;
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!fx.engine.DeleteContact(fx.engine.index().front()))
            state.SkipWithError("delete failed");
        fx.engine.LoadContactIndex();
        benchmark::DoNotOptimize(fx.engine.CopyContactIndex(handles));
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.PauseTiming();
        (void)fx.engine.AppendContact(r); // keep the size steady
        fx.engine.LoadContactIndex();
        state.ResumeTiming();
    }
    reportRatio(state, total, fx.raw);
}

} // namespace

BENCHMARK(BM_RawRead)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLoadCopy)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendRebuild)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteFirstRebuild)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
