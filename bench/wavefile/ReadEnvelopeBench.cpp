// ReadEnvelope of a 64M-sample 2-byte trace at the Main window's step (2000
// display points), beside a plain pread of the same bytes in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "BenchFiles.h"
#include "CWaveFile.h"

namespace {

constexpr int64_t kSamples = int64_t{64} << 20;
constexpr int64_t kDisplayPoints = 2000;

const std::string& Record() {
    static const std::string path = [] {
        std::string p = kivelo::bench::WriteRecord(1, kSamples);
        kivelo::bench::WarmPageCache(p);
        return p;
    }();
    return path;
}

void BM_PreadSameBytes(benchmark::State& state) {
    int fd = ::open(Record().c_str(), O_RDONLY);
    std::vector<uint8_t> buf(1 << 20);
    for (auto _ : state) {
        int64_t total = 0;
        for (off_t off = 0;; off += static_cast<off_t>(buf.size())) {
            ssize_t n = ::pread(fd, buf.data(), buf.size(), off);
            if (n <= 0) break;
            total += n;
        }
        benchmark::DoNotOptimize(total);
    }
    ::close(fd);
    state.SetBytesProcessed(state.iterations() * kSamples * 2);
}

void BM_ReadEnvelopeMainStep(benchmark::State& state) {
    kivelo::CWaveFile file;
    if (file.Open(Record(), 0) != kivelo::kOpenOk) {
        state.SkipWithError("open failed");
        return;
    }
    file.SetBlock(0);
    const int64_t length = file.GetBlockSize();
    const int stepCode = static_cast<int>(length * 512 / kDisplayPoints);
    const int64_t count = kDisplayPoints * stepCode / 512;
    std::vector<uint8_t> points(4 * kDisplayPoints * 2 + 64);
    for (auto _ : state) {
        int64_t out = 0;
        file.ReadEnvelope(stepCode, 0, 0, count, points, out, kivelo::kWidth2);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(state.iterations() * count * 2);
    state.counters["peak_rss_MB"] = kivelo::bench::PeakRssMb();
}

}  // namespace

BENCHMARK(BM_PreadSameBytes)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReadEnvelopeMainStep)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    kivelo::bench::RemoveRecord(Record());
    benchmark::Shutdown();
    return 0;
}
