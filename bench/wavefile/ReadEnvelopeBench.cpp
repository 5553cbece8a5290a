// ReadEnvelope of a 64M-sample 2-byte trace at the Main window's step (2000
// display points), beside a plain pread of the same bytes. The paired benchmark
// times both back to back in every iteration, so that the ratio compares them
// under the same machine state even when other work shares the cores.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "BenchFiles.h"
#include "wavefile/CWaveFile.h"

namespace {

constexpr int64_t kSamples = int64_t{64} << 20;
constexpr int64_t kDisplayPoints = 2000;

const std::string& Record() {
    static const kivelo::bench::ScratchRecord record(1, kSamples);
    return record.Path();
}

// The Main window's envelope read of the whole record.
class MainEnvelope {
public:
    bool Open() {
        if (file_.Open(Record(), 0) != kivelo::kOpenOk) return false;
        stepCode_ = static_cast<int>(int64_t{file_.GetBlockSize(0, 0)} * 512 / kDisplayPoints);
        count_ = kDisplayPoints * stepCode_ / 512;
        return true;
    }
    int64_t Read() {
        int64_t out = 0;
        file_.ReadEnvelope(stepCode_, 0, 0, 0, count_, points_, out, kivelo::kWidth2);
        return out;
    }
    int64_t Samples() const { return count_; }

private:
    kivelo::CWaveFile file_;
    int stepCode_ = 0;
    int64_t count_ = 0;
    std::vector<uint8_t> points_ = std::vector<uint8_t>(4 * kDisplayPoints * 2 + 64);
};

void BM_PreadSameBytes(benchmark::State& state) {
    const int fd = ::open(Record().c_str(), O_RDONLY);
    std::vector<uint8_t> buf(1 << 20);
    for (auto _ : state) benchmark::DoNotOptimize(kivelo::bench::PreadAll(fd, buf));
    ::close(fd);
    state.SetBytesProcessed(state.iterations() * kSamples * 2);
}

void BM_ReadEnvelopeMainStep(benchmark::State& state) {
    MainEnvelope envelope;
    if (!envelope.Open()) {
        state.SkipWithError("open failed");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(envelope.Read());
    state.SetBytesProcessed(state.iterations() * envelope.Samples() * 2);
    state.counters["peak_rss_MB"] = kivelo::bench::PeakRssMb();
}

// Both passes in every iteration; reports the median times and their ratio.
void BM_EnvelopeOverPread(benchmark::State& state) {
    MainEnvelope envelope;
    const int fd = ::open(Record().c_str(), O_RDONLY);
    if (fd < 0 || !envelope.Open()) {
        state.SkipWithError("open failed");
        if (fd >= 0) ::close(fd);
        return;
    }
    std::vector<uint8_t> buf(1 << 20);
    std::vector<double> preadMs, envelopeMs;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(kivelo::bench::PreadAll(fd, buf));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(envelope.Read());
        const auto t2 = Clock::now();
        preadMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        envelopeMs.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    }
    ::close(fd);
    auto median = [](std::vector<double> v) {
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    if (preadMs.empty()) return;
    state.counters["pread_ms"] = median(preadMs);
    state.counters["envelope_ms"] = median(envelopeMs);
    state.counters["ratio"] = median(envelopeMs) / median(preadMs);
    state.counters["peak_rss_MB"] = kivelo::bench::PeakRssMb();
}

}  // namespace

BENCHMARK(BM_PreadSameBytes)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReadEnvelopeMainStep)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_EnvelopeOverPread)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

KIVELO_BENCHMARK_MAIN()
