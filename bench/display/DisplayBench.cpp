// Redraw of each display window with 24 traces of 2000 display points at
// 1280 x 1024, one copy of the whole plane, and the time to the first Main
// frame of an 8-trace file of 256M samples per trace beside a streaming read.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "Wavegen.h"
#include "common/TempDir.h"
#include "display/DocumentBinding.h"
#include "display/HistoryWindowRenderer.h"
#include "display/MainWindowRenderer.h"
#include "display/Present.h"
#include "display/RedrawAll.h"
#include "display/WindowPlacement.h"
#include "display/XyWindowRenderer.h"
#include "display/ZoomWindowRenderer.h"
#include "display/qt/QtDisplayPainter.h"
#include "wavefile/CWaveFile.h"

namespace {

using namespace kivelo;

std::string WriteFile(const TempDir& dir, const std::string& name, int traces, int blocks, int64_t samples) {
    wavegen::WvfDesc desc;
    desc.traces = wavegen::MakeTraces(traces, "IS2", wavegen::Signal::Sine, samples / 7 + 2);
    desc.blocks = blocks;
    desc.samples = samples;
    const std::string path = dir.File(name);
    if (!wavegen::WriteWvf(path, desc)) std::abort();
    return path;
}

// A display with its four window images laid out in a 1280 x 1024 frame.
struct Scene {
    std::unique_ptr<CWaveFile> file = std::make_unique<CWaveFile>();
    std::unique_ptr<DisplayModel> model = std::make_unique<DisplayModel>();
    std::unique_ptr<RenderCache> cache = std::make_unique<RenderCache>();
    LayoutResult layout;
    std::array<QImage, kWindowCount> images;
    std::array<std::unique_ptr<QtDisplayPainter>, kWindowCount> painters;
    TextMetrics metrics = TextMetrics::Normal();

    explicit Scene(const std::string& path) {
        if (file->Open(path, 0) != -1) std::abort();
        BindDocument(*model, *file);
        LayoutInput in;
        in.frame = {0, 0, 1280, 1024};
        in.shares.right = 0.375;  // a right column of 480 pixels: 5 x 5 small thumbnails, 20 records shown
        layout = LayOutWindows(in);
        ApplyLayout(*model, *cache, layout);
        model->history.SetCellSize(HistoryState::kSmall, layout.windows[2].width, layout.windows[2].height);
        for (size_t i = 0; i < kWindowCount; ++i) {
            images[i] = QImage(layout.windows[i].width, layout.windows[i].height, QImage::Format_RGB32);
            painters[i] = std::make_unique<QtDisplayPainter>(images[i], metrics);
        }
    }
    // The window placed for its image, as before every draw in the program.
    RenderTarget Target(WindowId w) {
        const RenderTarget target{*model, *cache, file.get(), *painters[static_cast<size_t>(w)], metrics, 1280, 1024};
        PlaceWindow(*model, target, w);
        return target;
    }
};

Scene& RedrawScene() {
    static TempDir dir("kv-display-bench-");
    static Scene scene(WriteFile(dir, "bench24.wvf", 24, 20, 20000));
    return scene;
}

void BM_MainWindow(benchmark::State& state) {
    Scene& s = RedrawScene();
    for (auto _ : state) {
        s.model->InvalidatePoints();  // a redraw that reads its points again
        DrawMainWindow(s.Target(WindowId::Main));
    }
}

void BM_ZoomWindow(benchmark::State& state) {
    Scene& s = RedrawScene();
    s.model->zoom.SelectZoomRatio(0, s.model->document.recordLength);
    for (auto _ : state) {
        s.model->InvalidatePoints();
        DrawZoomWindow(s.Target(WindowId::Zoom), s.painters[0].get());
    }
}

void BM_HistoryWindow(benchmark::State& state) {
    Scene& s = RedrawScene();
    for (auto _ : state) DrawHistoryWindow(s.Target(WindowId::History));
    state.counters["thumbnails"] =
        static_cast<double>(HistoryCells(*s.model, s.layout.windows[2].width, s.layout.windows[2].height - 36).size());
}

// The same with the thumbnails' points read from the file again.
void BM_HistoryWindowCold(benchmark::State& state) {
    Scene& s = RedrawScene();
    for (auto _ : state) {
        s.cache->historyPoints.Clear();
        s.model->InvalidatePoints();
        DrawHistoryWindow(s.Target(WindowId::History));
    }
}

void BM_XyWindow(benchmark::State& state) {
    Scene& s = RedrawScene();
    DrawMainWindow(s.Target(WindowId::Main));
    for (auto _ : state) DrawXyWindow(s.Target(WindowId::Xy));
}

void BM_RedrawAll(benchmark::State& state) {
    Scene& s = RedrawScene();
    std::array<DisplayPainter*, kWindowCount> targets{};
    for (size_t i = 0; i < kWindowCount; ++i) targets[i] = s.painters[i].get();
    for (auto _ : state) {
        s.model->InvalidatePoints();
        PlaceWindows(*s.model, *s.cache, s.file.get(), targets, s.metrics, 1280, 1024);
        RedrawAll(*s.model, *s.cache, s.file.get(), targets, s.metrics, 1280, 1024);
    }
}

void BM_PresentWholePlane(benchmark::State& state) {
    Scene& s = RedrawScene();
    QImage image(2048, 1200, QImage::Format_RGB32);
    QtDisplayPainter painter(image, s.metrics);
    for (auto _ : state) {
        Present(painter, s.cache->plane, s.model->palette, 0, 0, 2048, 1200, 0, 0);
    }
}

// 8 traces x 256M samples (4 GiB), written once and deleted at exit.
struct LargeFile {
    TempDir dir{"kv-display-bench-"};
    std::string path = WriteFile(dir, "large.wvf", 8, 1, int64_t{256} << 20);
};

LargeFile& Large() {
    static LargeFile f;
    return f;
}

// Each iteration streams the file through a 1 MB buffer and then draws the first
// Main frame of a fresh open, so the ratio compares the two in the same run.
void BM_LargeFileFirstMainFrame(benchmark::State& state) {
    const std::string& path = Large().path;
    kivelo::bench::WarmPageCache(path);
    QImage image(888, 465, QImage::Format_RGB32);
    kivelo::bench::PairedTimes times;
    for (auto _ : state) {
        times.Time([&] { benchmark::DoNotOptimize(kivelo::bench::StreamRead(path)); },
                   [&] {
                       CWaveFile file;
                       if (file.Open(path, 0) != -1) std::abort();
                       auto model = std::make_unique<DisplayModel>();
                       auto cache = std::make_unique<RenderCache>();
                       BindDocument(*model, file);
                       QtDisplayPainter painter(image, TextMetrics::Normal());
                       const RenderTarget target{*model, *cache, &file, painter, TextMetrics::Normal(), 1280, 1024};
                       PlaceWindow(*model, target, WindowId::Main);
                       DrawMainWindow(target);
                   });
    }
    times.Report(state, "read", "frame");
    // Peak of the whole process: the record must never be loaded whole.
    state.counters["peak_rss_MB"] = kivelo::bench::PeakRssMb();
}

// The XY figure of a whole 8 x 16M-sample record drawn from its sample pairs
// (the cache cleared each time) beside a streaming read of the file.
// KIVELO_BENCH_XY_SAMPLES sets the samples per trace.
void BM_XyFigureFirstDraw(benchmark::State& state) {
    const char* samples = std::getenv("KIVELO_BENCH_XY_SAMPLES");
    static const kivelo::bench::ScratchRecord record(
        8, samples && std::atoll(samples) > 0 ? std::atoll(samples) : int64_t{16} << 20);
    Scene scene(record.Path());
    kivelo::bench::PairedTimes times;
    for (auto _ : state) {
        scene.cache->xyFigure.Clear();
        times.Time([&] { benchmark::DoNotOptimize(kivelo::bench::StreamRead(record.Path())); },
                   [&] { DrawXyWindow(scene.Target(WindowId::Xy)); });
    }
    times.Report(state, "read", "draw");
}

BENCHMARK(BM_MainWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryWindowCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XyWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentWholePlane)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XyFigureFirstDraw)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LargeFileFirstMainFrame)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    kivelo::bench::ReportMachine();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
