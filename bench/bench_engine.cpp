// The engine at 1,000 to 1,000,000 contacts. Every figure is also given as a ratio to
// yardsticks measured beside it in the same iteration: x_raw, one read of the file through a
// reused block buffer; x_copy, a copy of the file with a flush (what any complete rewrite
// costs); x_unsafe, the same change made the way the program made it before its changes
// became atomic (in place, then the whole index read again), on a copy of the same book.
// peak_MiB is the process's peak memory while it makes the change (the book open, its index
// included).
#include "benchsupport.h"
#include "engine/addressbookengine.h"

#include <algorithm>
#include <map>

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

// One iteration's figures.
struct Lap {
    double change = 0;
    double unsafe = 0;
    double raw = 0;
    double copy = 0;
};

class Laps {
public:
    Laps() { ResetPeakMemory(); }
    void add(benchmark::State& state, const Lap& lap) {
        state.SetIterationTime(lap.change);
        sum_.change += lap.change;
        sum_.unsafe += lap.unsafe;
        sum_.raw += lap.raw;
        sum_.copy += lap.copy;
    }
    void report(benchmark::State& state) const {
        if (sum_.raw > 0)
            state.counters["x_raw"] = sum_.change / sum_.raw;
        if (sum_.copy > 0)
            state.counters["x_copy"] = sum_.change / sum_.copy;
        if (sum_.unsafe > 0)
            state.counters["x_unsafe"] = sum_.change / sum_.unsafe;
        state.counters["peak_MiB"] = peak_;
        state.counters["contacts"] = double(state.range(0));
    }
    // The peak memory counts the change alone, not the yardsticks or the old way beside it.
    void changeStarts() { ResetPeakMemory(); }
    void changeEnds() { peak_ = std::max(peak_, PeakMemoryMiB()); }

private:
    Lap sum_;
    double peak_ = 0;
};

void BM_OpenAndIndex(benchmark::State& state) {
    const std::string path = CachedDatabase(std::size_t(state.range(0)));
    OneBookSettings settings(path);
    SilentMessages messages;
    AddressBookEngine engine(settings, messages, CacheDir());
    RawRead raw;
    Laps laps;
    std::vector<std::string> handles;
    raw.seconds(path); // every round reads a file in the page cache, the first one too
    for (auto _ : state) {
        Lap lap;
        laps.changeStarts();
        const auto start = std::chrono::steady_clock::now();
        if (!engine.OpenAddressBook())
            state.SkipWithError("open failed");
        engine.LoadContactIndex();
        engine.CopyContactIndex(handles);
        lap.change = SecondsSince(start);
        laps.changeEnds();
        engine.CloseAddressBook();
        lap.raw = raw.seconds(path);
        laps.add(state, lap);
    }
    laps.report(state);
}

void BM_Add(benchmark::State& state) {
    const auto contacts = std::size_t(state.range(0));
    Book safe(contacts, "add-safe.qab");
    Book old(contacts, "add-unsafe.qab");
    RawRead raw;
    Laps laps;
    const ContactRecord r = SampleContact(contacts + 1);
    for (auto _ : state) {
        Lap lap;
        laps.changeStarts();
        auto start = std::chrono::steady_clock::now();
        if (!safe.engine.AppendContact(r))
            state.SkipWithError("append failed");
        lap.change = SecondsSince(start);
        laps.changeEnds();
        start = std::chrono::steady_clock::now();
        unsafe::append(old, r);
        lap.unsafe = SecondsSince(start);
        lap.raw = raw.seconds(safe.path);
        laps.add(state, lap);
    }
    laps.report(state);
}

void BM_Modify(benchmark::State& state) {
    const auto contacts = std::size_t(state.range(0));
    Book safe(contacts, "modify-safe.qab");
    Book old(contacts, "modify-unsafe.qab");
    RawRead raw;
    Laps laps;
    const ContactRecord r = SampleContact(contacts + 1);
    const std::size_t middle = contacts / 2;
    for (auto _ : state) {
        Lap lap;
        laps.changeStarts();
        auto start = std::chrono::steady_clock::now();
        if (!safe.engine.RewriteContact(safe.engine.index()[middle], r))
            state.SkipWithError("rewrite failed");
        lap.change = SecondsSince(start);
        laps.changeEnds();
        start = std::chrono::steady_clock::now();
        unsafe::rewrite(old, old.engine.index()[middle].offset, r);
        lap.unsafe = SecondsSince(start);
        lap.raw = raw.seconds(safe.path);
        laps.add(state, lap);
    }
    laps.report(state);
}

void BM_DeleteFirst(benchmark::State& state) {
    const auto contacts = std::size_t(state.range(0));
    Book safe(contacts, "delete-safe.qab");
    Book old(contacts, "delete-unsafe.qab");
    RawRead raw;
    Laps laps;
    const ContactRecord r = SampleContact(0);
    for (auto _ : state) {
        Lap lap;
        laps.changeStarts();
        auto start = std::chrono::steady_clock::now();
        if (!safe.engine.DeleteContact(safe.engine.index().front()))
            state.SkipWithError("delete failed");
        lap.change = SecondsSince(start);
        laps.changeEnds();
        start = std::chrono::steady_clock::now();
        unsafe::deleteAt(old, old.engine.index().front().offset);
        lap.unsafe = SecondsSince(start);
        lap.raw = raw.seconds(safe.path);
        lap.copy = CopyWithFlush(safe.path);
        laps.add(state, lap);
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
    RawRead raw;
    Laps laps;
    for (auto _ : state) {
        Lap lap;
        laps.changeStarts();
        auto start = std::chrono::steady_clock::now();
        if (!safe.engine.RestoreBackupCopy(backup))
            state.SkipWithError("restore failed");
        lap.change = SecondsSince(start);
        laps.changeEnds();
        start = std::chrono::steady_clock::now();
        unsafe::restore(old, backup);
        lap.unsafe = SecondsSince(start);
        lap.raw = raw.seconds(safe.path);
        lap.copy = CopyWithFlush(backup);
        laps.add(state, lap);
    }
    laps.report(state);
    std::filesystem::remove(backup);
}

void BM_Backup(benchmark::State& state) {
    const auto contacts = std::size_t(state.range(0));
    Book book(contacts, "backup-source.qab");
    const std::string backup = CacheDir() + "/saved.QuenlarkBackup";
    RawRead raw;
    Laps laps;
    for (auto _ : state) {
        Lap lap;
        laps.changeStarts();
        const auto start = std::chrono::steady_clock::now();
        if (!book.engine.SaveBackupCopy(backup))
            state.SkipWithError("backup failed");
        lap.change = SecondsSince(start);
        laps.changeEnds();
        lap.raw = raw.seconds(book.path);
        lap.copy = CopyWithFlush(book.path);
        laps.add(state, lap);
    }
    laps.report(state);
    std::filesystem::remove(backup);
}

} // namespace

BENCHMARK(BM_OpenAndIndex)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Add)->Arg(100000)->Arg(1000000)->UseManualTime()->Iterations(20)->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_Modify)->Arg(100000)->Arg(1000000)->UseManualTime()->Iterations(20)->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_DeleteFirst)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Restore)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Backup)->Arg(100000)->Arg(1000000)->UseManualTime()->Iterations(3)->Unit(
    benchmark::kMillisecond);

BENCHMARK_MAIN();
