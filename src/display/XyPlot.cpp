#include "display/XyPlot.h"

#include <algorithm>

namespace kivelo {

XyAxis XyColumnAxis(const ViewArea& area, const DisplayTrace& xTrace) {
    return XyAxis(xTrace.verticalZoom, xTrace.verticalPosition, area.areaWidth, area.AreaLeft(), false);
}

XyAxis XyRowAxis(const ViewArea& area, const DisplayTrace& trace) {
    return XyAxis(trace.verticalZoom, trace.verticalPosition, area.areaHeight, area.AreaTop(), true);
}

namespace {

size_t PointsOf(const DisplayTrace& trace) { return std::min<size_t>(trace.pointCount, DisplayTrace::kMaxPoints); }

}  // namespace

XyPoint XyPosition(const ViewArea& area, const DisplayTrace& xTrace, const DisplayTrace& trace, int xs, int ys) {
    return {XyColumnAxis(area, xTrace).Pixel(xs), XyRowAxis(area, trace).Pixel(ys)};
}

std::vector<int64_t> XyColumns(const ViewArea& area, const DisplayTrace& xTrace) {
    const XyAxis scale = XyColumnAxis(area, xTrace);
    std::vector<int64_t> columns(PointsOf(xTrace));
    for (size_t i = 0; i < columns.size(); ++i) columns[i] = scale.Pixel(xTrace.samples[i]);
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
    const XyAxis scale = XyColumnAxis(area, xTrace);
    std::vector<int64_t> columns(xSamples.size());
    for (size_t i = 0; i < columns.size(); ++i) columns[i] = scale.Pixel(xSamples[i]);
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

}  // namespace

void DrawXYRun(RasterPlane& plane, const ViewArea& area, const DisplayTrace& trace, std::span<const int64_t> columns,
               std::span<const int16_t> samples, uint32_t colour, std::optional<XyPoint>& carry) {
    if (trace.logic) return;
    const XyAxis scale = XyRowAxis(area, trace);
    DrawPoints(
        plane, area, std::min(columns.size(), samples.size()),
        [&](size_t i) {
            return XyPoint{columns[i], scale.Pixel(samples[i])};
        },
        colour, carry);
}

}  // namespace kivelo
