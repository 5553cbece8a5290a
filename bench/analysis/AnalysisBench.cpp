// Measurements and spectra on an 8-trace x 128M-sample record (2 GiB, page cache
// warm), each figure paired in the same run with what it is measured against:
// - the Measure table's moments (8 traces over the Zoom stretch) in an auto-roll
//   tick at the widest ratio, beside the tick's own Zoom and XY redraw; the
//   summaries' first build beside a streaming read of the file (1 MB buffer);
// - crossing measures of a 1M-sample span beside a streaming read of its bytes;
// - spectra of 2^20 and 2^24 samples beside streaming reads of their bytes.
// KIVELO_BENCH_SAMPLES makes the record smaller.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "AnalysisRecord.h"
#include "BenchFiles.h"
#include "analysis/Measurement.h"
#include "analysis/MomentsCache.h"
#include "analysis/AmplitudeBins.h"
#include "common/UniqueFd.h"
#include "display/DocumentBinding.h"
#include "display/RenderCache.h"
#include "display/qt/FrameComposer.h"
#include "wavefile/WaveDocument.h"
#include "wavefile/WavefileOptions.h"

namespace {

using namespace kivelo;
using bench::Clock;
using bench::Median;
using bench::Ms;

constexpr int kTraces = bench::kAnalysisTraces;
constexpr uint32_t kZoomAndXy =
    (1u << static_cast<uint32_t>(WindowId::Zoom)) | (1u << static_cast<uint32_t>(WindowId::Xy));

const std::string& Record() { return bench::AnalysisRecord(); }

// Streams `bytes` bytes of the file from `offset` through a 1 MB buffer.
double StreamMs(int64_t offset, int64_t bytes) {
    UniqueFd fd(::open(Record().c_str(), O_RDONLY | O_CLOEXEC));
    std::vector<char> buffer(std::size_t{1} << 20);
    const auto t0 = Clock::now();
    for (int64_t done = 0; done < bytes;) {
        const auto n = ::pread(fd.Get(), buffer.data(), std::min<int64_t>(bytes - done, buffer.size()), offset + done);
        if (n <= 0) break;
        done += n;
    }
    return Ms(t0, Clock::now());
}

void Cores(benchmark::State& state) { state.counters["cores"] = std::thread::hardware_concurrency(); }

// The 8 traces' moments over a span (what the Measure table shows at once).
double MeasureMs(CWaveFile& file, MomentsCache& cache, int64_t first, int64_t count) {
    MeasureOptions options;
    options.cache = &cache;
    options.crossings = false;
    std::string error;
    const auto t0 = Clock::now();
    for (int t = 0; t < kTraces; ++t) {
        TraceMeasurement m;
        if (!MeasureTrace(file, 0, t, first, count, m, error, options)) std::abort();
        benchmark::DoNotOptimize(m);
    }
    return Ms(t0, Clock::now());
}

// Each iteration: 50 ticks of the auto roll at x1 (the slowest speed), each timed
// as its Zoom and XY redraw and, apart, the Measure table's moments of the new stretch.
void BM_MeasureDuringAutoRoll(benchmark::State& state) {
    WaveDocument document(WavefileOptions::From(std::getenv).summaryBudget);
    if (!document.Load(Record()).ok) std::abort();
    auto model = std::make_unique<DisplayModel>();
    auto drawn = std::make_unique<RenderCache>();
    BindDocument(*model, *document.Current());
    const TextMetrics metrics = TextMetrics::Normal();
    ComposedFrame frame = ComposeWindows(*model, *drawn, document.Current(), 1280, 1024, metrics);
    const int64_t L = model->document.recordLength;
    ZoomController& z = model->zoom;
    MomentsCache cache;
    // The summaries' first build (every trace, whole record) beside a streaming read of the file.
    const double streamMs = StreamMs(0, L * 2 * kTraces);
    const double buildMs = MeasureMs(*document.Current(), cache, 0, L);
    std::vector<double> redrawMs, measureMs;
    for (auto _ : state) {
        for (int i = 0; i < 50; ++i) {
            if (z.Roll() == RollMode::Stopped) {
                z.SetPosition(0, L);
                z.SetScrollSpeed(2.0);
                z.StartRoll(RollMode::TowardEnd);
            }
            const auto t0 = Clock::now();
            z.Tick(L);
            RenderWindows(*model, *drawn, document.Current(), frame.windows, metrics, 1280, 1024, kZoomAndXy);
            redrawMs.push_back(Ms(t0, Clock::now()));
            measureMs.push_back(MeasureMs(*document.Current(), cache, z.ZoomStart(), z.SpanOf(L)));
        }
    }
    state.SetLabel(z.RatioTexts().front());
    state.counters["redraw_ms"] = Median(redrawMs);
    state.counters["measure_ms"] = Median(measureMs);
    state.counters["first_build_ms"] = buildMs;
    state.counters["stream_read_ms"] = streamMs;
    Cores(state);
}

// Frequency, period, duty, rise and fall (with the moments) of 1M samples of one
// trace at spots along the record, beside streaming the same bytes.
void BM_CrossingMeasures1M(benchmark::State& state) {
    constexpr int64_t kSpan = int64_t{1} << 20;
    CWaveFile file;
    if (file.Open(Record(), 0) != kOpenOk) std::abort();
    const int64_t L = file.GetBlockSize(0, 0);
    std::vector<double> ms, streamMs;
    int64_t first = 0;
    for (auto _ : state) {
        first = (first + 7 * kSpan + 12345) % (L - kSpan);
        TraceMeasurement m;
        std::string error;
        const auto t0 = Clock::now();
        if (!MeasureTrace(file, 0, 0, first, kSpan, m, error)) std::abort();
        ms.push_back(Ms(t0, Clock::now()));
        streamMs.push_back(StreamMs(first * 2, kSpan * 2));
        benchmark::DoNotOptimize(m);
    }
    state.counters["measure_ms"] = Median(ms);
    state.counters["stream_read_ms"] = Median(streamMs);
    Cores(state);
}

// A Hann-windowed spectrum of range(0) samples of one trace, beside streaming its bytes.
void BM_Spectrum(benchmark::State& state) {
    const int64_t n = state.range(0);
    CWaveFile file;
    if (file.Open(Record(), 0) != kOpenOk) std::abort();
    if (file.GetBlockSize(0, 1) < n) {
        state.SkipWithError("record too short");
        return;
    }
    std::vector<double> ms, streamMs;
    for (auto _ : state) {
        Spectrum s;
        std::string error;
        const auto t0 = Clock::now();
        if (!ComputeSpectrum(file, 0, 1, 0, n, SpectrumWindow::Hann, s, error)) std::abort();
        ms.push_back(Ms(t0, Clock::now()));
        streamMs.push_back(StreamMs(int64_t{2} * file.GetBlockSize(0, 1), n * 2));
        benchmark::DoNotOptimize(s);
    }
    state.counters["spectrum_ms"] = Median(ms);
    state.counters["stream_read_ms"] = Median(streamMs);
    Cores(state);
}

}  // namespace

BENCHMARK(BM_MeasureDuringAutoRoll)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CrossingMeasures1M)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(BM_Spectrum)->Arg(1 << 20)->Arg(1 << 24)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The windows draw their texts with Qt's fonts: a GUI application, offscreen.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
