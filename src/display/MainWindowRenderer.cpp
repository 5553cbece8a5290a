#include "display/MainWindowRenderer.h"

#include <algorithm>
#include <cmath>

#include "display/Graticule.h"
#include "display/Present.h"
#include "display/TracePasses.h"
#include "display/WindowTexts.h"

namespace kivelo {

void LayOutMainArea(ViewArea& area, int width, int height) {
    const int w = std::max(width - 130, 1);
    if (height >= 112) {
        area.SetArea(10, 16, w, height - 88);
    } else {
        area.SetArea(10, std::max((height - 58) / 2, 0), w, 48);
    }
}

bool DrawMainWindow(const RenderTarget& target, bool full) {
    if (!target.FrameLargeEnough()) return false;
    const DisplayModel& m = target.model;
    RenderCache& cache = target.cache;
    const ViewArea& area = m.Area(WindowId::Main);
    if (!BeginWindowDraw(target, area)) return true;
    const int W = target.ClientWidth();
    const int H = std::max(target.PlotHeight(), 0);
    DrawGraticule(cache.plane, area);

    const int64_t L = m.document.recordLength;
    const PointPlan plan = MainPointPlan(L);
    DrawAllPasses(m, cache, *target.file, WindowId::Main, m.mainOnOff, area, plan, &cache.mainPoints);

    if (full) {
        Present(target.painter, cache.plane, m.palette, area.windowX, area.windowY, W, H, 0, kWindowPanelHeight);
    } else {
        Present(target.painter, cache.plane, m.palette, area.windowX + 10, area.windowY + 16, W - 10, H - 16, 10,
                kWindowPanelHeight + 16);
    }
    DrawTimeWindowTexts(target, WindowId::Main, cache.Drawn(WindowId::Main), 0, L, L, 88);
    return true;
}

RangeResult SetTraceRange(DisplayModel& model, double upper, double lower) {
    const int i = model.selectedTrace;
    if (i < 0 || i >= kTraceCount) return RangeResult::Refused;
    int32_t position = 0;
    double zoom = model.document.DefaultVerticalZoom();
    if (upper != 0.0 || lower != 0.0) {
        const DisplayTrace& t = model.mainSet[i];
        if (!(lower < upper) || !(t.gain != 0.0)) return RangeResult::Refused;
        zoom = t.gain / (upper - lower) * 65536.0;
        // A zoom that would store as 0 (or less) cannot scale the band.
        if (!(zoom <= 200.0) || !(zoom * 65536.0 >= 1.0)) return RangeResult::Refused;
        const double v = ((upper + lower) / 2.0 - t.offset) / t.gain;
        if (!(v <= 6553600.0 && v >= -6553600.0)) return RangeResult::Refused;
        position = static_cast<int32_t>(std::trunc(v));
    }
    for (TraceSet* set : {&model.mainSet, &model.zoomSet, &model.historySet}) {
        (*set)[i].verticalPosition = position;
        (*set)[i].SetVerticalZoom(zoom);
    }
    return RangeResult::Accepted;
}

}  // namespace kivelo
