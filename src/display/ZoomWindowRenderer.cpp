#include "display/ZoomWindowRenderer.h"

#include <algorithm>
#include <cmath>

#include "display/Graticule.h"
#include "display/Present.h"
#include "display/TracePasses.h"
#include "display/WindowTexts.h"

namespace kivelo {

void LayOutZoomArea(ViewArea& area, int width, int height) {
    const int w = std::max(width - 130, 1);
    if (height >= 152) {
        area.SetArea(10, 16, w, height - 144);
    } else {
        area.SetArea(10, std::max((height - 98) / 2, 0), w, 32);
    }
}

bool DrawZoomWindow(const RenderTarget& target, DisplayPainter* mainPainter) {
    if (!target.FrameLargeEnough()) return false;
    const DisplayModel& m = target.model;
    RenderCache& cache = target.cache;
    const ViewArea& area = m.Area(WindowId::Zoom);
    if (!BeginWindowDraw(target, area)) return true;
    const int W = target.ClientWidth();
    const int H = std::max(target.PlotHeight(), 0);
    DrawGraticule(cache.plane, area);

    const int64_t L = m.document.recordLength;
    const PointPlan plan = ZoomPointPlan(m.zoom, L);
    DrawAllPasses(m, cache, *target.file, WindowId::Zoom, m.zoom.onOff, area, plan, &cache.zoomPoints);
    Present(target.painter, cache.plane, m.palette, area.windowX, area.windowY, W, H, 0, kWindowPanelHeight);

    const int64_t span = m.zoom.SpanOf(L);
    DrawTimeWindowTexts(target, WindowId::Zoom, cache.Drawn(WindowId::Zoom), plan.start, span,
                        static_cast<int64_t>(plan.points) * plan.step / 512, 128);
    if (mainPainter && m.shown[static_cast<size_t>(WindowId::Main)]) {
        DrawZoomFrame(m, cache, *mainPainter, plan.start, plan.start + span);
    }
    return true;
}

void DrawZoomFrame(const DisplayModel& m, RenderCache& cache, DisplayPainter& mainPainter, int64_t start, int64_t end) {
    const ViewArea& a = m.Area(WindowId::Main);
    const int64_t L = m.document.recordLength;
    if (L <= 0) return;
    const int ax = a.areaX, ay = a.areaY, ah = a.areaHeight;
    const int panel = kWindowPanelHeight;
    ZoomFrameMark& mark = cache.zoomFrame;
    if (mark.x1 >= 0 && mark.x2 >= 0) {
        // Restore the strips the previous frame covered from the plane.
        auto strip = [&](int x, int y, int w, int h) {
            Present(mainPainter, cache.plane, m.palette, a.windowX + x, a.windowY + y, w, h, x, y + panel);
        };
        strip(ax + mark.x1 - 2, ay, 5, ah + 1);
        strip(ax + mark.x2 - 2, ay, 5, ah + 1);
        strip(ax + mark.x1 - 2, ay, mark.x2 - mark.x1 + 5, 3);
        strip(ax + mark.x1 - 2, ay + ah - 2, mark.x2 - mark.x1 + 5, 3);
    }
    const double perPoint = static_cast<double>(a.areaWidth) / static_cast<double>(L);
    mark.x1 = static_cast<int>(std::trunc(static_cast<double>(start) * perPoint));
    mark.x2 = static_cast<int>(std::trunc(static_cast<double>(end) * perPoint));
    const Rgb fg = m.palette.Foreground();
    mainPainter.DrawRectOutline(ax + mark.x1 - 2, ay + panel, ax + mark.x2 + 2, ay + ah + panel, Rgb{0, 0, 0});
    mainPainter.DrawRectOutline(ax + mark.x1, ay + panel + 1, ax + mark.x2, ay + ah + panel - 1, fg);
    mainPainter.DrawRectOutline(ax + mark.x1 - 1, ay + panel + 2, ax + mark.x2 + 1, ay + ah + panel - 2, fg);
}

}  // namespace kivelo
