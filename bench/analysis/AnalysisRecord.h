#pragma once
// The analysis benchmarks' record: 8 traces x 128M 2-byte samples (2 GiB), written
// once per run, warmed into the page cache and removed at exit.
// KIVELO_BENCH_SAMPLES makes it smaller.
#include <cstdlib>
#include <string>

#include "BenchFiles.h"

namespace kivelo::bench {

inline constexpr int kAnalysisTraces = 8;

inline const std::string& AnalysisRecord() {
    const char* text = std::getenv("KIVELO_BENCH_SAMPLES");
    const int64_t samples = text && std::atoll(text) > 0 ? std::atoll(text) : int64_t{128} << 20;
    static const ScratchRecord record(kAnalysisTraces, samples);
    return record.Path();
}

}  // namespace kivelo::bench
