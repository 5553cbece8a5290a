#pragma once
// Large scratch records for benchmarks, written once per run and removed after.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "common/TempDir.h"

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

using Clock = std::chrono::steady_clock;
inline double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}
// The middle value of a run's timings (0 for none).
double Median(std::vector<double> v);

}  // namespace kivelo::bench
