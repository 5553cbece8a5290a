#include "XyPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kivelo {
namespace {

constexpr double kFar = 1 << 28;

struct Box {
    int64_t left, top, right, bottom;
    bool Inside(int64_t x, int64_t y) const { return left < x && x < right && top < y && y < bottom; }
};

// Cuts segment a-b to the box (Liang-Barsky) so that far-off points cost nothing.
bool ClipToBox(const Box& box, XyPoint& a, XyPoint& b) {
    const double x0 = static_cast<double>(a.x), y0 = static_cast<double>(a.y);
    const double dx = static_cast<double>(b.x - a.x), dy = static_cast<double>(b.y - a.y);
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - static_cast<double>(box.left), static_cast<double>(box.right) - x0,
                         y0 - static_cast<double>(box.top), static_cast<double>(box.bottom) - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    const XyPoint start{static_cast<int64_t>(std::lround(x0 + t0 * dx)), static_cast<int64_t>(std::lround(y0 + t0 * dy))};
    const XyPoint end{static_cast<int64_t>(std::lround(x0 + t1 * dx)), static_cast<int64_t>(std::lround(y0 + t1 * dy))};
    a = start;
    b = end;
    return true;
}

void Line(RasterPlane& plane, const Box& box, XyPoint a, XyPoint b, uint32_t colour) {
    if (!ClipToBox(box, a, b)) return;
    const int64_t dx = b.x - a.x, dy = b.y - a.y;
    const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    if (n == 0) {
        if (box.Inside(a.x, a.y)) plane.Paint(static_cast<int>(a.x), static_cast<int>(a.y), colour);
        return;
    }
    // 16.16 steps along the longer axis.
    const int64_t sx = (dx << 16) / n, sy = (dy << 16) / n;
    int64_t x = (a.x << 16) + 0x8000, y = (a.y << 16) + 0x8000;
    for (int64_t i = 0; i <= n; ++i, x += sx, y += sy) {
        const int64_t px = x >> 16, py = y >> 16;
        if (box.Inside(px, py)) plane.Paint(static_cast<int>(px), static_cast<int>(py), colour);
    }
}

}  // namespace

XyPoint XyPosition(const ViewArea& area, const DisplayTrace& xTrace, const DisplayTrace& trace, int xs, int ys) {
    const double sx = static_cast<double>(xTrace.verticalZoom) * area.areaWidth / 65536.0;
    const double sy = static_cast<double>(trace.verticalZoom) * area.areaHeight / 65536.0;
    const double x = std::trunc(sx * xs / 65536.0) + area.areaWidth / 2 -
                     std::trunc(xTrace.verticalPosition * sx / 65536.0) + area.AreaLeft();
    const double y = std::trunc(trace.verticalPosition * sy / 65536.0) + area.areaHeight / 2 + area.AreaTop() -
                     std::trunc(ys * sy / 65536.0);
    return {static_cast<int64_t>(std::clamp(x, -kFar, kFar)), static_cast<int64_t>(std::clamp(y, -kFar, kFar))};
}

void DrawXY(RasterPlane& plane, const ViewArea& area, const DisplayTrace& trace, const DisplayTrace& xTrace,
            uint32_t colour) {
    if (trace.logic || &trace == &xTrace) return;
    const int64_t count = static_cast<int64_t>(std::min({xTrace.pointCount, trace.pointCount,
                                                         static_cast<uint32_t>(DisplayTrace::kMaxPoints)})) - 1;
    const Box box{area.AreaLeft(), area.AreaTop(), area.AreaLeft() + area.areaWidth,
                  area.AreaTop() + area.areaHeight};
    XyPoint previous;
    bool previousInside = false;
    for (int64_t i = 0; i < count; ++i) {
        const XyPoint p = XyPosition(area, xTrace, trace, xTrace.samples[static_cast<size_t>(i)],
                                     trace.samples[static_cast<size_t>(i)]);
        const bool inside = box.Inside(p.x, p.y);
        if (i > 0 && (inside || previousInside)) {
            Line(plane, box, previous, p, colour);
        } else if (inside) {
            plane.Paint(static_cast<int>(p.x), static_cast<int>(p.y), colour);
        }
        previous = p;
        previousInside = inside;
    }
}

}  // namespace kivelo
