#include "display/XyPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kivelo {
namespace {

constexpr double kFar = 1 << 28;

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
    XyPen pen({area.AreaLeft(), area.AreaTop(), area.AreaLeft() + area.areaWidth, area.AreaTop() + area.areaHeight});
    if (carry) pen.StartFrom(*carry);
    const auto paint = [&](int64_t x, int64_t y) { plane.Paint(static_cast<int>(x), static_cast<int>(y), colour); };
    for (size_t i = 0; i < count; ++i) pen.To(pointAt(i), paint);
    if (pen.HasPrevious()) carry = pen.Previous();
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

std::vector<int32_t> XyColumnTable(const ViewArea& area, const DisplayTrace& xTrace) {
    return TableOf(XScale(area, xTrace), false);
}

std::vector<int32_t> XyRowTable(const ViewArea& area, const DisplayTrace& trace) {
    return TableOf(YScale(area, trace), true);
}

}  // namespace kivelo
