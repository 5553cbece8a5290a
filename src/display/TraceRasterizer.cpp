#include "TraceRasterizer.h"

#include <algorithm>
#include <cmath>

namespace kivelo {
namespace {
constexpr double kRowLimit = 1 << 28;  // far outside any band, far from overflow
}

BandGeometry BandGeometry::Of(const ViewArea& area, const DisplayTrace& trace) {
    BandGeometry b;
    const int64_t groups = std::max<int64_t>(area.splitCount, 1);
    const int64_t ah = area.areaHeight;
    const int64_t aw = area.areaWidth;
    const int64_t top = static_cast<int64_t>(area.windowY) + area.areaY;
    b.group = static_cast<int>(trace.positionSlot % groups);
    b.bandTop = static_cast<int>(top + b.group * ah / groups);
    b.bandBottom = static_cast<int>(top + (b.group + 1) * ah / groups);
    b.scale = ah * std::max<int64_t>(trace.verticalZoom, 1) / groups;
    const double shift =
        std::clamp(static_cast<double>(trace.verticalPosition) * static_cast<double>(b.scale) / 4294967296.0,
                   -kRowLimit, kRowLimit);
    b.centreRow = top + (2 * b.group + 1) * ah / (2 * groups) + static_cast<int64_t>(std::trunc(shift));
    const int64_t columns = std::max<int64_t>(trace.columnCount, 1);
    b.areaLeft = area.windowX + area.areaX;
    b.areaRight = static_cast<int>(b.areaLeft + aw);
    b.firstX = (static_cast<int64_t>(b.areaLeft) << 16) + (trace.columnOffset * aw * 65536) / columns;
    b.stepX = aw * 65536 / columns;
    return b;
}

int64_t BandGeometry::RowOf(int64_t s) const { return centreRow - ((s * scale) >> 32); }

void DrawAnalogue(RasterPlane& plane, const BandGeometry& band, std::span<const EnvelopePair> pairs,
                  uint32_t colour) {
    if (band.bandBottom <= band.bandTop) return;
    int64_t x = band.firstX;
    bool twoWide = false;
    for (const EnvelopePair& p : pairs) {
        const int col = static_cast<int>(x >> 16);
        int64_t y1 = band.RowOf(p.hi);
        int64_t y2 = band.RowOf(p.lo);
        y1 = std::max<int64_t>(y1, band.bandTop);
        y2 = std::min<int64_t>(y2, band.bandBottom - 1);
        if (y1 <= y2) {
            if (col >= band.areaLeft && col < band.areaRight) {
                plane.PaintColumn(col, static_cast<int>(y1), static_cast<int>(y2), colour);
            }
            if (twoWide && col - 1 >= band.areaLeft && col - 1 < band.areaRight) {
                plane.PaintColumn(col - 1, static_cast<int>(y1), static_cast<int>(y2), colour);
            }
        }
        x += band.stepX;
        twoWide = (x >> 16) - col > 1;
    }
}

int LogicBitOfRow(const DisplayTrace& trace, int row) {
    if (trace.bitOrder == 0) return 15 - row;
    // Byte-wide samples were moved into the upper byte when loaded.
    return trace.bytesPerSample == 1 ? row + 8 : row;
}

void DrawLogic(RasterPlane& plane, const BandGeometry& band, const DisplayTrace& trace,
               std::span<const EnvelopePair> pairs) {
    const int bits = std::min<int>(trace.bitCount, 16);
    const int height = band.bandBottom - band.bandTop;
    if (bits <= 0 || height <= 0) return;
    const int pitch = height / bits;
    const int rise = 2 * height / (5 * bits);
    for (int k = 0; k < bits; ++k) {
        const int bit = LogicBitOfRow(trace, k);
        if (bit < 0 || bit > 15) continue;
        const int low = std::clamp(band.bandTop + pitch * (k + 1) - 1, band.bandTop, band.bandBottom - 1);
        const int high = std::max(low - rise, band.bandTop);
        auto rowOf = [&](int32_t v) { return ((static_cast<uint32_t>(v) >> bit) & 1U) ? high : low; };
        int64_t x = band.firstX;
        bool twoWide = false;
        int previous = -1;
        for (const EnvelopePair& p : pairs) {
            const int col = static_cast<int>(x >> 16);
            const int ya = rowOf(p.lo);
            const int yb = rowOf(p.hi);
            int y1 = std::min(ya, yb);
            int y2 = std::max(ya, yb);
            if (previous >= 0) {  // join to the level the previous column ended on
                y1 = std::min(y1, previous);
                y2 = std::max(y2, previous);
            }
            if (col >= band.areaLeft && col < band.areaRight) plane.PaintColumn(col, y1, y2, trace.colour);
            if (twoWide && col - 1 >= band.areaLeft && col - 1 < band.areaRight) {
                plane.PaintColumn(col - 1, ya, ya, trace.colour);
            }
            previous = yb;
            x += band.stepX;
            twoWide = (x >> 16) - col > 1;
        }
    }
}

void BuildAndDraw(RasterPlane& plane, const ViewArea& area, const DisplayTrace& trace, int spanIntervals) {
    if (!trace.displayOn) return;
    const size_t count = std::min<size_t>(trace.pointCount, DisplayTrace::kMaxPoints);
    const auto points = std::span<const int16_t>(trace.samples.data(), count);
    const std::vector<EnvelopePair> pairs = BuildEnvelope(points, trace.pairCount, trace.logic != 0, spanIntervals);
    const BandGeometry band = BandGeometry::Of(area, trace);
    if (trace.logic) {
        DrawLogic(plane, band, trace, pairs);
    } else {
        DrawAnalogue(plane, band, pairs, trace.colour);
    }
}

}  // namespace kivelo
