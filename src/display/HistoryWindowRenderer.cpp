#include "display/HistoryWindowRenderer.h"

#include <algorithm>
#include <cstdio>

#include "display/DisplayPointLoader.h"
#include "display/Graticule.h"
#include "display/Present.h"
#include "display/TracePasses.h"

namespace kivelo {

std::vector<HistoryCell> HistoryCells(const DisplayModel& model, int width, int height) {
    std::vector<HistoryCell> cells;
    const HistoryState& h = model.history;
    const int columns = std::max(h.Columns(), 1);
    const HistoryState::CellPlacement gap = h.Gaps(width, height + kWindowPanelHeight);
    const int first = h.FirstShown();
    const int last = std::min(first + h.CellsShown(), model.document.recordCount);
    for (int r = first; r < last; ++r) {
        const int i = r - first;
        cells.push_back({r, gap.gapX + (i % columns) * (gap.gapX + h.Cell().width),
                         gap.gapY + (i / columns) * (gap.gapY + h.Cell().height)});
    }
    return cells;
}

int HistoryPoints(const DisplayModel& model) {
    const int64_t L = model.document.recordLength;
    if (2 * static_cast<int64_t>(model.history.Cell().width) < L) return 400;
    return static_cast<int>(std::clamp<int64_t>(L, 0, DisplayTrace::kMaxPoints));
}

bool DrawHistoryWindow(const RenderTarget& target) {
    const DisplayModel& m = target.model;
    RenderCache& cache = target.cache;
    ViewArea area = m.Area(WindowId::History);  // each thumbnail's area in turn
    if (!BeginWindowDraw(target, area)) return true;
    const int W = target.ClientWidth();
    const int H = std::max(target.PlotHeight(), 0);

    PointPlan plan;
    plan.points = HistoryPoints(m);
    plan.step = DisplayStepCode(m.document.recordLength, plan.points);
    const CellSize cell = m.history.Cell();
    const std::vector<HistoryCell> cells = HistoryCells(m, W, H);
    cache.historyPoints.Resize(m.history.CellsShown());
    TraceSet& set = cache.Drawn(m, WindowId::History);
    set.ApplyColourAssignment(m.LightMode());
    for (DisplayTrace& t : set) {
        t.columnCount = 200;
        t.pairCount = 200;
    }
    for (const HistoryCell& c : cells) {
        area.SetArea(c.x, c.y, cell.width, cell.height);  // cells left or above the window start at 0
        DrawGraticule(cache.plane, area);
        DrawRecordPass(m, cache, *target.file, set, m.mainOnOff, area, c.record, plan, true, &cache.historyPoints);
    }
    Present(target.painter, cache.plane, m.palette, area.windowX, area.windowY, W, H, 0, kWindowPanelHeight);

    const int lh = target.LineHeight();
    const Rgb fg = m.palette.Foreground(), bg = m.palette.Background();
    for (const HistoryCell& c : cells) {
        char caption[32];
        std::snprintf(caption, sizeof caption, "%04d %s", c.record, m.document.TimeText(c.record).c_str());
        const int x = c.x - 8;
        const int y = c.y - lh + 32;
        if (c.record == m.document.currentRecord) {
            target.painter.DrawText(x, y, caption, bg, fg);
        } else {
            target.painter.DrawText(x, y, caption, fg, std::nullopt);
            if (m.document.overlayMarks[static_cast<size_t>(c.record)] == 1) {
                target.painter.DrawSunkenEdge(x - 1, y - 1, target.painter.TextWidth(caption) + 3, lh + 3);
            }
        }
    }
    return true;
}

}  // namespace kivelo
