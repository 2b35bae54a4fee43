// What every benchmark program shares: databases generated once into the temporary folder
// and kept for later runs, the yardsticks every figure is divided by, measured in the same
// run beside each lap, the laps' statistics and the process's memory.
//
// The yardsticks are the fastest ways this machine offers to do what an operation cannot
// avoid doing:
// - CatRead: one read of a file at `cat`'s speed (read(2) into a reused buffer whose size is
//   measured, not assumed: BM_YardstickRead compares it with `cat` itself);
// - FastCopy: a copy the way the program copies a book (copy_file_range in 64 MiB steps,
//   each sent to the disk as it is written, then one fsync);
// - DurableWrite: one record written and flushed (the least a change that is on the disk
//   when it is reported done costs);
// - ReadWriteFlush: a read of one file and a write of so many bytes to a new one, flushed
//   (what a report, an export or an import must at least do);
// - GnuSortFold: GNU `sort -f` of the same sort keys, in the same locale.
#pragma once

#include "benchdata.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace quenlark::bench {

// Databases and scratch files live here between runs; `make bench-clean` removes it.
inline std::string CacheDir() {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quenlark-bench";
    std::filesystem::create_directories(dir);
    return dir.string();
}

// A database of `count` sample contacts, written the first time it is asked for.
inline std::string CachedDatabase(std::size_t count) {
    const std::string path = CacheDir() + "/contacts-" + std::to_string(count) + ".qab";
    const auto expected = std::uintmax_t(kHeaderSize + count * kRecordSize);
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) == expected && !ec)
        return path;
    const std::string temp = path + ".partial";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        const auto header = MakeHeader();
        out.write(header.data(), std::streamsize(header.size()));
        for (std::size_t i = 0; i < count; ++i) {
            const ContactRecord r = SampleContact(i);
            out.write(r.bytes.data(), std::streamsize(r.bytes.size()));
        }
    }
    std::filesystem::rename(temp, path);
    return path;
}

// Puts a freshly written file on the disk, so the first change measured does not pay for
// flushing the whole copy.
inline void FlushFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A private copy of a file for a benchmark that changes it, on the disk.
inline std::string CopyOf(const std::string& path, const std::string& name) {
    const std::string copy = CacheDir() + "/" + name;
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
    FlushFile(copy);
    return copy;
}

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs a program to its end with its output thrown away; its time in seconds, or a negative
// number when it could not run or failed.
inline double RunProgram(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return SecondsSince(start);
}

// ---- Yardsticks ------------------------------------------------------------------------

// A buffer aligned to a memory page, as `cat` allocates its own.
class PageBlock {
public:
    explicit PageBlock(std::size_t size)
        : data_(static_cast<char*>(std::aligned_alloc(4096, (size + 4095) / 4096 * 4096))),
          size_(size) {}
    ~PageBlock() { std::free(data_); }
    PageBlock(const PageBlock&) = delete;
    PageBlock& operator=(const PageBlock&) = delete;
    char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    char* data_;
    std::size_t size_;
};

// Reads a file whole with read(2) into `block`, told that it goes from start to end, as
// `cat` does.
inline std::size_t ReadThrough(const std::string& path, const PageBlock& block) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::size_t total = 0;
    for (ssize_t n; (n = ::read(fd, block.data(), block.size())) > 0;)
        total += std::size_t(n);
    ::close(fd);
    benchmark::DoNotOptimize(total);
    return total;
}

// The buffer size that reads a file in the page cache fastest here, measured once per
// process: each size from 32 KiB to 4 MiB reads a 256 MiB file five times and keeps its
// best. (`cat` reads 128 KiB at a time; a buffer larger than the processor's cache may be
// slower, as each block goes out to memory and back.)
inline std::size_t CatBlockSize() {
    static const std::size_t chosen = [] {
        const std::string probe = CacheDir() + "/read-probe";
        std::error_code ec;
        if (std::filesystem::file_size(probe, ec) != (std::uintmax_t(256) << 20)) {
            std::ofstream out(probe, std::ios::binary | std::ios::trunc);
            const std::string chunk(1 << 20, 'q');
            for (int i = 0; i < 256; ++i)
                out.write(chunk.data(), std::streamsize(chunk.size()));
        }
        std::size_t best = 128 << 10;
        double bestSeconds = 1e9;
        for (std::size_t size = 32 << 10; size <= (std::size_t(4) << 20); size *= 2) {
            const PageBlock block(size);
            for (int k = 0; k < 5; ++k) {
                const auto start = Clock::now();
                ReadThrough(probe, block);
                if (const double s = SecondsSince(start); s < bestSeconds) {
                    bestSeconds = s;
                    best = size;
                }
            }
        }
        return best;
    }();
    return chosen;
}

// One read of the whole file at `cat`'s speed.
class CatRead {
public:
    double seconds(const std::string& path) {
        const auto start = Clock::now();
        ReadThrough(path, block_);
        return SecondsSince(start);
    }

private:
    PageBlock block_{CatBlockSize()};
};

// `cat FILE > /dev/null` itself, to check CatRead against.
inline double CatProgram(const std::string& path) {
    return RunProgram({"cat", path});
}

// Copies a file to a new one the way the program copies the book, and flushes it; the copy
// is removed afterwards, outside the time.
inline double FastCopy(const std::string& from) {
    constexpr std::int64_t kStep = std::int64_t(64) << 20;
    const std::string to = CacheDir() + "/yardstick.copy";
    std::filesystem::remove(to);
    const auto start = Clock::now();
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const off_t size = ::lseek(in, 0, SEEK_END);
    for (off_t at = 0; at < size;) {
        loff_t inAt = at, outAt = at;
        const ssize_t n = ::copy_file_range(in, &inAt, out, &outAt,
                                            std::size_t(std::min<off_t>(kStep, size - at)), 0);
        if (n <= 0)
            std::abort();
        ::sync_file_range(out, at, n, SYNC_FILE_RANGE_WRITE);
        at += n;
    }
    ::fsync(out);
    ::close(in);
    ::close(out);
    const double seconds = SecondsSince(start);
    std::filesystem::remove(to);
    return seconds;
}

// Reads `from` at `cat`'s speed and writes `bytes` bytes to a new file, flushed: the least a
// report, an export or an import of that file must do.
inline double ReadWriteFlush(const std::string& from, std::uintmax_t bytes) {
    const std::string to = CacheDir() + "/yardstick.out";
    std::filesystem::remove(to);
    const PageBlock block(CatBlockSize());
    const auto start = Clock::now();
    ReadThrough(from, block);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    for (std::uintmax_t left = bytes; left > 0;) {
        const auto n = std::size_t(std::min<std::uintmax_t>(left, block.size()));
        if (::write(out, block.data(), n) != ssize_t(n))
            std::abort();
        left -= n;
    }
    ::fsync(out);
    ::close(out);
    const double seconds = SecondsSince(start);
    std::filesystem::remove(to);
    return seconds;
}

// One record appended to a scratch file in the book's folder and flushed: the least any
// change that is on the disk when it is reported done costs.
inline double DurableWrite(const std::string& beside) {
    const std::string to = std::filesystem::path(beside).parent_path() / "yardstick.sync";
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const std::vector<char> record(kRecordSize, 'q');
    const auto start = Clock::now();
    if (::write(out, record.data(), record.size()) != ssize_t(record.size()))
        std::abort();
    ::fsync(out);
    const double seconds = SecondsSince(start);
    ::close(out);
    return seconds;
}

// GNU `sort -f` of a file of sort keys, one a line, in the process's own locale.
inline double GnuSortFold(const std::string& keys) {
    return RunProgram({"sort", "-f", keys, "-o", "/dev/null"});
}

// ---- Memory ----------------------------------------------------------------------------

// The process's peak resident memory: reset before a benchmark, read after it.
inline void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
inline double StatusMiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::strtod(line.c_str() + std::string_view(key).size(), nullptr) / 1024.0;
    return 0;
}
inline double PeakMemoryMiB() {
    return StatusMiB("VmHWM:");
}
inline double MemoryMiB() {
    return StatusMiB("VmRSS:");
}

// ---- Laps ------------------------------------------------------------------------------

inline double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

// Every lap of a benchmark: the operation's time and its yardstick's, measured beside it.
// The report gives the operation's median time with its fastest and slowest lap, the
// yardstick's median, the ratio (the median of the laps' own ratios, so that a lap slowed by
// other work on the machine weighs no more than one), its lowest and highest, and the spread
// of both, (max - min) / median in percent, and the peak memory while the operation ran.
class Laps {
public:
    explicit Laps(std::string ratioName) : ratioName_(std::move(ratioName)) {}

    // Starts the operation's clock, and its peak memory.
    void begin() {
        ResetPeakMemory();
        start_ = Clock::now();
    }
    // Stops it; the operation's time.
    double end() {
        const double seconds = SecondsSince(start_);
        peak_ = std::max(peak_, PeakMemoryMiB());
        return seconds;
    }

    void add(benchmark::State& state, double seconds, double yardstick) {
        state.SetIterationTime(seconds);
        times_.push_back(seconds);
        yardsticks_.push_back(yardstick);
        if (yardstick > 0)
            ratios_.push_back(seconds / yardstick);
    }
    // Another yardstick measured beside the last lap, reported as the median of its ratios
    // under its own name.
    void also(const std::string& name, double yardstick) {
        if (yardstick <= 0 || times_.empty())
            return;
        for (auto& [n, ratios] : others_)
            if (n == name) {
                ratios.push_back(times_.back() / yardstick);
                return;
            }
        others_.push_back({name, {times_.back() / yardstick}});
    }

    void report(benchmark::State& state) const {
        if (times_.empty())
            return;
        const auto [tMin, tMax] = std::minmax_element(times_.begin(), times_.end());
        const double t = Median(times_);
        state.counters["ms"] = t * 1e3;
        state.counters["ms_min"] = *tMin * 1e3;
        state.counters["ms_max"] = *tMax * 1e3;
        state.counters["spread_pct"] = t > 0 ? (*tMax - *tMin) / t * 100 : 0;
        state.counters["yard_ms"] = Median(yardsticks_) * 1e3;
        if (!ratios_.empty()) {
            const auto [rMin, rMax] = std::minmax_element(ratios_.begin(), ratios_.end());
            const double r = Median(ratios_);
            state.counters[ratioName_] = r;
            state.counters["x_min"] = *rMin;
            state.counters["x_max"] = *rMax;
            state.counters["x_spread_pct"] = r > 0 ? (*rMax - *rMin) / r * 100 : 0;
        }
        for (const auto& [name, ratios] : others_)
            state.counters[name] = Median(ratios);
        state.counters["peak_MiB"] = peak_;
    }

private:
    std::string ratioName_;
    Clock::time_point start_;
    double peak_ = 0;
    std::vector<double> times_;
    std::vector<double> yardsticks_;
    std::vector<double> ratios_;
    std::vector<std::pair<std::string, std::vector<double>>> others_;
};

} // namespace quenlark::bench
