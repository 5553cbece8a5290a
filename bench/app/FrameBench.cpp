// The program's own costs, through the real main frame (offscreen): start to
// the first complete frame of a large record beside reading the same file,
// a redraw of all four windows with 24 traces whose points are held, and the
// repaint of a cursor drag. KIVELO_BENCH_SAMPLES sets the large record's
// samples per trace (default 128M: 8 traces x 2 bytes = 2 GiB).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "BenchFiles.h"
#include "WvfWriter.h"
#include "app/core/SettingsRecord.h"
#include "app/frame/CMainFrame.h"
#include "app/ui/CUiSeam.h"
#include "common/TempDir.h"
#include "display/DisplayModel.h"
#include "display/RenderCache.h"
#include "wavefile/WaveDocument.h"
#include "wavefile/WavefileOptions.h"

namespace {

using namespace kivelo;
using namespace kivelo::app;

class SilentUi final : public CUiSeam {
public:
    MsgAnswer Message(QWidget*, const QString& text, const QString&, MsgIcon, MsgButtons) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MsgAnswer::Ok;
    }
    std::optional<QString> FileName(QWidget*, const FileDialogRequest&) override { return std::nullopt; }
};

int64_t LargeSamples() {
    const char* env = std::getenv("KIVELO_BENCH_SAMPLES");
    return env ? std::atoll(env) : int64_t{128} << 20;
}

const std::string& LargeRecord() {
    static const bench::ScratchRecord record(8, LargeSamples());
    return record.Path();
}

// 24 traces in groups of four, as the instruments write them.
const std::string& WideRecord() {
    struct Wide {
        TempDir dir{"kivelo-bench-app-"};
        std::string path = dir.File("wide.wvf");
        Wide() {
            wavegen::WvfDesc desc;
            desc.traces = wavegen::MakeTraces(24, "IS2", wavegen::Signal::Sine, 40000);
            desc.samples = 1 << 20;
            if (!wavegen::WriteWvf(path, desc)) std::abort();
        }
    };
    static const Wide wide;
    return wide.path;
}

// One program: document, model, render cache, settings and the frame, 1280 x 1024.
struct Program {
    WaveDocument document{WavefileOptions::From(std::getenv).summaryBudget};
    std::unique_ptr<DisplayModel> model = std::make_unique<DisplayModel>();
    std::unique_ptr<RenderCache> cache = std::make_unique<RenderCache>();
    SettingsRecord settings;
    SilentUi ui;
    CMainFrame frame{document, *model, *cache, settings, ui};
    Program() {
        frame.resize(1280, 1024);
        frame.show();
        QApplication::processEvents();
    }
};

// Each iteration streams the file through a 1 MB buffer and then opens it to
// its first complete frame, so the ratio compares the two in the same run.
void BM_OpenLargeFileToFirstFrame(benchmark::State& state) {
    const std::string& path = LargeRecord();
    Program program;
    bench::PairedTimes times;
    for (auto _ : state) {
        times.Time([&] { benchmark::DoNotOptimize(bench::StreamRead(path)); },
                   [&] {
                       if (!program.frame.OpenPath(QString::fromStdString(path))) state.SkipWithError("open failed");
                   });
    }
    times.Report(state, "read", "frame");
    state.counters["peak_rss_mb"] = bench::PeakRssMb();
}

void BM_RedrawAllWindowsPointsHeld(benchmark::State& state) {
    Program program;
    if (!program.frame.OpenPath(QString::fromStdString(WideRecord()))) state.SkipWithError("open failed");
    for (auto _ : state) program.frame.RedrawWindows(kAllWindows);
}

void BM_CursorDragRepaint(benchmark::State& state) {
    Program program;
    if (!program.frame.OpenPath(QString::fromStdString(WideRecord()))) state.SkipWithError("open failed");
    CDisplayWindow& main = program.frame.Area().Window(WindowId::Main);
    const QPointF start(100, 150);
    QMouseEvent press(QEvent::MouseButtonPress, start, main.mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&main, &press);
    int x = 100;
    for (auto _ : state) {
        x = x >= 500 ? 100 : x + 3;
        const QPointF at(x, 150);
        QMouseEvent move(QEvent::MouseMove, at, main.mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main, &move);
        main.repaint();
    }
}

BENCHMARK(BM_OpenLargeFileToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RedrawAllWindowsPointsHeld)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CursorDragRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    kivelo::bench::ReportMachine();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
