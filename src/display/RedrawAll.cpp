#include "display/RedrawAll.h"

#include "display/DisplayPointLoader.h"
#include "display/HistoryWindowRenderer.h"
#include "display/MainWindowRenderer.h"
#include "display/RenderTarget.h"
#include "display/TracePasses.h"
#include "display/XyWindowRenderer.h"
#include "display/ZoomWindowRenderer.h"

namespace kivelo {

void ApplyLayout(DisplayModel& model, const LayoutResult& layout) {
    for (int i = 0; i < kWindowCount; ++i) {
        const LayoutRect& r = layout.windows[static_cast<size_t>(i)];
        ViewArea& area = model.areas[static_cast<size_t>(i)];
        area.SetWindow(r.x - layout.usable.x, r.y - layout.usable.y, r.width, r.height - kWindowPanelHeight);
        model.shown[static_cast<size_t>(i)] = layout.visible[static_cast<size_t>(i)];
    }
    const LayoutRect& h = layout.windows[static_cast<size_t>(WindowId::History)];
    model.history.RecomputeGrid(h.width, h.height);
    model.zoomFrame = ZoomFrameMark{};
}

void RedrawAll(DisplayModel& model, CWaveFile* file, const std::array<DisplayPainter*, kWindowCount>& painters,
               const TextMetrics& metrics, int frameWidth, int frameHeight, uint32_t windows) {
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
    auto shown = [&](WindowId w) -> DisplayPainter* {
        const size_t i = static_cast<size_t>(w);
        return model.shown[i] ? painters[i] : nullptr;
    };
    auto target = [&](WindowId w) -> DisplayPainter* {
        return (windows >> static_cast<uint32_t>(w)) & 1u ? shown(w) : nullptr;
    };
    DisplayPainter* mainPainter = shown(WindowId::Main);
    if (target(WindowId::Main)) {
        const RenderTarget main{model, file, *mainPainter, metrics, frameWidth, frameHeight};
        DrawMainWindow(main);
        model.zoomFrame = ZoomFrameMark{};  // the full Main redraw erased it
        // Without a Zoom redraw to follow, the frame goes back where the Zoom window's stretch is.
        if (!target(WindowId::Zoom) && shown(WindowId::Zoom) && main.HasDocument() && main.FrameLargeEnough()) {
            const int64_t start = model.zoom.ZoomStart();
            DrawZoomFrame(model, *mainPainter, start, start + model.zoom.SpanOf(model.document.recordLength));
        }
    }
    if (DisplayPainter* p = target(WindowId::Zoom)) {
        DrawZoomWindow({model, file, *p, metrics, frameWidth, frameHeight}, mainPainter);
    }
    if (DisplayPainter* p = target(WindowId::History)) {
        DrawHistoryWindow({model, file, *p, metrics, frameWidth, frameHeight});
    }
    if (DisplayPainter* p = target(WindowId::Xy)) DrawXyWindow({model, file, *p, metrics, frameWidth, frameHeight});
}

}  // namespace kivelo
