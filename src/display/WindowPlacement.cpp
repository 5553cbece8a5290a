#include "display/WindowPlacement.h"

#include <algorithm>

#include "display/CursorSamples.h"
#include "display/HistoryWindowRenderer.h"
#include "display/MainWindowRenderer.h"
#include "display/TracePasses.h"
#include "display/XyWindowRenderer.h"
#include "display/ZoomWindowRenderer.h"

namespace kivelo {
namespace {

// Switches on the traces whose table value is 1 and gives them slots 0, 1, 2, ...
void ShowTraces(TraceSet& set, const OnOffTable& table) {
    int slot = 0;
    for (int i = 0; i < kTraceCount; ++i) {
        DisplayTrace& t = set[i];
        t.displayOn = table[static_cast<size_t>(i)] == kTraceOn ? 1 : 0;
        if (t.displayOn) t.positionSlot = static_cast<uint8_t>(slot++);
    }
}

}  // namespace

void PlaceWindow(DisplayModel& m, const RenderTarget& target, WindowId window) {
    ViewArea& area = m.Area(window);
    if (window != WindowId::History && !target.FrameLargeEnough()) return;
    const int split = window == WindowId::Main ? m.mainSplit : window == WindowId::Zoom ? m.zoom.splitCount : 1;
    area.SetSplitCount(split);
    if (!target.HasDocument()) return;
    const int W = target.ClientWidth();
    const int H = std::max(target.PlotHeight(), 0);
    area.SetWindow(area.windowX, area.windowY, W, H);
    m.ApplyColours(false);
    const int64_t L = m.document.recordLength;
    switch (window) {
    case WindowId::Main:
        LayOutMainArea(area, W, H);
        ShowTraces(m.mainSet, m.mainOnOff);
        break;
    case WindowId::Zoom:
        LayOutZoomArea(area, W, H);
        m.zoom.SetZoomStart(ZoomPointPlan(m.zoom, L).start);
        ShowTraces(m.zoomSet, m.zoom.onOff);
        break;
    case WindowId::History: {
        m.history.RecomputeGrid(W, target.painter.Height());
        const std::vector<HistoryCell> cells = HistoryCells(m, W, H);
        // The area is each thumbnail's in turn while drawing; it stays at the last one.
        if (!cells.empty())
            area.SetArea(cells.back().x, cells.back().y, m.history.Cell().width, m.history.Cell().height);
        break;
    }
    case WindowId::Xy:
        LayOutXyArea(area, W, H);
        if (m.xy.rangeMain) {
            ShowTraces(m.mainSet, m.mainOnOff);
        } else {
            ShowTraces(m.zoomSet, m.zoom.onOff);
        }
        break;
    }
    if (window == WindowId::Main || window == WindowId::Zoom) PlaceCursors(m, target, window);
}

DisplayPainter* WindowPainter(const DisplayModel& model, const std::array<DisplayPainter*, kWindowCount>& painters,
                              uint32_t windows, WindowId window) {
    const size_t i = static_cast<size_t>(window);
    return (windows >> i) & 1u && model.shown[i] ? painters[i] : nullptr;
}

void PlaceWindows(DisplayModel& model, RenderCache& cache, CWaveFile* file,
                  const std::array<DisplayPainter*, kWindowCount>& painters, const TextMetrics& metrics, int frameWidth,
                  int frameHeight, uint32_t windows) {
    for (const WindowId w : {WindowId::Main, WindowId::Zoom, WindowId::History, WindowId::Xy}) {
        if (DisplayPainter* p = WindowPainter(model, painters, windows, w))
            PlaceWindow(model, {model, cache, file, *p, metrics, frameWidth, frameHeight}, w);
    }
}

void PlaceCursors(DisplayModel& model, const RenderTarget& target, WindowId window) {
    if (target.HasDocument() && target.FrameLargeEnough() && model.mouseMode == MouseMode::Cursors)
        ResolveCursorColumns(model, window);
}

}  // namespace kivelo
