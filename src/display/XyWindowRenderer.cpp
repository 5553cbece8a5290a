#include "display/XyWindowRenderer.h"

#include <algorithm>

#include "display/Graticule.h"
#include "display/Present.h"
#include "display/TracePasses.h"
#include "display/WindowTexts.h"
#include "display/XyPlot.h"

namespace kivelo {

void LayOutXyArea(ViewArea& area, int width, int height) {
    const int w = std::max(width - 130, 1);
    if (height >= 112) {
        const int side = std::max(std::min(w, height - 74), 1);
        area.SetArea(10, 16, side, side);
    } else {
        const int side = std::min(w, 48);
        area.SetArea(10, std::max((height - side - 10) / 2, 0), side, side);
    }
}

bool DrawXyWindow(const RenderTarget& target) {
    if (!target.FrameLargeEnough()) return false;
    const DisplayModel& m = target.model;
    RenderCache& cache = target.cache;
    const ViewArea& area = m.Area(WindowId::Xy);
    if (!BeginWindowDraw(target, area)) return true;
    const int W = target.ClientWidth();
    const int H = std::max(target.PlotHeight(), 0);
    DrawGraticule(cache.plane, area);

    const bool rangeMain = m.xy.rangeMain;
    const WindowId range = rangeMain ? WindowId::Main : WindowId::Zoom;
    const int64_t L = m.document.recordLength;
    TraceSet& set = cache.Drawn(m, range);
    const TraceSet* snapshot = cache.Snapshot(m, range);
    const OnOffTable& table = rangeMain ? m.mainOnOff : m.zoom.onOff;
    const PointPlan plan = rangeMain ? MainPointPlan(L) : ZoomPointPlan(m.zoom, L);
    const int xIndex = std::clamp(m.xy.xTrace, 0, kTraceCount - 1);
    const int record = m.document.currentRecord;

    set.ApplyColourAssignment(m.LightMode());
    // Display points of a long range are min/max pairs, which plotted against each
    // other draw a wrong figure: every sample pair of the range is plotted. First:
    // its reads of the whole record make the summaries that the points then come from.
    if (plan.step != 512) {
        XyRange xyRange{m.document.generation, record, plan.start, rangeMain ? L : m.zoom.SpanOf(L)};
        xyRange.count = std::min(xyRange.count, L - xyRange.start);
        cache.xyFigure.Draw(cache.plane, *target.file, area, set, table, xIndex, xyRange);
    }
    // The points the range's window keeps: drawn first, this window loads them for it.
    PointCache& points = rangeMain ? cache.mainPoints : cache.zoomPoints;
    points.Resize(RenderCache::kRecentRecords);
    DrawRecordPass(m, cache, *target.file, set, table, area, record, plan, false, &points);
    DisplayTrace& xTrace = set[xIndex];
    if (table[static_cast<size_t>(xIndex)] <= kTraceOn) {
        EnsurePoints(m, cache, *target.file, xTrace, table, xIndex, record, plan, &points);
    }
    const std::vector<int64_t> columns = XyColumns(area, xTrace);
    if (plan.step == 512) {
        // The display points are the samples themselves: plot them.
        for (DisplayTrace& t : set) {
            if (t.displayOn && &t != &xTrace) DrawXY(cache.plane, area, t, columns, t.colour);
        }
    }
    if (snapshot) {
        for (const DisplayTrace& t : *snapshot) {
            if (t.displayOn && t.traceNumber != xIndex) DrawXY(cache.plane, area, t, columns, t.colour);
        }
    }
    Present(target.painter, cache.plane, m.palette, area.windowX, area.windowY, W, H, 0, kWindowPanelHeight);

    const int lh = target.LineHeight();
    DrawLabelColumn(target, set, area.areaX + area.areaWidth + 5, kWindowPanelHeight + lh, xIndex);
    DrawRecordNumber(target, TimeAxisRow(area));
    if (H > 88) DrawInfoLine(target, area, rangeMain ? L : m.zoom.SpanOf(L));
    return true;
}

}  // namespace kivelo
