// The sync core at 10,000 contacts, against a collection in memory (so the figures are the
// core's own: the state, the merge, the book's change; the HTTP side is measured against
// Radicale by bench/sync_vs_vdirsyncer.sh): the first sync of 10,000 server contacts into an
// empty book, and a sync with nothing to do. x_raw divides by one read at `cat`'s speed of the book
// the sync leaves (10,000 records); peak_MiB is the process's peak memory during the sync.
#include "../tests/sync/memorycollection.h"
#include "benchsupport.h"
#include "sync/runsync.h"

#include <sstream>

using namespace quenlark;
using namespace quenlark::bench;

namespace {

constexpr int kContacts = 10000;

sync::test::MemoryCollection ServerOf(int count) {
    sync::test::MemoryCollection server;
    server.batch = 200;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        server.put("/dav/book/" + n + ".vcf",
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + n + "\r\nFN:Person " + n + "\r\nN:" + n +
                       ";Person;;;\r\nEMAIL;TYPE=INTERNET:person" + n +
                       "@example.com\r\nTEL;TYPE=CELL:+1 555 " + n + "\r\nADR:;;" + n +
                       " Main Street;Springfield;;12345;USA\r\n"
                       "NOTE:A note that the book has no field for\r\nREV:20200101T000000Z\r\n"
                       "END:VCARD\r\n");
    }
    return server;
}

struct Scratch {
    std::string book = CacheDir() + "/sync-book.qab";
    std::string state = CacheDir() + "/sync-state/sync.sqlite";
    void reset() {
        std::filesystem::remove_all(CacheDir() + "/sync-state");
        const auto header = MakeHeader();
        std::ofstream(book, std::ios::binary | std::ios::trunc)
            .write(header.data(), std::streamsize(header.size()));
    }
    int run(sync::CardDavCollection& server) const {
        std::ostringstream out, err;
        return sync::RunSync(server, {book, state, "http://127.0.0.1/dav/book/", false}, out, err);
    }
};

void BM_FirstSync(benchmark::State& state) {
    Scratch scratch;
    CatRead raw;
    double synced = 0, read = 0, peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        scratch.reset();
        auto server = ServerOf(kContacts);
        ResetPeakMemory();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        if (scratch.run(server) != 0)
            state.SkipWithError("the sync failed");
        synced += SecondsSince(start);
        state.PauseTiming();
        peak = std::max(peak, PeakMemoryMiB());
        read += raw.seconds(scratch.book);
        state.ResumeTiming();
    }
    state.counters["x_raw"] = synced / read;
    state.counters["peak_MiB"] = peak;
}

void BM_NothingToDo(benchmark::State& state) {
    Scratch scratch;
    scratch.reset();
    auto server = ServerOf(kContacts);
    if (scratch.run(server) != 0)
        state.SkipWithError("the first sync failed");
    CatRead raw;
    double synced = 0, read = 0, peak = 0;
    int requests = 0;
    for (auto _ : state) {
        server.requests = 0;
        ResetPeakMemory();
        const auto start = std::chrono::steady_clock::now();
        if (scratch.run(server) != 0)
            state.SkipWithError("the sync failed");
        synced += SecondsSince(start);
        state.PauseTiming();
        requests = server.requests;
        peak = std::max(peak, PeakMemoryMiB());
        read += raw.seconds(scratch.book);
        state.ResumeTiming();
    }
    state.counters["x_raw"] = synced / read;
    state.counters["peak_MiB"] = peak;
    state.counters["requests"] = requests;
}

} // namespace

BENCHMARK(BM_FirstSync)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NothingToDo)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_MAIN();
