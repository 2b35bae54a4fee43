// What every benchmark program shares: databases generated once into the temporary folder
// and kept for later runs, the yardstick every figure is divided by (reading the file
// through a reused block buffer, measured in the same run beside each operation), and the
// process's peak memory.
#pragma once

#include "benchdata.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

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

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The yardstick: one read of the whole file through a reused block buffer, as any program
// that looks at every byte once must do.
class RawRead {
public:
    double seconds(const std::string& path) {
        const auto start = std::chrono::steady_clock::now();
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return 0;
        std::size_t total = 0;
        for (ssize_t n; (n = ::read(fd, block_.data(), block_.size())) > 0;)
            total += std::size_t(n);
        ::close(fd);
        benchmark::DoNotOptimize(total);
        return SecondsSince(start);
    }

private:
    std::vector<char> block_ = std::vector<char>(1 << 20);
};

// Copies a file to a scratch file and flushes it: the cost of rewriting the whole book.
inline double CopyWithFlush(const std::string& from) {
    const std::string to = CacheDir() + "/yardstick.copy";
    const auto start = std::chrono::steady_clock::now();
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<char> block(1 << 20);
    for (ssize_t n; (n = ::read(in, block.data(), block.size())) > 0;)
        if (::write(out, block.data(), std::size_t(n)) != n)
            std::abort();
    ::fsync(out);
    ::close(in);
    ::close(out);
    const double seconds = SecondsSince(start);
    std::filesystem::remove(to);
    return seconds;
}

// The process's peak resident memory: reset before a benchmark, read after it.
inline void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
inline double PeakMemoryMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return 0;
}

// Sums of the measured operation and of the yardstick over a benchmark's iterations, turned
// into the counters every benchmark reports: x_raw (operation time / yardstick time) and the
// peak memory in MiB.
class Ratios {
public:
    Ratios() { ResetPeakMemory(); }
    void add(double operation, double yardstick) {
        operation_ += operation;
        yardstick_ += yardstick;
    }
    void report(benchmark::State& state, const char* name = "x_raw") const {
        if (yardstick_ > 0)
            state.counters[name] = operation_ / yardstick_;
        state.counters["peak_MiB"] = PeakMemoryMiB();
    }

private:
    double operation_ = 0;
    double yardstick_ = 0;
};

} // namespace quenlark::bench
