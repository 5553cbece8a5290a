#include "display/XyPlot.h"

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
    const XyPoint start{static_cast<int64_t>(std::lround(x0 + t0 * dx)),
                        static_cast<int64_t>(std::lround(y0 + t0 * dy))};
    const XyPoint end{static_cast<int64_t>(std::lround(x0 + t1 * dx)), static_cast<int64_t>(std::lround(y0 + t1 * dy))};
    a = start;
    b = end;
    return true;
}

void Line(RasterPlane& plane, const Box& box, XyPoint a, XyPoint b, uint32_t colour) {
    // Clipping leaves a segment with both ends strictly inside as it is.
    const bool whole = box.Inside(a.x, a.y) && box.Inside(b.x, b.y);
    if (!whole && !ClipToBox(box, a, b)) return;
    const int64_t dx = b.x - a.x, dy = b.y - a.y;
    const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    if (n == 0) {
        if (box.Inside(a.x, a.y)) plane.Paint(static_cast<int>(a.x), static_cast<int>(a.y), colour);
        return;
    }
    // 16.16 steps along the longer axis.
    const int64_t sx = (dx << 16) / n, sy = (dy << 16) / n;
    int64_t x = (a.x << 16) + 0x8000, y = (a.y << 16) + 0x8000;
    if (whole) {  // the steps never leave the rectangle spanned by the ends
        for (int64_t i = 0; i <= n; ++i, x += sx, y += sy) {
            plane.Paint(static_cast<int>(x >> 16), static_cast<int>(y >> 16), colour);
        }
        return;
    }
    for (int64_t i = 0; i <= n; ++i, x += sx, y += sy) {
        const int64_t px = x >> 16, py = y >> 16;
        if (box.Inside(px, py)) plane.Paint(static_cast<int>(px), static_cast<int>(py), colour);
    }
}

int64_t Far(double v) { return static_cast<int64_t>(std::clamp(v, -kFar, kFar)); }

// One axis of the plot for a trace's vertical zoom and position.
struct AxisScale {
    double scale, centre;
    int half, origin;
    AxisScale(const DisplayTrace& t, int size, int start)
        : scale(static_cast<double>(t.verticalZoom) * size / 65536.0),
          centre(std::trunc(t.verticalPosition * scale / 65536.0)),
          half(size / 2),
          origin(start) {}
    double Offset(int v) const { return std::trunc(scale * v / 65536.0); }
    // Column of an X trace value; row of a trace value (rows grow downward).
    int64_t Column(int v) const { return Far(Offset(v) + half - centre + origin); }
    int64_t Row(int v) const { return Far(centre + half + origin - Offset(v)); }
};

AxisScale XScale(const ViewArea& area, const DisplayTrace& xTrace) {
    return AxisScale(xTrace, area.areaWidth, area.AreaLeft());
}
AxisScale YScale(const ViewArea& area, const DisplayTrace& trace) {
    return AxisScale(trace, area.areaHeight, area.AreaTop());
}

size_t PointsOf(const DisplayTrace& trace) { return std::min<size_t>(trace.pointCount, DisplayTrace::kMaxPoints); }

}  // namespace

XyPoint XyPosition(const ViewArea& area, const DisplayTrace& xTrace, const DisplayTrace& trace, int xs, int ys) {
    return {XScale(area, xTrace).Column(xs), YScale(area, trace).Row(ys)};
}

std::vector<int64_t> XyColumns(const ViewArea& area, const DisplayTrace& xTrace) {
    const AxisScale scale = XScale(area, xTrace);
    std::vector<int64_t> columns(PointsOf(xTrace));
    for (size_t i = 0; i < columns.size(); ++i) columns[i] = scale.Column(xTrace.samples[i]);
    return columns;
}

void DrawXY(RasterPlane& plane, const ViewArea& area, const DisplayTrace& trace, const DisplayTrace& xTrace,
            uint32_t colour) {
    if (trace.logic || &trace == &xTrace) return;
    DrawXY(plane, area, trace, XyColumns(area, xTrace), colour);
}

void DrawXY(RasterPlane& plane, const ViewArea& area, const DisplayTrace& trace, std::span<const int64_t> columns,
            uint32_t colour) {
    if (trace.logic) return;
    const int64_t count = static_cast<int64_t>(std::min(columns.size(), PointsOf(trace))) - 1;
    if (count <= 0) return;
    std::optional<XyPoint> carry;
    const auto n = static_cast<size_t>(count);
    DrawXYRun(plane, area, trace, columns.first(n), std::span<const int16_t>(trace.samples).first(n), colour, carry);
}

std::vector<int64_t> XyColumns(const ViewArea& area, const DisplayTrace& xTrace, std::span<const int16_t> xSamples) {
    const AxisScale scale = XScale(area, xTrace);
    std::vector<int64_t> columns(xSamples.size());
    for (size_t i = 0; i < columns.size(); ++i) columns[i] = scale.Column(xSamples[i]);
    return columns;
}

namespace {

// Joins the points pointAt(0 .. count - 1) to each other and to carry.
template <typename PointAt>
void DrawPoints(RasterPlane& plane, const ViewArea& area, size_t count, PointAt&& pointAt, uint32_t colour,
                std::optional<XyPoint>& carry) {
    const Box box{area.AreaLeft(), area.AreaTop(), area.AreaLeft() + area.areaWidth, area.AreaTop() + area.areaHeight};
    XyPoint previous = carry.value_or(XyPoint{});
    bool havePrevious = carry.has_value();
    bool previousInside = havePrevious && box.Inside(previous.x, previous.y);
    for (size_t i = 0; i < count; ++i) {
        const XyPoint p = pointAt(i);
        // A point on the pixel of the one before draws nothing new (long records repeat pixels a lot).
        if (havePrevious && p.x == previous.x && p.y == previous.y) continue;
        const bool inside = box.Inside(p.x, p.y);
        if (havePrevious && (inside || previousInside)) {
            Line(plane, box, previous, p, colour);
        } else if (inside) {
            plane.Paint(static_cast<int>(p.x), static_cast<int>(p.y), colour);
        }
        previous = p;
        previousInside = inside;
        havePrevious = true;
    }
    if (havePrevious) carry = previous;
}

std::vector<int32_t> TableOf(const AxisScale& scale, bool row) {
    std::vector<int32_t> table(size_t{1} << 16);
    for (int v = -32768; v < 32768; ++v)
        table[static_cast<uint16_t>(v)] = static_cast<int32_t>(row ? scale.Row(v) : scale.Column(v));
    return table;
}

}  // namespace

void DrawXYRun(RasterPlane& plane, const ViewArea& area, const DisplayTrace& trace, std::span<const int64_t> columns,
               std::span<const int16_t> samples, uint32_t colour, std::optional<XyPoint>& carry) {
    if (trace.logic) return;
    const AxisScale scale = YScale(area, trace);
    DrawPoints(
        plane, area, std::min(columns.size(), samples.size()),
        [&](size_t i) {
            return XyPoint{columns[i], scale.Row(samples[i])};
        },
        colour, carry);
}

void DrawXYPoints(RasterPlane& plane, const ViewArea& area, std::span<const XyCell> points, uint32_t colour,
                  std::optional<XyPoint>& carry) {
    DrawPoints(
        plane, area, points.size(),
        [&](size_t i) {
            return XyPoint{points[i].x, points[i].y};
        },
        colour, carry);
}

std::vector<int32_t> XyColumnTable(const ViewArea& area, const DisplayTrace& xTrace) {
    return TableOf(XScale(area, xTrace), false);
}

std::vector<int32_t> XyRowTable(const ViewArea& area, const DisplayTrace& trace) {
    return TableOf(YScale(area, trace), true);
}

}  // namespace kivelo
