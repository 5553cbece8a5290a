#include <gtest/gtest.h>

#include "display/ColourCode.h"
#include "display/DisplayPalette.h"
#include "display/Graticule.h"
#include "display/RasterPlane.h"
#include "display/TraceRasterizer.h"
#include "display/VerticalScaling.h"
#include "display/XyPlot.h"

namespace kivelo {
namespace {

// Graticules, traces, logic rows, snapshots, whole windows, envelopes and zoom
// steps are pinned by the golden scenes; these cases reach what those scenes do not.

// Traces win over the graticule and the highlight over traces; bit 7 has no colour.
TEST(ColourCodes, PaletteEntryPriorities) {
    const std::pair<uint8_t, int> entries[] = {{0x00, 33}, {0x80, 33}, {0x40, 35}, {0x41, 0}, {0x61, 36}, {0x1F, 30}};
    for (const auto& [code, entry] : entries) EXPECT_EQ(DisplayPalette::EntryOf(code), entry) << int{code};
    EXPECT_EQ(colour_code::Paint(0xE3, 5), 0xC5);  // the old code and highlight replaced, bits 6 and 7 kept
    DisplayPalette p;
    p.Build(true);  // light mode: background and graticule swap
    EXPECT_EQ(p.Entry(33), (Rgb{247, 247, 247}));
    EXPECT_EQ(p.Entry(35), (Rgb{15, 15, 15}));
}

TEST(RasterPlaneTest, WritesOutsideThePlaneAreDropped) {
    RasterPlane plane;
    plane.Set(2047, 1199, 0xFF);
    plane.Set(0, 0, 0xFF);
    plane.Clear(-100, -100, 5000, 5000, colour_code::kClearMask);  // keeps bit 7
    EXPECT_EQ(plane.At(2047, 1199), 0x80);
    EXPECT_EQ(plane.At(0, 0), 0x80);
    plane.Set(3000, 3000, 1);
    plane.Set(-1, 5, 1);
    plane.Paint(2048, 0, 1);
    plane.PaintColumn(-1, -50, 5000, 1);
    plane.PaintColumn(2048, 0, 10, 1);
    plane.PaintColumn(5, 1300, 1250, 1);
    ViewArea a;
    a.SetArea(10, 16, 400, 200);
    a.verticalDivisions = 1;  // fewer than two divisions: refused, nothing drawn
    EXPECT_FALSE(DrawGraticule(plane, a));
    EXPECT_EQ(std::count_if(plane.Bytes().begin(), plane.Bytes().end(), [](uint8_t b) { return b & 0x1F; }), 0);
}

// Rows lie further apart than the plane is wide: every pixel must still be found
// at its place by At, Row and PaintColumn, before and after the plane grows.
TEST(RasterPlaneTest, PixelsKeepTheirPlaceThroughColumnsRowsAndGrowth) {
    RasterPlane plane;
    EXPECT_GE(plane.Stride(), static_cast<size_t>(plane.Width()));
    plane.PaintColumn(2047, 0, 1199, 3);  // the last column, top to bottom
    plane.PaintColumn(0, 5, 7, 4);
    plane.Set(1000, 600, 9);
    const auto check = [&] {
        for (int y = 0; y < 1200; ++y) {
            ASSERT_EQ(plane.At(2047, y), 3) << y;
            ASSERT_EQ(plane.Row(y)[2047], 3) << y;
        }
        for (int y = 5; y <= 7; ++y) EXPECT_EQ(plane.Row(y)[0], 4);
        EXPECT_EQ(plane.At(0, 4), 0);
        EXPECT_EQ(plane.At(0, 8), 0);
        EXPECT_EQ(plane.At(1000, 600), 9);
        // Nothing else was written, between the rows either.
        EXPECT_EQ(std::count_if(plane.Bytes().begin(), plane.Bytes().end(), [](uint8_t b) { return b != 0; }),
                  1200 + 3 + 1);
    };
    check();
    plane.EnsureSize(3001, 1301);
    ASSERT_EQ(plane.Width(), 3001);
    EXPECT_EQ(plane.Row(0).size(), 3001u);
    check();
    plane.PaintColumn(3000, 1300, 1200, 5);
    EXPECT_EQ(plane.At(3000, 1250), 5);
    EXPECT_EQ(plane.At(2999, 1250), 0);
    EXPECT_EQ(plane.Row(1300)[3000], 5);
}

// Runs are cut at their band's edges, so split groups never draw into each other.
TEST(Rasterise, RunsStayInsideTheirBand) {
    ViewArea a;
    a.SetWindow(100, 50, 600, 400);
    a.SetArea(10, 16, 400, 200);
    a.SetSplitCount(2);
    DisplayTrace t;
    t.verticalZoom = 4 * 65536;
    t.columnCount = 10;  // 40 pixels per pair
    const BandGeometry b = BandGeometry::Of(a, t);
    RasterPlane plane;
    // Beyond both edges, above only, below only, entirely outside.
    DrawAnalogue(plane, b, std::vector<EnvelopePair>{{-30000, 30000}, {0, 30000}, {-30000, 0}, {20000, 30000}}, 2);
    const auto span = [&](int pair) {
        std::vector<int> rows;
        for (int y = 0; y < RasterPlane::kHeight; ++y)
            if (plane.At(static_cast<int>((b.firstX + pair * b.stepX) >> 16), y)) rows.push_back(y);
        return rows.empty() ? std::pair{-1, -1} : std::pair{rows.front(), rows.back()};
    };
    EXPECT_EQ(span(0), std::pair(b.bandTop, b.bandBottom - 1));
    EXPECT_EQ(span(1), std::pair(b.bandTop, static_cast<int>(b.centreRow)));
    EXPECT_EQ(span(2), std::pair(static_cast<int>(b.centreRow), b.bandBottom - 1));
    EXPECT_EQ(span(3), std::pair(-1, -1));
    // A trace shifted far off draws nothing outside its one-row area, and does not overflow.
    a.SetSplitCount(1);
    a.areaHeight = 0;
    ShiftVertically(t, a, 10);  // no division by zero
    a.areaHeight = 1;
    t.verticalPosition = 2147483000;
    t.verticalZoom = 1;
    ShiftVertically(t, a, 1000000);
    EXPECT_EQ(t.verticalPosition, 2147483647);
    RasterPlane far;
    t.displayOn = 1;
    BuildAndDraw(far, a, t);
    for (int y = 0; y < RasterPlane::kHeight; ++y)
        for (int x = 0; x < RasterPlane::kWidth; ++x) {
            if (far.At(x, y)) {
                ASSERT_EQ(y, a.AreaTop()) << x;
            }
        }
}

// XY points outside the area are dropped and lines cut at its edge.
TEST(XyPlotTest, LinesAreCutAtTheAreaEdge) {
    ViewArea a;
    a.SetWindow(0, 0, 600, 600);
    a.SetArea(100, 100, 200, 200);
    DisplayTrace x, y;
    x.pointCount = 3;
    y.pointCount = 4;  // min(3, 4) - 1 = 2 points used
    x.samples = {0, 32767, 32767};
    y.samples = {0, 0, -32768};
    x.verticalZoom = 4 * 65536;
    RasterPlane plane;
    DrawXY(plane, a, y, x, 5);
    for (int py = 0; py < 600; ++py)
        for (int px = 0; px < 600; ++px) {
            if (plane.At(px, py)) {
                ASSERT_TRUE(px > 100 && px < 300 && py == 200) << px << "," << py;
            }
        }
    EXPECT_EQ(plane.At(299, 200), 5);
    RasterPlane self;
    DrawXY(self, a, x, x, 3);  // a trace is not plotted against itself
    for (uint8_t b : self.Bytes()) ASSERT_EQ(b, 0);
}

}  // namespace
}  // namespace kivelo
