#pragma once
// Large scratch records for benchmarks, written once per run and removed after.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "common/TempDir.h"

namespace benchmark {
class State;
}

namespace kivelo::bench {

// Writes a one-block .hdr/.wvf pair of `traces` 2-byte little-endian traces of
// `samples` samples each (a slow sine plus a ramp) into dir and returns the
// .wvf path.
std::string WriteRecord(const TempDir& dir, int traces, int64_t samples);

// Reads the whole file once so that later runs measure the page cache, not the disk.
void WarmPageCache(const std::string& path);

// A record written on construction, warmed into the page cache and removed with
// its folder on destruction; benchmarks keep one as a function-local static.
class ScratchRecord {
public:
    ScratchRecord(int traces, int64_t samples) : dir_("kivelo-bench-"), path_(WriteRecord(dir_, traces, samples)) {
        WarmPageCache(path_);
    }
    ScratchRecord(const ScratchRecord&) = delete;
    ScratchRecord& operator=(const ScratchRecord&) = delete;

    const std::string& Path() const { return path_; }

private:
    TempDir dir_;
    std::string path_;
};

// Peak resident set size of this process, in MB.
double PeakRssMb();

// Reads the whole file with pread in pieces of buf's size; returns the bytes read.
int64_t PreadAll(int fd, std::vector<uint8_t>& buf);
// Reads the whole file with read() through a 1 MB buffer: the fast way to stream
// it, the baseline of the ratios. Returns the bytes read.
int64_t StreamRead(const std::string& path);

// The machine a figure was taken on: processors, and the memory bandwidth one
// thread reaches copying 256 MB (bytes copied per second, best of three).
struct Machine {
    unsigned cores = 0;
    double memcpyGBps = 0;
};
const Machine& ThisMachine();
// Puts the machine's figures into the benchmark's context lines and returns them.
const Machine& ReportMachine();

using Clock = std::chrono::steady_clock;
inline double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}
// Processor time of this process so far, all its threads, in milliseconds.
double ProcessCpuMs();
// The middle value of a run's timings (0 for none).
double Median(std::vector<double> v);

// A baseline and the work it is compared with, timed back to back in each
// iteration; Report puts both medians and their ratio into the counters as
// "<baseline>_ms", "<work>_ms" and "<work>_over_<baseline>".
class PairedTimes {
public:
    template <typename Baseline, typename Work>
    void Time(Baseline&& baseline, Work&& work) {
        const auto t0 = Clock::now();
        baseline();
        const auto t1 = Clock::now();
        work();
        const auto t2 = Clock::now();
        baselineMs_.push_back(Ms(t0, t1));
        workMs_.push_back(Ms(t1, t2));
    }
    void Report(benchmark::State& state, const std::string& baseline, const std::string& work) const;

private:
    std::vector<double> baselineMs_, workMs_;
};

}  // namespace kivelo::bench

// A benchmark program's main that first reports the machine (see ReportMachine).
#define KIVELO_BENCHMARK_MAIN()              \
    int main(int argc, char** argv) {        \
        benchmark::Initialize(&argc, argv);  \
        kivelo::bench::ReportMachine();      \
        benchmark::RunSpecifiedBenchmarks(); \
        benchmark::Shutdown();               \
        return 0;                            \
    }
