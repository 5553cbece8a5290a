#include <gtest/gtest.h>

#include "ColourCode.h"
#include "Graticule.h"
#include "RasterPlane.h"
#include "TraceRasterizer.h"
#include "VerticalScaling.h"

namespace kivelo {
namespace {

ViewArea MakeArea(int groups = 1) {
    ViewArea a;
    a.SetWindow(100, 50, 600, 400);
    a.SetArea(10, 16, 400, 200);
    a.SetSplitCount(groups);
    return a;
}

DisplayTrace FlatTrace(int16_t value, uint32_t points = 2000) {
    DisplayTrace t;
    t.displayOn = 1;
    t.pointCount = points;
    for (uint32_t i = 0; i < points; ++i) t.samples[i] = value;
    return t;
}

// Rows of column x holding colour code c.
std::vector<int> RowsWith(const RasterPlane& p, int x, uint8_t c) {
    std::vector<int> rows;
    for (int y = 0; y < RasterPlane::kHeight; ++y)
        if ((p.At(x, y) & colour_code::kTraceMask) == c) rows.push_back(y);
    return rows;
}

TEST(BandGeometryTest, GroupsBandsAndScale) {
    const ViewArea a = MakeArea(3);
    DisplayTrace t;
    t.positionSlot = 4;  // group 1
    const BandGeometry b = BandGeometry::Of(a, t);
    EXPECT_EQ(b.group, 1);
    EXPECT_EQ(b.bandTop, 50 + 16 + 200 / 3);
    EXPECT_EQ(b.bandBottom, 50 + 16 + 400 / 3);
    EXPECT_EQ(b.centreRow, 50 + 16 + 3 * 200 / 6);
    EXPECT_EQ(b.firstX >> 16, 110);
    EXPECT_EQ(b.stepX, 400 * 65536 / 1000);
    // Band edges show V +- 32768 / Z.
    EXPECT_NEAR(static_cast<double>(b.RowOf(32768)), b.bandTop, 1.0);
}

TEST(Rasterise, SplitGroupsFollowPositionSlots) {
    const ViewArea a = MakeArea(3);
    std::vector<int> groups;
    for (int slot = 0; slot < 5; ++slot) {
        DisplayTrace t;
        t.positionSlot = static_cast<uint8_t>(slot);
        groups.push_back(BandGeometry::Of(a, t).group);
    }
    EXPECT_EQ(groups, (std::vector<int>{0, 1, 2, 0, 1}));
}

TEST(Rasterise, FlatTraceDrawsOneRow) {
    RasterPlane plane;
    const ViewArea a = MakeArea();
    DisplayTrace t = FlatTrace(0);
    t.colour = 3;
    BuildAndDraw(plane, a, t);
    const BandGeometry b = BandGeometry::Of(a, t);
    for (int x : {110, 250, 509}) EXPECT_EQ(RowsWith(plane, x, 3), std::vector<int>{static_cast<int>(b.centreRow)});
    EXPECT_TRUE(RowsWith(plane, 109, 3).empty());
    EXPECT_TRUE(RowsWith(plane, 510, 3).empty());
}

TEST(Rasterise, RunsAreClippedToTheBand) {
    RasterPlane plane;
    const ViewArea a = MakeArea(2);
    DisplayTrace t;
    t.displayOn = 1;
    t.verticalZoom = 4 * 65536;
    t.columnCount = 10;  // 40 pixels per pair
    const BandGeometry b = BandGeometry::Of(a, t);
    // Pair spanning far beyond both edges fills the band column exactly.
    std::vector<EnvelopePair> full{{-30000, 30000}};
    DrawAnalogue(plane, b, full, 2);
    const auto rows = RowsWith(plane, 110, 2);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), b.bandTop);
    EXPECT_EQ(rows.back(), b.bandBottom - 1);
    EXPECT_EQ(static_cast<int>(rows.size()), b.bandBottom - b.bandTop);
    // Runs starting above or inside and leaving the band are cut at its edges;
    // a run entirely outside draws nothing.
    RasterPlane p2;
    std::vector<EnvelopePair> pairs{{0, 30000}, {-30000, 0}, {20000, 30000}};
    DrawAnalogue(p2, b, pairs, 2);
    const int x1 = static_cast<int>(b.firstX >> 16);
    const int x2 = static_cast<int>((b.firstX + b.stepX) >> 16);
    const int x3 = static_cast<int>((b.firstX + 2 * b.stepX) >> 16);
    EXPECT_EQ(RowsWith(p2, x1, 2).front(), b.bandTop);
    EXPECT_EQ(RowsWith(p2, x1, 2).back(), b.centreRow);
    EXPECT_EQ(RowsWith(p2, x2, 2).back(), b.bandBottom - 1);
    EXPECT_TRUE(RowsWith(p2, x3, 2).empty());
    // Nothing spills into the other group's band.
    for (int y = b.bandBottom; y < b.bandBottom + 100; ++y) EXPECT_EQ(p2.At(x1, y) & 0x1F, 0);
}

TEST(Rasterise, WideColumnsAreDrawnTwoPixelsWide) {
    RasterPlane plane;
    const ViewArea a = MakeArea();
    DisplayTrace t = FlatTrace(0, 3);
    t.columnCount = 100;  // 4 pixels per column
    t.pairCount = 100;
    t.colour = 5;
    BuildAndDraw(plane, a, t);
    const int row = static_cast<int>(BandGeometry::Of(a, t).centreRow);
    int painted = 0;
    for (int x = 110; x < 510; ++x) painted += (plane.At(x, row) & 0x1F) == 5;
    EXPECT_EQ(painted, 1 + 99 * 2);  // first column single, then two pixels each
}

TEST(Rasterise, HighlightTraceOnlyChangesBit5) {
    RasterPlane plane;
    const ViewArea a = MakeArea();
    DisplayTrace live = FlatTrace(0);
    live.colour = 4;
    BuildAndDraw(plane, a, live);
    DrawGraticule(plane, a);
    const std::vector<uint8_t> before(plane.Bytes().begin(), plane.Bytes().end());
    DisplayTrace snap = FlatTrace(0);
    snap.colour = colour_code::kHighlight;
    BuildAndDraw(plane, a, snap);
    for (size_t i = 0; i < before.size(); ++i) ASSERT_EQ(plane.Bytes()[i] & 0xDF, before[i]);
}

TEST(Rasterise, LogicRowsShowBits) {
    RasterPlane plane;
    const ViewArea a = MakeArea();
    DisplayTrace t = FlatTrace(0x0005);  // bits 0 and 2 set
    t.logic = 1;
    t.bitCount = 4;
    t.bitOrder = 1;
    t.colour = 6;
    BuildAndDraw(plane, a, t);
    const BandGeometry b = BandGeometry::Of(a, t);
    const int pitch = (b.bandBottom - b.bandTop) / 4;
    const int rise = 2 * (b.bandBottom - b.bandTop) / 20;
    const auto rows = RowsWith(plane, 200, 6);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], b.bandTop + pitch - 1 - rise);      // bit 0 high
    EXPECT_EQ(rows[1], b.bandTop + 2 * pitch - 1);         // bit 1 low
    EXPECT_EQ(rows[2], b.bandTop + 3 * pitch - 1 - rise);  // bit 2 high
    EXPECT_EQ(rows[3], b.bandTop + 4 * pitch - 1);
    t.bitOrder = 0;
    EXPECT_EQ(LogicBitOfRow(t, 0), 15);
    t.bitOrder = 1;
    t.bytesPerSample = 1;
    EXPECT_EQ(LogicBitOfRow(t, 0), 8);  // byte-wide data sit in the upper byte
}

TEST(Rasterise, LogicEdgeBetweenColumnsIsJoined) {
    RasterPlane plane;
    const ViewArea a = MakeArea();
    DisplayTrace t;
    t.displayOn = 1;
    t.logic = 1;
    t.bitCount = 1;
    t.pointCount = 2000;
    for (int i = 0; i < 2000; ++i) t.samples[static_cast<size_t>(i)] = i < 1000 ? 0 : 1;
    t.colour = 7;
    BuildAndDraw(plane, a, t);
    const BandGeometry b = BandGeometry::Of(a, t);
    const int edgeX = static_cast<int>((b.firstX + 500 * b.stepX) >> 16);
    EXPECT_GT(RowsWith(plane, edgeX, 7).size(), 10u);  // the rising edge is a vertical run
}

TEST(GraticuleTest, RefusedBelowTwoDivisions) {
    RasterPlane plane;
    ViewArea a = MakeArea();
    a.verticalDivisions = 1;
    EXPECT_FALSE(DrawGraticule(plane, a));
    a.verticalDivisions = 10;
    a.horizontalDivisions = 0;
    EXPECT_FALSE(DrawGraticule(plane, a));
    for (uint8_t b : plane.Bytes()) ASSERT_EQ(b, 0);
    a.horizontalDivisions = 2;
    EXPECT_TRUE(DrawGraticule(plane, a));
}

TEST(GraticuleTest, MinorSubdivisionsAndFrames) {
    EXPECT_EQ(MinorSubdivisions(31), 10);
    EXPECT_EQ(MinorSubdivisions(30), 5);
    EXPECT_EQ(MinorSubdivisions(16), 5);
    EXPECT_EQ(MinorSubdivisions(15), 2);
    EXPECT_EQ(MinorSubdivisions(6), 2);
    EXPECT_EQ(MinorSubdivisions(5), 1);
    for (int style = 0; style <= 5; ++style) {
        RasterPlane plane;
        ViewArea a = MakeArea(2);
        a.graticuleStyle = static_cast<uint16_t>(style);
        ASSERT_TRUE(DrawGraticule(plane, a));
        const int x0 = a.AreaLeft(), y0 = a.AreaTop();
        const bool onEdge = style != 3 && style != 4 && style != 5;
        const bool outside = style == 4 || style == 5;
        EXPECT_EQ(plane.At(x0 + 7, y0) == colour_code::kGraticuleBit, onEdge) << style;
        EXPECT_EQ(plane.At(x0 + 7, y0 - 1) == colour_code::kGraticuleBit, outside) << style;
        // Group separator across the area in every style.
        EXPECT_EQ(plane.At(x0 + 7, y0 + 100), colour_code::kGraticuleBit) << style;
        for (uint8_t b : plane.Bytes()) ASSERT_EQ(b & ~colour_code::kGraticuleBit, 0);
    }
}

TEST(GraticuleTest, DotGridDotsAtMinorSubdivisions) {
    RasterPlane plane;
    ViewArea a = MakeArea();  // 400 x 200, 10 x 10 divisions: 40 px -> 10 minors, 20 px -> 5 minors
    DrawGraticule(plane, a);
    const int x0 = a.AreaLeft(), y0 = a.AreaTop();
    EXPECT_EQ(plane.At(x0 + 4, y0 + 20), colour_code::kGraticuleBit);   // minor dot on a division row
    EXPECT_EQ(plane.At(x0 + 6, y0 + 20), 0);
    EXPECT_EQ(plane.At(x0 + 40, y0 + 24), colour_code::kGraticuleBit);  // minor dot on a division column
    EXPECT_EQ(plane.At(x0 + 40, y0 + 22), 0);
}

TEST(VerticalScalingTest, ZoomLimitsAndRowUnderPointerStays) {
    const ViewArea a = MakeArea(2);
    DisplayTrace t;
    t.positionSlot = 1;
    t.verticalPosition = 1000;
    const int row = a.AreaTop() + 130;
    // Value shown at the row before.
    auto valueAt = [&](const DisplayTrace& tr) {
        const BandGeometry b = BandGeometry::Of(a, tr);
        return static_cast<double>(b.centreRow - row) * 4294967296.0 / static_cast<double>(b.scale);
    };
    const double before = valueAt(t);
    ASSERT_TRUE(ZoomVertically(t, a, row, true));
    EXPECT_EQ(t.verticalZoom, 2 * 65536);
    const double pixelCounts = 65536.0 * 65536.0 / static_cast<double>(BandGeometry::Of(a, t).scale);
    EXPECT_NEAR(valueAt(t), before, 2 * pixelCounts);
    ASSERT_TRUE(ZoomVertically(t, a, row, false));
    EXPECT_EQ(t.verticalZoom, 65536);

    t.verticalZoom = 0x400000;
    EXPECT_TRUE(ZoomVertically(t, a, row, true));
    EXPECT_FALSE(ZoomVertically(t, a, row, true));
    EXPECT_EQ(t.verticalZoom, 0x800000);
    t.verticalZoom = 512;
    EXPECT_TRUE(ZoomVertically(t, a, row, false));
    EXPECT_FALSE(ZoomVertically(t, a, row, false));
    EXPECT_EQ(t.verticalZoom, 256);
}

TEST(VerticalScalingTest, ShiftMovesByPixelsAndSurvivesDegenerateAreas) {
    ViewArea a = MakeArea();
    DisplayTrace t;
    const int64_t centre = BandGeometry::Of(a, t).centreRow;
    ShiftVertically(t, a, 10);
    EXPECT_NEAR(static_cast<double>(BandGeometry::Of(a, t).centreRow - centre), 10.0, 1.0);
    a.areaHeight = 0;
    ShiftVertically(t, a, 10);  // no division by zero
    t.verticalPosition = 2147483000;
    a.areaHeight = 1;
    t.verticalZoom = 1;
    ShiftVertically(t, a, 1000000);
    EXPECT_EQ(t.verticalPosition, 2147483647);
    RasterPlane plane;
    t.displayOn = 1;
    BuildAndDraw(plane, a, t);  // far-off trace: nothing drawn, no overflow
}

}  // namespace
}  // namespace kivelo
