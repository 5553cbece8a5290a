#pragma once
// Large scratch records for benchmarks, written once per run and removed after.
#include <cstdint>
#include <string>

namespace kivelo::bench {

// Writes a one-block .hdr/.wvf pair of `traces` 2-byte little-endian traces of
// `samples` samples each (a slow sine plus a ramp) into a fresh temporary
// directory and returns the .wvf path. The directory is removed by RemoveRecord.
std::string WriteRecord(int traces, int64_t samples);
void RemoveRecord(const std::string& wvfPath);

// Reads the whole file once so that later runs measure the page cache, not the disk.
void WarmPageCache(const std::string& path);

// Peak resident set size of this process, in MB.
double PeakRssMb();

}  // namespace kivelo::bench
