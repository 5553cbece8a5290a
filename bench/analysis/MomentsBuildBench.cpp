// The first build of the moments summaries of an 8-trace x 128M-sample record
// (2 GiB, page cache warm), as the Measure table's first look at the whole
// record makes them, beside a streaming read of the same file through a 1 MB
// buffer in the same iteration; on 1, 2 and all threads. The machine's cores
// and memory bandwidth head the output. KIVELO_BENCH_SAMPLES makes the record smaller.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "AnalysisRecord.h"
#include "BenchFiles.h"
#include "analysis/Measurement.h"
#include "analysis/MomentKernels.h"
#include "analysis/MomentsCache.h"

namespace {

using namespace kivelo;

// Each iteration: the file streamed through a 1 MB buffer, then the moments of
// every trace over the whole record from a fresh cache (each summary built on
// range(0) threads, 0: all).
void BM_MomentsFirstBuild(benchmark::State& state) {
    const std::string& path = bench::AnalysisRecord();
    const int threads = static_cast<int>(state.range(0));
    const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
    CWaveFile file;
    if (file.Open(path, 0) != kOpenOk) std::abort();
    const int64_t length = file.GetBlockSize(0, 0);
    std::vector<double> readMs, buildMs, readCpu, buildCpu;
    for (auto _ : state) {
        const double c0 = bench::ProcessCpuMs();
        const auto t0 = bench::Clock::now();
        benchmark::DoNotOptimize(bench::StreamRead(path));
        const auto t1 = bench::Clock::now();
        const double c1 = bench::ProcessCpuMs();
        MomentsCache cache(int64_t{1} << 30, threads);
        MeasureOptions options;
        options.cache = &cache;
        options.crossings = false;
        for (int t = 0; t < bench::kAnalysisTraces; ++t) {
            TraceMeasurement m;
            std::string error;
            if (!MeasureTrace(file, 0, t, 0, length, m, error, options)) std::abort();
            benchmark::DoNotOptimize(m);
        }
        const auto t2 = bench::Clock::now();
        readMs.push_back(bench::Ms(t0, t1));
        buildMs.push_back(bench::Ms(t1, t2));
        readCpu.push_back(c1 - c0);
        buildCpu.push_back(bench::ProcessCpuMs() - c1);
    }
    const double read = bench::Median(readMs), build = bench::Median(buildMs);
    state.SetLabel(std::string("sums on ") + MomentsTarget());
    state.counters["threads_used"] = MomentsCache(0, threads).Threads();
    state.counters["read_ms"] = read;
    state.counters["read_GB_per_s"] = fileBytes / read / 1e6;
    state.counters["build_ms"] = build;
    state.counters["build_over_read"] = build / read;
    // Processor time of all threads: on a busy machine the wall times stretch, these less so.
    state.counters["read_cpu_ms"] = bench::Median(readCpu);
    state.counters["build_cpu_ms"] = bench::Median(buildCpu);
}

// The sums alone over a 256 KB buffer already in the cache, per sample type
// (range(0): SampleType), in bytes per second.
void BM_MomentKernel(benchmark::State& state) {
    const auto type = static_cast<SampleType>(state.range(0));
    constexpr int64_t kBytes = int64_t{256} << 10;
    const int64_t width = type == SampleType::Int8 || type == SampleType::UInt8     ? 1
                          : type == SampleType::Int16 || type == SampleType::UInt16 ? 2
                                                                                    : 4;
    std::vector<uint8_t> bytes(kBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    std::vector<Moments> runs(static_cast<std::size_t>(kBytes / width / 4096 + 1));
    for (auto _ : state) {
        RunMoments(type, bytes.data(), kBytes / width, 4096, runs.data());
        benchmark::DoNotOptimize(runs.data());
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
    state.SetLabel(MomentsTarget());
}

}  // namespace

// clang-format off
BENCHMARK(BM_MomentKernel)->ArgName("type")->DenseRange(0, 6);
BENCHMARK(BM_MomentsFirstBuild)->ArgName("threads")->ArgsProduct({{1, 2, 0}})
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
// clang-format on

KIVELO_BENCHMARK_MAIN();
