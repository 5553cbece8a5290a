// Prints a hash of every window image and of the plane after full and partial
// redraws of several scenes (modes, sample types, record lengths). Run it
// before and after a change to the display engine that must not change what
// is drawn, and compare the two outputs.
#include <QGuiApplication>
#include <QImage>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "Wavegen.h"
#include "common/TempDir.h"
#include "display/DocumentBinding.h"
#include "display/HistoryWindowRenderer.h"
#include "display/MainWindowRenderer.h"
#include "display/RedrawAll.h"
#include "display/WindowPlacement.h"
#include "display/XyWindowRenderer.h"
#include "display/ZoomWindowRenderer.h"
#include "display/qt/QtDisplayPainter.h"
#include "wavefile/CWaveFile.h"

namespace {

using namespace kivelo;

uint64_t Fnv(uint64_t h, const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ULL;
    return h;
}

uint64_t HashImage(const QImage& image) {
    uint64_t h = 0xcbf29ce484222325ULL;
    for (int y = 0; y < image.height(); ++y) {
        h = Fnv(h, image.constScanLine(y), static_cast<size_t>(image.width()) * 4);
    }
    return h;
}

struct FileDesc {
    std::string name;
    int traces;
    std::string types;
    wavegen::Signal signal;
    int blocks;
    int64_t samples;
    int64_t period;
};

struct SceneSetup {
    std::string file;
    bool light = false;
    int split = 1;
    int divisions = 10;
    int graticule = 0;
    int zoomEntry = 0;
    double zoomPosition = -1;
    int record = 0;
    bool overlays = false;
    bool snapshot = false;
    bool xyZoom = false;
    int xTrace = 0;
    bool large = false;
    CellSize cell = HistoryState::kSmall;
    int frameW = 1280;
    int frameH = 1024;
    double right = 0.375;
};

void Report(const char* scene, const char* step, const std::array<QImage, kWindowCount>& images,
            const RasterPlane& plane) {
    std::printf("%-10s %-12s", scene, step);
    for (const QImage& image : images) std::printf(" %016llx", static_cast<unsigned long long>(HashImage(image)));
    std::printf(" plane %016llx\n", static_cast<unsigned long long>(
                                        Fnv(0xcbf29ce484222325ULL, plane.Bytes().data(), plane.Bytes().size())));
}

void RunScene(const char* name, const std::string& path, const SceneSetup& s) {
    CWaveFile file;
    if (file.Open(path, 0) != -1) std::abort();
    auto model = std::make_unique<DisplayModel>();
    DisplayModel& m = *model;
    auto cache = std::make_unique<RenderCache>();
    BindDocument(m, file);
    m.document.currentRecord = std::min(s.record, m.document.recordCount - 1);
    m.SetLightMode(s.light);
    m.mainSplit = s.split;
    m.zoom.splitCount = s.split;
    m.SetVerticalDivisions(s.divisions);
    m.SetGraticuleStyle(s.graticule);
    const int64_t L = m.document.recordLength;
    if (s.zoomEntry > 0) m.zoom.SelectZoomRatio(static_cast<uint32_t>(s.zoomEntry), L);
    if (s.zoomPosition >= 0) m.zoom.SetPosition(s.zoomPosition * 1e11, L);
    if (s.overlays) {
        for (int r = 0; r < m.document.recordCount; r += 3) m.document.overlayMarks[static_cast<size_t>(r)] = 1;
    }
    m.xy.rangeMain = !s.xyZoom;
    m.xy.xTrace = s.xTrace;
    m.cursors.mesColumn = {150, 90};
    m.cursors.refColumn = {420, 300};
    const TextMetrics metrics = s.large ? TextMetrics::Large() : TextMetrics::Normal();
    LayoutInput in;
    in.frame = {0, 0, s.frameW, s.frameH};
    in.shares.right = s.right;
    in.metrics = metrics;
    const LayoutResult layout = LayOutWindows(in);
    ApplyLayout(m, *cache, layout);
    m.history.SetCellSize(s.cell, layout.windows[2].width, layout.windows[2].height);

    std::array<QImage, kWindowCount> images;
    std::array<std::unique_ptr<QtDisplayPainter>, kWindowCount> painters;
    std::array<DisplayPainter*, kWindowCount> targets{};
    for (size_t i = 0; i < kWindowCount; ++i) {
        const LayoutRect& r = layout.windows[i];
        images[i] = QImage(std::max(r.width, 1), std::max(r.height, 1), QImage::Format_RGB32);
        images[i].fill(QColor(1, 2, 3));
        painters[i] = std::make_unique<QtDisplayPainter>(images[i], metrics);
        targets[i] = painters[i].get();
    }
    auto target = [&](WindowId w) {
        const RenderTarget t{m, *cache, &file, *painters[static_cast<size_t>(w)], metrics, s.frameW, s.frameH};
        PlaceWindow(m, t, w);
        return t;
    };
    auto redrawAll = [&] {
        PlaceWindows(m, *cache, &file, targets, metrics, s.frameW, s.frameH);
        RedrawAll(m, *cache, &file, targets, metrics, s.frameW, s.frameH);
    };
    redrawAll();
    Report(name, "redraw", images, cache->plane);
    if (s.snapshot) {
        m.SetSnapshot(true);
        m.document.currentRecord = (m.document.currentRecord + 1) % m.document.recordCount;
    }
    redrawAll();  // with the points already read
    Report(name, "again", images, cache->plane);
    DrawMainWindow(target(WindowId::Main), false);
    Report(name, "main-part", images, cache->plane);
    m.zoom.SetPosition(0.6e11, L);
    DrawZoomWindow(target(WindowId::Zoom), painters[0].get());
    Report(name, "zoom-move", images, cache->plane);
    m.history.Scroll(ScrollCode::LineRight, 0, m.document.recordCount);
    m.InvalidatePoints();
    DrawHistoryWindow(target(WindowId::History));
    DrawXyWindow(target(WindowId::Xy));
    Report(name, "hist-xy", images, cache->plane);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    (void)argc;

    const TempDir scratch("kv-redraw-check-");
    const std::filesystem::path dir = scratch.Path();
    const std::array<FileDesc, 4> files{{
        {"sine24.wvf", 24, "IS2", wavegen::Signal::Sine, 20, 20000, 2859},
        {"mixed.wvf", 8, "IS2,B16,IU1,B8,IS4,FS4,IU2,IS1", wavegen::Signal::Step, 7, 1500, 333},
        {"noise.wvf", 6, "IS2,IS1,B16", wavegen::Signal::Noise, 30, 300, 50},
        {"logic.wvf", 4, "B16,IS2", wavegen::Signal::Logic, 4, 50000, 4000},
    }};
    for (const FileDesc& f : files) {
        wavegen::WvfDesc desc;
        desc.traces = wavegen::MakeTraces(f.traces, f.types, f.signal, f.period);
        desc.blocks = f.blocks;
        desc.samples = f.samples;
        if (!wavegen::WriteWvf((dir / f.name).string(), desc)) std::abort();
    }
    auto path = [&](const std::string& n) { return (dir / n).string(); };

    SceneSetup a;
    RunScene("plain", path("sine24.wvf"), a);
    SceneSetup b;
    b.light = true;
    b.split = 4;
    b.graticule = 1;
    b.divisions = 8;
    b.zoomEntry = 3;
    b.zoomPosition = 0.3;
    b.record = 5;
    b.overlays = true;
    b.snapshot = true;
    b.xyZoom = true;
    b.xTrace = 3;
    b.cell = HistoryState::kMedium;
    RunScene("modes", path("sine24.wvf"), b);
    SceneSetup c;
    c.graticule = 2;
    c.large = true;
    c.split = 3;
    c.zoomEntry = 2;
    c.overlays = true;
    c.xTrace = 1;
    c.frameW = 900;
    c.frameH = 700;
    c.right = 0.45;
    RunScene("mixed", path("mixed.wvf"), c);
    SceneSetup d;
    d.graticule = 5;
    d.divisions = 4;
    d.snapshot = true;
    d.record = 29;
    d.cell = HistoryState::kLarge;
    d.frameW = 2048;
    d.frameH = 1200;
    RunScene("noise", path("noise.wvf"), d);
    SceneSetup e;
    e.light = true;
    e.graticule = 3;
    e.divisions = 20;
    e.zoomEntry = 5;
    e.zoomPosition = 0.9;
    e.split = 2;
    e.frameW = 540;
    e.frameH = 400;
    RunScene("logic", path("logic.wvf"), e);
    return 0;
}
