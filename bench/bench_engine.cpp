// The engine at 1,000 to 1,000,000 contacts, and the yardsticks themselves. Every figure is
// also given as a ratio to yardsticks measured beside it in the same lap (benchsupport.h):
// x_cat, one read of the book at `cat`'s speed; x_sync (Add, Modify), one record written
// beside the book and flushed; x_copy, a copy of the book the way the program copies, flushed
// (what any complete rewrite costs); x_unsafe, the same change made
// the way the program made it before its changes became atomic (in place, then the whole
// index read again), on a copy of the same book. peak_MiB is the process's peak memory while
// it makes the change (the book open, its index included).
#include "benchsupport.h"
#include "engine/addressbookengine.h"

#include <algorithm>

using namespace quenlark;
using namespace quenlark::bench;

namespace {

// An engine with a book of its own (a private copy of the cached book of that size).
struct Book {
    Book(std::size_t contacts, const std::string& name)
        : path(CopyOf(CachedDatabase(contacts), name)), settings(path),
          engine(settings, messages, CacheDir()) {
        if (!engine.OpenAddressBook())
            std::abort();
        engine.LoadContactIndex();
    }
    ~Book() {
        engine.CloseAddressBook();
        std::filesystem::remove(path);
    }
    std::string path;
    OneBookSettings settings;
    SilentMessages messages;
    AddressBookEngine engine;
};

// How the program changed the book before: in place, then the index read again.
namespace unsafe {

void refresh(AddressBookEngine& engine) {
    std::vector<std::string> handles;
    engine.LoadContactIndex();
    engine.CopyContactIndex(handles);
    benchmark::DoNotOptimize(handles.data());
}

int openRaw(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_CLOEXEC);
}

void append(Book& book, const ContactRecord& r) {
    const int fd = openRaw(book.path);
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (::pwrite(fd, r.bytes.data(), r.bytes.size(), end) != ssize_t(r.bytes.size()))
        std::abort();
    ::fsync(fd);
    ::close(fd);
    refresh(book.engine);
}

void rewrite(Book& book, std::int64_t offset, const ContactRecord& r) {
    const int fd = openRaw(book.path);
    if (::pwrite(fd, r.bytes.data(), r.bytes.size(), offset) != ssize_t(r.bytes.size()))
        std::abort();
    ::fsync(fd);
    ::close(fd);
    refresh(book.engine);
}

void deleteAt(Book& book, std::int64_t offset) {
    const int fd = openRaw(book.path);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    std::vector<char> block(4 << 20);
    for (off_t from = offset + off_t(kRecordSize); from < size;) {
        const auto want = std::size_t(std::min<off_t>(off_t(block.size()), size - from));
        if (::pread(fd, block.data(), want, from) != ssize_t(want) ||
            ::pwrite(fd, block.data(), want, from - off_t(kRecordSize)) != ssize_t(want))
            std::abort();
        from += off_t(want);
    }
    if (::ftruncate(fd, size - off_t(kRecordSize)) != 0)
        std::abort();
    ::fsync(fd);
    ::close(fd);
    refresh(book.engine);
}

void restore(Book& book, const std::string& backup) {
    std::ifstream in(backup, std::ios::binary | std::ios::ate);
    std::string bytes(std::size_t(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), std::streamsize(bytes.size()));
    const int fd = openRaw(book.path);
    // One write moves at most about 2 GiB, so a book of a million contacts takes two.
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, off_t(done));
        if (n <= 0)
            std::abort();
        done += std::size_t(n);
    }
    if (::ftruncate(fd, off_t(bytes.size())) != 0)
        std::abort();
    ::fsync(fd);
    ::close(fd);
    refresh(book.engine);
}

} // namespace unsafe

// The yardsticks against the programs everyone has: CatRead against `cat FILE > /dev/null`
// (x_cat below 1: it is at least as fast), FastCopy against `cp` and `sync FILE` (x_cp).
void BM_YardstickRead(benchmark::State& state) {
    const std::string path = CachedDatabase(std::size_t(state.range(0)));
    CatRead cat;
    Laps laps("x_cat");
    cat.seconds(path);
    for (auto _ : state) {
        laps.begin();
        cat.seconds(path);
        const double seconds = laps.end();
        laps.add(state, seconds, CatProgram(path));
    }
    laps.report(state);
    state.counters["block_KiB"] = double(CatBlockSize() >> 10);
}

void BM_YardstickCopy(benchmark::State& state) {
    const std::string path = CachedDatabase(std::size_t(state.range(0)));
    const std::string copy = CacheDir() + "/yardstick.cp";
    Laps laps("x_cp");
    for (auto _ : state) {
        const double seconds = FastCopy(path);
        std::filesystem::remove(copy);
        const double cp = RunProgram({"cp", path, copy}) + RunProgram({"sync", copy});
        std::filesystem::remove(copy);
        laps.add(state, seconds, cp);
    }
    laps.report(state);
}

void BM_OpenAndIndex(benchmark::State& state) {
    const std::string path = CachedDatabase(std::size_t(state.range(0)));
    OneBookSettings settings(path);
    SilentMessages messages;
    AddressBookEngine engine(settings, messages, CacheDir());
    CatRead cat;
    Laps laps("x_cat");
    std::vector<std::string> handles;
    cat.seconds(path); // every round reads a file in the page cache, the first one too
    for (auto _ : state) {
        laps.begin();
        if (!engine.OpenAddressBook())
            state.SkipWithError("open failed");
        engine.LoadContactIndex();
        engine.CopyContactIndex(handles);
        const double seconds = laps.end();
        engine.CloseAddressBook();
        laps.add(state, seconds, cat.seconds(path));
    }
    laps.report(state);
}

void BM_Add(benchmark::State& state) {
    const auto contacts = std::size_t(state.range(0));
    Book safe(contacts, "add-safe.qab");
    Book old(contacts, "add-unsafe.qab");
    Laps laps("x_sync");
    const ContactRecord r = SampleContact(contacts + 1);
    for (auto _ : state) {
        laps.begin();
        if (!safe.engine.AppendContact(r))
            state.SkipWithError("append failed");
        const double seconds = laps.end();
        laps.add(state, seconds, DurableWrite(safe.path));
        const auto start = Clock::now();
        unsafe::append(old, r);
        laps.also("x_unsafe", SecondsSince(start));
    }
    laps.report(state);
}

void BM_Modify(benchmark::State& state) {
    const auto contacts = std::size_t(state.range(0));
    Book safe(contacts, "modify-safe.qab");
    Book old(contacts, "modify-unsafe.qab");
    Laps laps("x_sync");
    const ContactRecord r = SampleContact(contacts + 1);
    const std::size_t middle = contacts / 2;
    for (auto _ : state) {
        laps.begin();
        if (!safe.engine.RewriteContact(safe.engine.index()[middle], r))
            state.SkipWithError("rewrite failed");
        const double seconds = laps.end();
        laps.add(state, seconds, DurableWrite(safe.path));
        const auto start = Clock::now();
        unsafe::rewrite(old, old.engine.index()[middle].offset, r);
        laps.also("x_unsafe", SecondsSince(start));
    }
    laps.report(state);
}

void BM_DeleteFirst(benchmark::State& state) {
    const auto contacts = std::size_t(state.range(0));
    Book safe(contacts, "delete-safe.qab");
    Book old(contacts, "delete-unsafe.qab");
    Laps laps("x_copy");
    const ContactRecord r = SampleContact(0);
    for (auto _ : state) {
        laps.begin();
        if (!safe.engine.DeleteContact(safe.engine.index().front()))
            state.SkipWithError("delete failed");
        const double seconds = laps.end();
        laps.add(state, seconds, FastCopy(safe.path));
        const auto start = Clock::now();
        unsafe::deleteAt(old, old.engine.index().front().offset);
        laps.also("x_unsafe", SecondsSince(start));
        // Both books get a contact back at the end, so every round deletes from as many.
        (void)safe.engine.AppendContact(r);
        unsafe::append(old, r);
    }
    laps.report(state);
}

void BM_Restore(benchmark::State& state) {
    const auto contacts = std::size_t(state.range(0));
    Book safe(contacts, "restore-safe.qab");
    Book old(contacts, "restore-unsafe.qab");
    const std::string backup = CopyOf(CachedDatabase(contacts), "restore.QuenlarkBackup");
    Laps laps("x_copy");
    for (auto _ : state) {
        laps.begin();
        if (!safe.engine.RestoreBackupCopy(backup))
            state.SkipWithError("restore failed");
        const double seconds = laps.end();
        laps.add(state, seconds, FastCopy(backup));
        const auto start = Clock::now();
        unsafe::restore(old, backup);
        laps.also("x_unsafe", SecondsSince(start));
    }
    laps.report(state);
    std::filesystem::remove(backup);
}

void BM_Backup(benchmark::State& state) {
    const auto contacts = std::size_t(state.range(0));
    Book book(contacts, "backup-source.qab");
    const std::string backup = CacheDir() + "/saved.QuenlarkBackup";
    Laps laps("x_copy");
    for (auto _ : state) {
        laps.begin();
        if (!book.engine.SaveBackupCopy(backup))
            state.SkipWithError("backup failed");
        const double seconds = laps.end();
        laps.add(state, seconds, FastCopy(book.path));
    }
    laps.report(state);
    std::filesystem::remove(backup);
}

} // namespace

// Laps enough for a spread under 20 % on a quiet machine: the quick changes 21 times, the
// ones that rewrite the book 7 times.
void Quick(benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);
}
void Slow(benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_YardstickRead)->Arg(100000)->Arg(1000000)->Apply(Slow);
BENCHMARK(BM_YardstickCopy)->Arg(100000)->Arg(1000000)->Apply(Slow);
BENCHMARK(BM_OpenAndIndex)->Arg(1000)->Arg(10000)->Arg(100000)->Apply(Quick);
BENCHMARK(BM_OpenAndIndex)->Arg(1000000)->Apply(Slow);
BENCHMARK(BM_Add)->Arg(100000)->Arg(1000000)->Apply(Quick);
BENCHMARK(BM_Modify)->Arg(100000)->Arg(1000000)->Apply(Quick);
BENCHMARK(BM_DeleteFirst)->Arg(100000)->Arg(1000000)->Apply(Slow);
BENCHMARK(BM_Restore)->Arg(100000)->Arg(1000000)->Apply(Slow);
BENCHMARK(BM_Backup)->Arg(100000)->Arg(1000000)->Apply(Slow);

BENCHMARK_MAIN();
