#include "display/TraceRasterizer.h"

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

namespace {

// Vertical runs of one colour, joined while they continue in the same column:
// a pixel painted twice in one colour looks as painted once.
class ColumnRuns {
public:
    ColumnRuns(RasterPlane& plane, uint32_t colour) : plane_(plane), colour_(colour) {}
    ColumnRuns(const ColumnRuns&) = delete;
    ColumnRuns& operator=(const ColumnRuns&) = delete;
    ~ColumnRuns() { Flush(); }

    // Run y1..y2 (y1 <= y2) at column x.
    void Add(int x, int y1, int y2) {
        if (open_ && x == x_ && y1 <= y2_ + 1 && y2 >= y1_ - 1) {
            y1_ = std::min(y1_, y1);
            y2_ = std::max(y2_, y2);
            return;
        }
        Flush();
        open_ = true;
        x_ = x;
        y1_ = y1;
        y2_ = y2;
    }

private:
    void Flush() {
        if (open_) plane_.PaintColumn(x_, y1_, y2_, colour_);
        open_ = false;
    }

    RasterPlane& plane_;
    uint32_t colour_;
    bool open_ = false;
    int x_ = 0, y1_ = 0, y2_ = 0;
};

}  // namespace

void DrawAnalogue(RasterPlane& plane, const BandGeometry& band, std::span<const EnvelopePair> pairs, uint32_t colour) {
    if (band.bandBottom <= band.bandTop) return;
    ColumnRuns runs(plane, colour);
    int64_t x = band.firstX;
    bool twoWide = false;
    for (const EnvelopePair& p : pairs) {
        const int col = static_cast<int>(x >> 16);
        int64_t y1 = band.RowOf(p.hi);
        int64_t y2 = band.RowOf(p.lo);
        y1 = std::max<int64_t>(y1, band.bandTop);
        y2 = std::min<int64_t>(y2, band.bandBottom - 1);
        if (y1 <= y2) {
            if (twoWide && col - 1 >= band.areaLeft && col - 1 < band.areaRight) {
                runs.Add(col - 1, static_cast<int>(y1), static_cast<int>(y2));
            }
            if (col >= band.areaLeft && col < band.areaRight) {
                runs.Add(col, static_cast<int>(y1), static_cast<int>(y2));
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
