// Envelope reads with min/max summaries, each paired in one run with what it is
// measured against: the first full read of a 64M-sample 2-byte trace (which builds
// the summary) beside a plain pread of the same bytes and beside the same read
// without a summary; then, with the summary built, the Zoom window's read of one
// trace at every ratio of its list, and the summary's bytes per record byte.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "BenchFiles.h"
#include "wavefile/CWaveFile.h"
#include "wavefile/SummaryStore.h"

namespace {

using namespace kivelo;
using bench::Clock;
using bench::Median;
using bench::Ms;
using bench::PreadAll;

constexpr int64_t kSamples = int64_t{64} << 20;
constexpr int64_t kDisplayPoints = 2000;

const std::string& Record() {
    static const bench::ScratchRecord record(1, kSamples);
    return record.Path();
}

// The Main window's read of the whole record: 2000 display points.
int64_t MainRead(CWaveFile& file, std::vector<uint8_t>& points) {
    const int step = static_cast<int>(int64_t{file.GetBlockSize(0, 0)} * 512 / kDisplayPoints);
    int64_t out = 0;
    file.ReadEnvelope(step, 0, 0, 0, kDisplayPoints * step / 512, points, out, kWidth2);
    return out;
}

// Each iteration: pread of the file, the read that builds a summary (in a fresh
// store), the same read without summaries.
void BM_FirstReadBuildsSummary(benchmark::State& state) {
    const int fd = ::open(Record().c_str(), O_RDONLY);
    CWaveFile plain, summarised;
    if (fd < 0 || plain.Open(Record(), 0) != kOpenOk || summarised.Open(Record(), 0) != kOpenOk) {
        state.SkipWithError("open failed");
        return;
    }
    std::vector<uint8_t> buf(1 << 20), points(4 * kDisplayPoints * 2 + 64);
    std::vector<double> preadMs, buildMs, plainMs;
    int64_t summaryBytes = 0;
    for (auto _ : state) {
        SummaryStore store(int64_t{1} << 30);
        summarised.SetSummaryStore(&store);
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(PreadAll(fd, buf));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(MainRead(summarised, points));
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(MainRead(plain, points));
        const auto t3 = Clock::now();
        preadMs.push_back(Ms(t0, t1));
        buildMs.push_back(Ms(t1, t2));
        plainMs.push_back(Ms(t2, t3));
        summaryBytes = store.Bytes();
        summarised.SetSummaryStore(nullptr);
    }
    ::close(fd);
    state.counters["pread_ms"] = Median(preadMs);
    state.counters["build_ms"] = Median(buildMs);
    state.counters["no_summary_ms"] = Median(plainMs);
    state.counters["build_over_pread"] = Median(buildMs) / Median(preadMs);
    state.counters["summary_per_record_byte"] = static_cast<double>(summaryBytes) / static_cast<double>(kSamples * 2);
    state.counters["peak_rss_MB"] = bench::PeakRssMb();
}

// The Zoom window's read of one trace at a ratio: 2000 display points (1000 pairs)
// over the ratio's span, from a summary, beside the same read streamed. Positions
// step along the record as scrolling does.
void BM_ZoomReadAtRatio(benchmark::State& state) {
    const int64_t span = state.range(0);
    static SummaryStore store(int64_t{1} << 30);
    static CWaveFile summarised;
    std::vector<uint8_t> points(4 * kDisplayPoints * 2 + 64);
    if (!summarised.IsOpen()) {
        summarised.SetSummaryStore(&store);
        if (summarised.Open(Record(), 0) != kOpenOk) {
            state.SkipWithError("open failed");
            return;
        }
        MainRead(summarised, points);
    }
    CWaveFile plain;
    plain.Open(Record(), 0);
    const int step = static_cast<int>(static_cast<double>(span) * 0.256);
    const int64_t align = 2 * (span / 2000), count = kDisplayPoints * step / 512;
    int64_t start = kSamples / 3 / align * align;
    std::vector<double> summaryMs, streamedMs;
    for (auto _ : state) {
        start += align;  // one line step right
        if (start + count > kSamples) start = 0;
        int64_t out = 0;
        const auto t0 = Clock::now();
        summarised.ReadEnvelope(step, 0, 0, start, count, points, out, kWidth2);
        const auto t1 = Clock::now();
        plain.ReadEnvelope(step, 0, 0, start, count, points, out, kWidth2);
        const auto t2 = Clock::now();
        summaryMs.push_back(Ms(t0, t1));
        streamedMs.push_back(Ms(t1, t2));
    }
    state.counters["summary_ms"] = Median(summaryMs);
    state.counters["streamed_ms"] = Median(streamedMs);
}

}  // namespace

BENCHMARK(BM_FirstReadBuildsSummary)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_ZoomReadAtRatio)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20)
    // clang-format off
    ->Arg(32000000)->Arg(16000000)->Arg(8000000)->Arg(4000000)->Arg(2000000)->Arg(1000000)->Arg(500000)
    ->Arg(200000)->Arg(100000)->Arg(50000)->Arg(20000)->Arg(10000)->Arg(5000);
// clang-format on

KIVELO_BENCHMARK_MAIN()
