// The four windows over min/max summaries, each figure paired in the same run
// with what it is measured against; the machine's cores and memory bandwidth
// head the output. An 8-trace x 128M-sample record (2 GiB; the page cache warm):
// the first frame of all four windows on 1, 2 and all threads beside a streaming
// read of the file through a 1 MB buffer, at the widest and the narrowest Zoom
// ratio, and beside the same frame without summaries, with the bytes it reads
// per record byte, the summaries' bytes per record byte and the peak RSS; then a
// Zoom scroll step at every ratio of the list, an auto-roll tick and a full
// redraw after a resize. A 100-record file: a switch to a record already seen.
// KIVELO_BENCH_SAMPLES and KIVELO_BENCH_RECORD_SAMPLES make the records smaller.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "Wavegen.h"
#include "display/DocumentBinding.h"
#include "display/qt/FrameComposer.h"
#include "wavefile/PairReduction.h"
#include "wavefile/WaveDocument.h"
#include "wavefile/WavefileOptions.h"

namespace {

using namespace kivelo;
using bench::Clock;
using bench::Median;
using bench::Ms;

constexpr int kFrameWidth = 1280, kFrameHeight = 1024;
constexpr uint32_t kZoomAndXy =
    (1u << static_cast<uint32_t>(WindowId::Zoom)) | (1u << static_cast<uint32_t>(WindowId::Xy));

int64_t EnvSamples(const char* name, int64_t fallback) {
    const char* text = std::getenv(name);
    return text && std::atoll(text) > 0 ? std::atoll(text) : fallback;
}

const std::string& LargeRecord() {
    static const bench::ScratchRecord record(8, EnvSamples("KIVELO_BENCH_SAMPLES", int64_t{128} << 20));
    return record.Path();
}

// 100 records of 8 traces, written once and removed at exit.
const std::string& HundredRecords() {
    struct File {
        kivelo::TempDir dir;
        std::string path = dir.File("records.wvf");
        File() {
            wavegen::WvfDesc desc;
            desc.traces = wavegen::MakeTraces(8, "IS2", wavegen::Signal::Noise, 5000);
            desc.blocks = 100;
            desc.samples = EnvSamples("KIVELO_BENCH_RECORD_SAMPLES", int64_t{1} << 20);
            if (!wavegen::WriteWvf(path, desc)) std::abort();
            bench::WarmPageCache(path);
        }
    };
    static const File file;
    return file.path;
}

// The program's document and display at 1280 x 1024, its first frame drawn;
// summaries made on `threads` threads (0: one per processor), the Zoom window at
// ratio `zoomEntry` of its list (0 the widest, -1 the narrowest).
struct Program {
    WaveDocument document;
    std::unique_ptr<DisplayModel> model = std::make_unique<DisplayModel>();
    std::unique_ptr<RenderCache> cache = std::make_unique<RenderCache>();
    ComposedFrame frame;
    TextMetrics metrics = TextMetrics::Normal();
    ReadMonitor monitor;

    Program(const std::string& path, int64_t summaryBudget, int threads = 0, int zoomEntry = 0, bool xyShown = true)
        : document(summaryBudget) {
        document.SetReadMonitor(&monitor);
        document.Summaries().SetThreads(threads);
        if (!document.Load(path).ok) std::abort();
        BindDocument(*model, *document.Current());
        model->shown[static_cast<size_t>(WindowId::Xy)] = xyShown;
        if (zoomEntry != 0) {
            const auto last = static_cast<int>(model->zoom.RatioTexts().size()) - 1;
            model->zoom.SelectZoomRatio(static_cast<uint32_t>(zoomEntry < 0 ? last : std::min(zoomEntry, last)),
                                        Length());
        }
        frame = ComposeWindows(*model, *cache, document.Current(), kFrameWidth, kFrameHeight, metrics);
    }
    int64_t Length() const { return model->document.recordLength; }
    void Redraw(uint32_t windows) {
        RenderWindows(*model, *cache, document.Current(), frame.windows, metrics, kFrameWidth, kFrameHeight, windows);
    }
};

// Each iteration, in this order: the file streamed through a 1 MB buffer (the
// baseline), the first frame with summaries made on `threads` threads (0: all)
// and the Zoom window at its widest ratio, the same at its narrowest ratio, the
// same two without the XY window (whose figure of the whole record plots every
// sample pair), and on all threads also the frame without summaries.
void BM_FirstFrameOverPlainRead(benchmark::State& state) {
    const std::string& path = LargeRecord();
    const int threads = static_cast<int>(state.range(0));
    const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
    std::vector<double> readMs, frameMs, narrowMs, withoutMs, readCpu, frameCpu, noXyMs, noXyCpu, noXyNarrowMs;
    double readPerByte = 0, summaryPerByte = 0;
    int used = 0;
    for (auto _ : state) {
        const double c0 = bench::ProcessCpuMs();
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(bench::StreamRead(path));
        const auto t1 = Clock::now();
        const double c1 = bench::ProcessCpuMs();
        {
            Program p(path, WavefileOptions::From(std::getenv).summaryBudget, threads);
            readPerByte = static_cast<double>(p.monitor.bytesRead.load()) / fileBytes;
            summaryPerByte = static_cast<double>(p.document.Summaries().Bytes()) / fileBytes;
            used = p.document.Summaries().Threads();
        }
        const auto t2 = Clock::now();
        readCpu.push_back(c1 - c0);
        frameCpu.push_back(bench::ProcessCpuMs() - c1);
        { Program p(path, WavefileOptions::From(std::getenv).summaryBudget, threads, -1); }
        const double c3 = bench::ProcessCpuMs();
        const auto t3a = Clock::now();
        { Program p(path, WavefileOptions::From(std::getenv).summaryBudget, threads, 0, false); }
        const auto t3b = Clock::now();
        noXyMs.push_back(Ms(t3a, t3b));
        noXyCpu.push_back(bench::ProcessCpuMs() - c3);
        { Program p(path, WavefileOptions::From(std::getenv).summaryBudget, threads, -1, false); }
        noXyNarrowMs.push_back(Ms(t3b, Clock::now()));
        const auto t3 = Clock::now();
        if (threads == 0) {
            Program p(path, 0);
        }
        const auto t4 = Clock::now();
        readMs.push_back(Ms(t0, t1));
        frameMs.push_back(Ms(t1, t2));
        narrowMs.push_back(Ms(t2, t3a));
        if (threads == 0) withoutMs.push_back(Ms(t3, t4));
    }
    const double read = Median(readMs), frame = Median(frameMs), narrow = Median(narrowMs);
    // Each iteration's frame over its own read: the machine's speed drifts between iterations.
    std::vector<double> frameOverRead, noXyOverRead;
    for (size_t i = 0; i < readMs.size(); ++i) {
        frameOverRead.push_back(frameMs[i] / readMs[i]);
        noXyOverRead.push_back(noXyMs[i] / readMs[i]);
    }
    state.SetLabel(std::string("reductions on ") + PairReductionTarget());
    state.counters["threads_used"] = used;
    state.counters["read_ms"] = read;
    state.counters["read_GB_per_s"] = fileBytes / read / 1e6;
    state.counters["frame_ms"] = frame;
    state.counters["frame_over_read"] = Median(frameOverRead);
    // Processor time of all threads: on a busy machine the wall times stretch, these less so.
    state.counters["read_cpu_ms"] = Median(readCpu);
    state.counters["frame_cpu_ms"] = Median(frameCpu);
    state.counters["narrowest_zoom_frame_ms"] = narrow;
    state.counters["widest_beyond_narrowest_over_read"] = (frame - narrow) / read;
    if (!withoutMs.empty()) state.counters["without_summary_ms"] = Median(withoutMs);
    // The three other windows alone: what the XY figure of every sample pair adds.
    state.counters["without_xy_ms"] = Median(noXyMs);
    state.counters["without_xy_over_read"] = Median(noXyOverRead);
    state.counters["without_xy_cpu_ms"] = Median(noXyCpu);
    // The XY figure follows the Main window here, the same at every Zoom ratio: the
    // Zoom window's part of the frame, without the figure's run-to-run spread.
    state.counters["without_xy_narrowest_zoom_ms"] = Median(noXyNarrowMs);
    state.counters["without_xy_widest_beyond_narrowest_over_read"] = (Median(noXyMs) - Median(noXyNarrowMs)) / read;
    state.counters["bytes_read_per_record_byte"] = readPerByte;
    state.counters["summary_per_record_byte"] = summaryPerByte;
    state.counters["peak_rss_MB"] = bench::PeakRssMb();
}

Program& Large() {
    static Program p(LargeRecord(), WavefileOptions::From(std::getenv).summaryBudget);
    return p;
}
Program& LargeWithout() {
    static Program p(LargeRecord(), 0);
    return p;
}

// Median times of `steps` moves of the Zoom stretch (`move` changes the zoom
// state) each with its Zoom and XY redraws, and of the same redraws with the
// points held (what drawing alone costs). The first draw at the ratio comes first.
struct StepTimes {
    double step = 0, redrawOnly = 0;
};
template <typename Move>
StepTimes ZoomSteps(Program& p, uint32_t entry, int steps, Move move) {
    ZoomController& z = p.model->zoom;
    z.StopRoll();
    z.SelectZoomRatio(entry, p.Length());
    z.SetPosition(z.MaxPosition(p.Length()) / 3, p.Length());
    p.Redraw(kZoomAndXy);
    std::vector<double> ms, held;
    for (int i = 0; i < steps; ++i) {
        const auto t0 = Clock::now();
        move(z);
        p.Redraw(kZoomAndXy);
        const auto t1 = Clock::now();
        p.Redraw(kZoomAndXy);
        ms.push_back(Ms(t0, t1));
        held.push_back(Ms(t1, Clock::now()));
    }
    z.StopRoll();
    return {Median(ms), Median(held)};
}

void LineStep(ZoomController& z, int64_t length) { z.Scroll(ScrollCode::LineRight, 0, length); }

void BM_ZoomScrollStep(benchmark::State& state) {
    Program& p = Large();
    const auto entry = static_cast<uint32_t>(state.range(0));
    if (entry >= p.model->zoom.RatioTexts().size()) {
        state.SkipWithError("no such ratio for this record");
        return;
    }
    const int64_t L = p.Length();
    auto step = [L](ZoomController& z) { LineStep(z, L); };
    std::vector<double> with, held, without;
    for (auto _ : state) {
        const StepTimes t = ZoomSteps(p, entry, 20, step);
        with.push_back(t.step);
        held.push_back(t.redrawOnly);
        without.push_back(ZoomSteps(LargeWithout(), entry, 2, step).step);
    }
    state.SetLabel(p.model->zoom.RatioTexts()[entry]);
    state.counters["step_ms"] = Median(with);
    state.counters["redraw_only_ms"] = Median(held);
    state.counters["without_summary_ms"] = Median(without);
}

// One tick of the automatic roll toward the end at the widest ratio and the
// slowest speed, with its Zoom and XY redraws.
void BM_AutoRollTick(benchmark::State& state) {
    const int64_t L = Large().Length();
    auto tick = [L](ZoomController& z) {
        if (z.Roll() == RollMode::Stopped) {  // at the start, or the roll reached the end
            z.SetPosition(0, L);
            z.SetScrollSpeed(2.0);
            z.StartRoll(RollMode::TowardEnd);
        }
        z.Tick(L);
    };
    std::vector<double> with, held, without;
    for (auto _ : state) {
        const StepTimes t = ZoomSteps(Large(), 0, 50, tick);
        with.push_back(t.step);
        held.push_back(t.redrawOnly);
        without.push_back(ZoomSteps(LargeWithout(), 0, 2, tick).step);
    }
    state.counters["tick_ms"] = Median(with);
    state.counters["redraw_only_ms"] = Median(held);
    state.counters["without_summary_ms"] = Median(without);
}

// A full redraw of the four windows at a new frame size (points held).
void BM_RedrawAfterResize(benchmark::State& state) {
    Program& p = Large();
    int i = 0;
    for (auto _ : state) {
        const int w = kFrameWidth - 40 * (i++ % 2);
        p.frame = ComposeWindows(*p.model, *p.cache, p.document.Current(), w, kFrameHeight - 30 * (i % 2), p.metrics);
    }
}

// History clicks that make another record current, the four windows redrawn:
// to each record the first frame showed as a thumbnail (Main, Zoom and XY read it
// from its summary), then back and forth between two records already drawn as the
// current one (their points kept). Paired with the same clicks without summaries
// and without kept points, as before them.
void BM_RecordSwitch(benchmark::State& state) {
    Program with(HundredRecords(), WavefileOptions::From(std::getenv).summaryBudget);
    Program without(HundredRecords(), 0);
    auto switchTo = [](Program& p, int record, bool keep) {
        if (!keep) {
            p.cache->mainPoints.Clear();
            p.cache->zoomPoints.Clear();
        }
        const auto t0 = Clock::now();
        p.model->document.currentRecord = record;
        p.Redraw(0xF);
        return Ms(t0, Clock::now());
    };
    const int shown = std::min(with.model->history.CellsShown(), with.model->document.recordCount);
    std::vector<double> firstMs, firstWithoutMs, ms, heldMs, withoutMs;
    for (auto _ : state) {
        for (int r = 1; r < shown; ++r) {
            firstMs.push_back(switchTo(with, r, true));
            firstWithoutMs.push_back(switchTo(without, r, false));
        }
        for (int i = 0; i < 20; ++i) {
            const int record = i % 2 == 0 ? 1 : 2;
            ms.push_back(switchTo(with, record, true));
            heldMs.push_back(switchTo(with, record, true));  // the same record again: drawing alone
            withoutMs.push_back(switchTo(without, record, false));
        }
    }
    state.counters["first_visit_ms"] = Median(firstMs);
    state.counters["first_visit_without_ms"] = Median(firstWithoutMs);
    state.counters["switch_back_ms"] = Median(ms);
    state.counters["redraw_only_ms"] = Median(heldMs);
    state.counters["without_summary_ms"] = Median(withoutMs);
    state.counters["thumbnails"] = shown;
}

}  // namespace

BENCHMARK(BM_FirstFrameOverPlainRead)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_ZoomScrollStep)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime()->DenseRange(0, 22);
BENCHMARK(BM_AutoRollTick)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_RedrawAfterResize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RecordSwitch)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    bench::ReportMachine();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
