#include "display/RedrawAll.h"

#include "display/DisplayPointLoader.h"
#include "display/HistoryWindowRenderer.h"
#include "display/MainWindowRenderer.h"
#include "display/RenderTarget.h"
#include "display/TracePasses.h"
#include "display/WindowPlacement.h"
#include "display/XyWindowRenderer.h"
#include "display/ZoomWindowRenderer.h"

namespace kivelo {

void ApplyLayout(DisplayModel& model, RenderCache& cache, const LayoutResult& layout) {
    for (int i = 0; i < kWindowCount; ++i) {
        const LayoutRect& r = layout.windows[static_cast<size_t>(i)];
        ViewArea& area = model.areas[static_cast<size_t>(i)];
        area.SetWindow(r.x - layout.usable.x, r.y - layout.usable.y, r.width, r.height - kWindowPanelHeight);
        model.shown[static_cast<size_t>(i)] = layout.visible[static_cast<size_t>(i)];
    }
    const LayoutRect& h = layout.windows[static_cast<size_t>(WindowId::History)];
    model.history.RecomputeGrid(h.width, h.height);
    cache.zoomFrame = ZoomFrameMark{};
}

void RedrawAll(const DisplayModel& model, RenderCache& cache, CWaveFile* file,
               const std::array<DisplayPainter*, kWindowCount>& painters, const TextMetrics& metrics, int frameWidth,
               int frameHeight, uint32_t windows) {
    if (file && model.document.loaded) {
        // The first window to read a record reads it whole and summarises it; the
        // others' reads of it then need no samples again.
        const int64_t L = model.document.recordLength;
        PointPlan history;
        history.points = HistoryPoints(model);
        history.step = DisplayStepCode(L, history.points);
        const std::array<PointPlan, 3> plans{MainPointPlan(L), ZoomPointPlan(model.zoom, L), history};
        file->ExpectEnvelopeReads(ReadsOfPlans(plans, L));
    }
    auto shown = [&](WindowId w) { return WindowPainter(model, painters, 0xF, w); };
    auto target = [&](WindowId w) { return WindowPainter(model, painters, windows, w); };
    auto at = [&](DisplayPainter& p) { return RenderTarget{model, cache, file, p, metrics, frameWidth, frameHeight}; };
    DisplayPainter* mainPainter = shown(WindowId::Main);
    // The XY window first: a figure of every sample pair reads whole records, and
    // the summaries made from those reads serve the other windows.
    if (DisplayPainter* p = target(WindowId::Xy)) DrawXyWindow(at(*p));
    if (target(WindowId::Main)) {
        const RenderTarget main = at(*mainPainter);
        DrawMainWindow(main);
        cache.zoomFrame = ZoomFrameMark{};  // the full Main redraw erased it
        // Without a Zoom redraw to follow, the frame goes back where the Zoom window's stretch is.
        if (!target(WindowId::Zoom) && shown(WindowId::Zoom) && main.HasDocument() && main.FrameLargeEnough()) {
            const int64_t start = model.zoom.ZoomStart();
            DrawZoomFrame(model, cache, *mainPainter, start, start + model.zoom.SpanOf(model.document.recordLength));
        }
    }
    if (DisplayPainter* p = target(WindowId::Zoom)) DrawZoomWindow(at(*p), mainPainter);
    if (DisplayPainter* p = target(WindowId::History)) DrawHistoryWindow(at(*p));
}

}  // namespace kivelo
