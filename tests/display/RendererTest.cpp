#include <gtest/gtest.h>

#include <cmath>

#include "ColourCode.h"
#include "CursorRenderer.h"
#include "DocumentBinding.h"
#include "FakeWaveFile.h"
#include "HistoryWindowRenderer.h"
#include "MainWindowRenderer.h"
#include "RecordingPainter.h"
#include "TraceRasterizer.h"
#include "XyPlot.h"
#include "XyWindowRenderer.h"
#include "ZoomWindowRenderer.h"

namespace kivelo {
namespace {

using test::FakeWaveFile;
using test::RecordingPainter;

std::vector<int16_t> Sine(int n, int amplitude = 10000) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<int16_t>(amplitude * std::sin(i * 6.283 / 1000)));
    return v;
}

std::vector<int16_t> Ramp(int n) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<int16_t>(i % 30000));
    return v;
}

struct Fixture : ::testing::Test {
    FakeWaveFile file;
    std::unique_ptr<DisplayModel> model = std::make_unique<DisplayModel>();
    DisplayModel& m = *model;

    void Open(int records = 1, int length = 10000) {
        std::vector<std::vector<int16_t>> a;
        for (int r = 0; r < records; ++r) a.push_back(Sine(length, 10000 - 2500 * (r % 4)));
        std::vector<std::vector<int16_t>> b(static_cast<size_t>(records), Ramp(length));
        file.AddTrace("VOLT", a, kKindSigned, 2, 0.001, 0.0, "V");
        file.AddTrace("AMP", b, kKindSigned, 2, 0.01, 0.0, "A");
        file.AddTrace("BITS", b, kKindBit, 2, 1.0, 0.0, "");
        BindDocument(m, file);
    }
    RenderTarget Target(RecordingPainter& p, int frameW = 1280, int frameH = 1024) {
        return RenderTarget{m, &file, p, TextMetrics::Normal(), frameW, frameH};
    }
};

TEST_F(Fixture, MainNeedsAFrameOf540By400) {
    Open();
    RecordingPainter p(800, 400);
    EXPECT_FALSE(DrawMainWindow(Target(p, 539, 1000)));
    EXPECT_FALSE(DrawMainWindow(Target(p, 1000, 399)));
    EXPECT_TRUE(p.Empty());
}

TEST_F(Fixture, MainWithoutDocumentShowsOnlyBackground) {
    RecordingPainter p(800, 400);
    RenderTarget t{m, nullptr, p, TextMetrics::Normal(), 1280, 1024};
    EXPECT_TRUE(DrawMainWindow(t));
    ASSERT_EQ(p.fills.size(), 1u);
    EXPECT_EQ(p.fills[0].y, 36);
    EXPECT_EQ(p.fills[0].h, 364);
    EXPECT_TRUE(p.texts.empty());
}

TEST_F(Fixture, MainGeometryOfTexts) {
    Open();
    RecordingPainter p(800, 436);  // H = 400
    ASSERT_TRUE(DrawMainWindow(Target(p)));
    const ViewArea& a = m.Area(WindowId::Main);
    EXPECT_EQ(a.areaX, 10);
    EXPECT_EQ(a.areaY, 16);
    EXPECT_EQ(a.areaWidth, 670);
    EXPECT_EQ(a.areaHeight, 312);
    ASSERT_EQ(p.images.size(), 1u);
    EXPECT_EQ(p.images[0].y, 36);
    EXPECT_EQ(p.images[0].h, 400);

    const int labelX = 10 + 800 - 125;
    const auto* w1 = p.Find("W1:");
    ASSERT_NE(w1, nullptr);
    EXPECT_EQ(w1->x, labelX);
    EXPECT_EQ(w1->y, 36);
    const auto* name = p.Find("VOLT");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->x, labelX + 30);
    EXPECT_EQ(name->colour, m.palette.Entry(0));
    // Logic trace: "Logic" on its second line, nothing on its third.
    const auto* w3 = p.Find("W3:");
    ASSERT_NE(w3, nullptr);
    EXPECT_EQ(w3->y, 36 + 6 * 12);
    const auto* logic = p.Find("Logic");
    ASSERT_NE(logic, nullptr);
    EXPECT_EQ(logic->y, w3->y + 12);
    for (const auto& t : p.texts) EXPECT_FALSE(t.x == labelX && t.y == w3->y + 24) << t.text;

    const int row = 16 + 312 + 37;
    const auto* start = p.texts.end() != std::find_if(p.texts.begin(), p.texts.end(),
                                                      [&](const auto& t) { return t.x == 4 && t.y == row; })
                            ? &*std::find_if(p.texts.begin(), p.texts.end(),
                                             [&](const auto& t) { return t.x == 4 && t.y == row; })
                            : nullptr;
    ASSERT_NE(start, nullptr);
    const auto end = std::find_if(p.texts.begin(), p.texts.end(),
                                  [&](const auto& t) { return t.y == row && t.x != 4 && t.x > 400; });
    ASSERT_NE(end, p.texts.end());
    EXPECT_EQ(end->x + 6 * static_cast<int>(end->text.size()), 10 + 670);  // right-aligned to the area
    const auto* no = p.Find("No.0000");
    ASSERT_NE(no, nullptr);
    EXPECT_EQ(no->x, 1);
    EXPECT_EQ(no->y, row + 36);
    EXPECT_NE(p.Find("Trigger Time:"), nullptr);
    const auto* count = p.Find("10000");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->x, 325);
    EXPECT_EQ(count->y, 36);
}

TEST_F(Fixture, MainSmallWindowsAndNarrowAreas) {
    Open();
    RecordingPainter low(800, 36 + 100);  // H = 100 < 112
    ASSERT_TRUE(DrawMainWindow(Target(low)));
    EXPECT_EQ(m.Area(WindowId::Main).areaHeight, 48);
    EXPECT_EQ(m.Area(WindowId::Main).areaY, (100 - 58) / 2);
    EXPECT_NE(low.Find("Trigger Time:"), nullptr);

    RecordingPainter tiny(500, 36 + 80);  // H <= 88: no information line; area 370 wide
    ASSERT_TRUE(DrawMainWindow(Target(tiny)));
    EXPECT_EQ(tiny.Find("Trigger Time:"), nullptr);
    EXPECT_EQ(tiny.Find("Number Of Data:"), nullptr);

    RecordingPainter narrow(500, 436);  // area exactly 370: no count
    ASSERT_TRUE(DrawMainWindow(Target(narrow)));
    EXPECT_NE(narrow.Find("Trigger Time:"), nullptr);
    EXPECT_EQ(narrow.Find("Number Of Data:"), nullptr);

    RecordingPainter none(0, 0);  // zero-size window: no crash
    EXPECT_TRUE(DrawMainWindow(Target(none)));
}

TEST_F(Fixture, OverlayOfTheCurrentRecordIsDrawnOnceInPrimaryColours) {
    Open(3, 2000);
    m.document.overlayMarks[0] = 1;  // the current record
    RecordingPainter p(800, 436);
    ASSERT_TRUE(DrawMainWindow(Target(p)));
    bool alternative = false;
    for (uint8_t b : m.plane.Bytes()) alternative |= (b & 0x1F) > 16;
    EXPECT_FALSE(alternative);
    m.document.overlayMarks[2] = 1;
    file.readCalls = 0;
    DrawMainWindow(Target(p));
    for (uint8_t b : m.plane.Bytes()) alternative |= (b & 0x1F) > 16;
    EXPECT_TRUE(alternative);
    EXPECT_EQ(file.readCalls, 6);  // 3 traces of record 2, then the current record again
    file.readCalls = 0;
    m.document.overlayMarks[2] = 0;
    DrawMainWindow(Target(p));
    EXPECT_EQ(file.readCalls, 0);  // current record already held
}

TEST_F(Fixture, ShortRecordIsReadWhole) {
    Open(1, 500);
    RecordingPainter p(800, 436);
    DrawMainWindow(Target(p));
    EXPECT_EQ(m.mainSet[0].pointCount, 500u);
    EXPECT_EQ(m.mainSet[0].samples[499], Sine(500)[499]);
}

TEST_F(Fixture, SplitGroupsInMain) {
    Open();
    m.mainSplit = 2;
    RecordingPainter p(800, 436);
    DrawMainWindow(Target(p));
    EXPECT_EQ(m.mainSet[0].positionSlot, 0);
    EXPECT_EQ(m.mainSet[2].positionSlot, 2);
    m.mainOnOff[1] = kTraceOff;
    DrawMainWindow(Target(p));
    EXPECT_EQ(m.mainSet[2].positionSlot, 1);  // slots count displayed traces only
}

TEST_F(Fixture, ZoomTextsAndFrame) {
    Open(1, 10000);
    m.zoom.SelectZoomRatio(4, 10000);  // 200 points
    m.zoom.SetPosition(0.5e11, 10000);
    RecordingPainter mainP(800, 436), zoomP(800, 436);
    DrawMainWindow(Target(mainP));
    m.zoomFrame = {};
    ASSERT_TRUE(DrawZoomWindow(Target(zoomP), &mainP));
    EXPECT_EQ(m.zoom.ZoomStart(), 5000);
    const auto* count = zoomP.Find("202");
    ASSERT_NE(count, nullptr);  // points read: zoom width + 2
    EXPECT_EQ(count->x, 325);
    ASSERT_EQ(mainP.rects.size(), 3u);
    const ViewArea& a = m.Area(WindowId::Main);
    const int x1 = static_cast<int>(5000 * (a.areaWidth / 10000.0));
    EXPECT_EQ(mainP.rects[0].x1, a.areaX + x1 - 2);
    EXPECT_EQ(mainP.rects[0].y1, a.areaY + 36);
    EXPECT_EQ(mainP.rects[1].y2, a.areaY + a.areaHeight + 35);
    // Zoom area geometry: y 16, height H - 144.
    EXPECT_EQ(m.Area(WindowId::Zoom).areaHeight, 400 - 144);
    RecordingPainter low(800, 36 + 150);
    DrawZoomWindow(Target(low));
    EXPECT_EQ(m.Area(WindowId::Zoom).areaHeight, 32);
    EXPECT_NE(low.Find("Trigger Time:"), nullptr);  // H 150 is above 128
}

TEST_F(Fixture, CursorReadsNarrowAndWideZooms) {
    Open(1, 100000);
    RecordingPainter zoomP(800, 436);
    // Narrow: 100 points; the cursor reads the exact point under it.
    m.zoom.SelectZoomRatio(static_cast<uint32_t>(m.zoom.RatioTexts().size() - 4), 100000);
    m.zoom.SetPosition(0, 100000);
    DrawZoomWindow(Target(zoomP));
    const ViewArea& a = m.Area(WindowId::Zoom);
    const int x = a.areaX + a.areaWidth / 2;
    CursorReading r = ReadCursor(m, WindowId::Zoom, x, 0);
    ASSERT_TRUE(r.sampleIndex.has_value());
    EXPECT_EQ(*r.sampleIndex, 50);
    EXPECT_NEAR(*r.value, Sine(100)[50] * 0.001, 1e-9);
    // Wide: 50k points; the first value of the column's pair.
    m.zoom.SelectZoomRatio(0, 100000);
    DrawZoomWindow(Target(zoomP));
    r = ReadCursor(m, WindowId::Zoom, a.areaX + a.areaWidth, 1);
    ASSERT_TRUE(r.sampleIndex.has_value());
    EXPECT_EQ(*r.sampleIndex % 2, 0);
    EXPECT_LT(*r.sampleIndex, 2000);  // the right edge stays inside the points
    r = ReadCursor(m, WindowId::Zoom, -500, 5);  // absent trace, outside the area
    EXPECT_FALSE(r.value.has_value());
    EXPECT_NEAR(r.time, 0.0, 1e-12);
}

TEST_F(Fixture, CursorDrawingAndValueDifference) {
    Open();
    RecordingPainter p(800, 436);
    m.cursors.mesX = {5000, 5000};  // beyond the area: drawn at its right edge
    m.cursors.refX = {100, 100};
    m.cursors.mesTrace = 0;
    m.cursors.refTrace = 1;  // other unit: no difference
    DrawMainWindow(Target(p));
    const ViewArea& a = m.Area(WindowId::Main);
    ASSERT_EQ(p.lines.size(), 2u);
    EXPECT_EQ(p.lines[0].x1, a.areaX + a.areaWidth);
    EXPECT_EQ(p.lines[0].style, PenStyle::DashDotDot);
    EXPECT_EQ(p.lines[1].style, PenStyle::Dot);
    EXPECT_EQ(p.lines[0].y1, a.areaY + 39);
    EXPECT_EQ(p.lines[0].y2, a.areaY + a.areaHeight + 33);
    const int y0 = a.areaY + a.areaHeight + 37;
    EXPECT_NE(p.Find("MesCursor:"), nullptr);
    auto at = [&](int x, int y) {
        return std::count_if(p.texts.begin(), p.texts.end(), [&](const auto& t) { return t.x == x && t.y == y; });
    };
    EXPECT_EQ(at(208, y0 + 12), 1);
    EXPECT_EQ(at(208, y0 + 24), 1);
    EXPECT_EQ(at(208, y0 + 36), 0);
    m.cursors.refTrace = 0;
    p = RecordingPainter(800, 436);
    DrawMainWindow(Target(p));
    EXPECT_EQ(at(208, y0 + 36), 1);
    m.cursors.refTrace = 2;  // logic: bit string, no difference
    p = RecordingPainter(800, 436);
    DrawMainWindow(Target(p));
    EXPECT_EQ(at(208, y0 + 36), 0);
    const auto bits = std::find_if(p.texts.begin(), p.texts.end(), [&](const auto& t) { return t.x == 208 && t.y == y0 + 24; });
    ASSERT_NE(bits, p.texts.end());
    EXPECT_EQ(bits->text.size(), 18u);  // 16 bits and two blanks
    m.mouseMode = MouseMode::VerticalMove;
    p = RecordingPainter(800, 436);
    DrawMainWindow(Target(p));
    EXPECT_TRUE(p.lines.empty());
}

TEST_F(Fixture, ClickingEmptyGraticuleDetachesTheCursor) {
    Open();
    RecordingPainter p(800, 436);
    DrawMainWindow(Target(p));
    const ViewArea& a = m.Area(WindowId::Main);
    const BandGeometry b = BandGeometry::Of(a, m.mainSet[1]);
    const int x = a.areaX + 200;
    // Find the row of trace 2 in this column and press there.
    int row = -1;
    for (int y = b.bandTop; y < b.bandBottom; ++y)
        if ((m.plane.At(a.windowX + x, y) & 0x1F) == 2) row = y;
    ASSERT_GE(row, 0);
    MoveCursor(m, WindowId::Main, x, row - a.windowY + 36, true, true);
    EXPECT_EQ(m.cursors.mesTrace, 1);
    MoveCursor(m, WindowId::Main, x, 36 + 2, true, true);
    EXPECT_EQ(m.cursors.mesTrace, kNoTrace);
    EXPECT_EQ(m.cursors.mesX[0], x);
}

TEST_F(Fixture, HistoryCaptionsAndMarks) {
    Open(12, 1000);
    m.document.currentRecord = 1;
    m.document.overlayMarks[2] = 1;
    RecordingPainter p(380, 400);
    m.history.SetCellSize(HistoryState::kMedium, 380, 400);
    ASSERT_TRUE(DrawHistoryWindow(Target(p)));
    const auto cells = HistoryCells(m, 380, 364);
    ASSERT_EQ(cells.size(), 9u);
    const auto* current = p.FindPrefix("0001 ");
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->colour, m.palette.Background());  // inverted
    ASSERT_TRUE(current->background.has_value());
    EXPECT_EQ(current->x, cells[1].x - 8);
    EXPECT_EQ(current->y, cells[1].y - 12 + 32);
    ASSERT_EQ(p.edges.size(), 1u);  // record 2 is marked
    EXPECT_EQ(p.edges[0].x, cells[2].x - 9);
    EXPECT_EQ(HistoryPoints(m), 400);
    EXPECT_EQ(m.historySet[0].columnCount, 200);
}

TEST_F(Fixture, HistoryInTinyWindowsAndSingleRecord) {
    Open(1, 100);
    RecordingPainter p(130, 150);
    m.history.SetCellSize(HistoryState::kLarge, 130, 150);
    ASSERT_TRUE(DrawHistoryWindow(Target(p)));
    EXPECT_NE(p.FindPrefix("0000 "), nullptr);
    EXPECT_EQ(HistoryPoints(m), 100);
    RecordingPainter zero(0, 0);
    EXPECT_TRUE(DrawHistoryWindow(Target(zero)));
}

// Pixels of colour c in the top-left 600 x 600 of the plane, with their x extent.
struct Painted {
    std::vector<std::pair<int, int>> pixels;
    int minX = 10000;
    int maxX = -1;
};

Painted PaintedPixels(const RasterPlane& plane, uint8_t c) {
    Painted p;
    for (int py = 0; py < 600; ++py)
        for (int px = 0; px < 600; ++px)
            if (plane.At(px, py) == c) {
                p.pixels.emplace_back(px, py);
                p.minX = std::min(p.minX, px);
                p.maxX = std::max(p.maxX, px);
            }
    return p;
}

TEST(XyPlotTest, IdenticalTracesGiveADiagonalAndZoomDoublesWidth) {
    RasterPlane plane;
    ViewArea a;
    a.SetWindow(0, 0, 600, 600);
    a.SetArea(10, 16, 401, 401);
    DisplayTrace x, y;
    x.pointCount = y.pointCount = 2000;
    for (int i = 0; i < 2000; ++i) {
        const int16_t v = static_cast<int16_t>((i - 1000) * 16);
        x.samples[static_cast<size_t>(i)] = y.samples[static_cast<size_t>(i)] = v;
    }
    DrawXY(plane, a, y, x, 3);
    // Every painted pixel lies on the diagonal through the centre (x up, y down).
    const Painted diagonal = PaintedPixels(plane, 3);
    for (const auto& [px, py] : diagonal.pixels) EXPECT_NEAR((px - (10 + 200)) + (py - (16 + 200)), 0, 2);
    EXPECT_GT(diagonal.pixels.size(), 150u);  // samples +-16000 span about 195 pixels
    RasterPlane wide;
    x.verticalZoom = 2 * 65536;
    DrawXY(wide, a, y, x, 3);
    const Painted doubled = PaintedPixels(wide, 3);
    EXPECT_NEAR(doubled.maxX - doubled.minX, 2 * (diagonal.maxX - diagonal.minX), 4);
    RasterPlane self;
    DrawXY(self, a, x, x, 3);  // not against itself
    for (uint8_t b : self.Bytes()) ASSERT_EQ(b, 0);
}

TEST(XyPlotTest, PointsOutsideAreDroppedAndLinesCut) {
    RasterPlane plane;
    ViewArea a;
    a.SetWindow(0, 0, 600, 600);
    a.SetArea(100, 100, 200, 200);
    DisplayTrace x, y;
    x.pointCount = y.pointCount = 3;
    x.samples[0] = 0;      y.samples[0] = 0;
    x.samples[1] = 32767;  y.samples[1] = 0;       // far right of the area
    x.samples[2] = 32767;  y.samples[2] = -32768;
    x.verticalZoom = 4 * 65536;
    y.pointCount = 4;  // n = min(3, 4) - 1 = 2 points used
    DrawXY(plane, a, y, x, 5);
    for (int py = 0; py < 600; ++py)
        for (int px = 0; px < 600; ++px)
            if (plane.At(px, py)) {
                EXPECT_GT(px, 100);
                EXPECT_LT(px, 300);
                EXPECT_EQ(py, 200);
            }
    EXPECT_EQ(plane.At(299, 200), 5);  // the line runs up to the edge
    EXPECT_EQ(plane.At(300, 200), 0);
}

TEST_F(Fixture, XyWindowAreaAndLabels) {
    Open();
    RecordingPainter p(600, 436);
    m.xy.xTrace = 1;
    m.mainOnOff[1] = kTraceOff;  // the X trace is listed even when off
    ASSERT_TRUE(DrawXyWindow(Target(p)));
    const ViewArea& a = m.Area(WindowId::Xy);
    EXPECT_EQ(a.areaWidth, a.areaHeight);
    EXPECT_EQ(a.areaWidth, 400 - 74);
    const auto* w2 = p.Find("W2:");
    ASSERT_NE(w2, nullptr);
    EXPECT_EQ(w2->x, 10 + a.areaWidth + 5);
    EXPECT_EQ(p.Find("W1:")->y, 36 + 12);
    EXPECT_GT(m.mainSet[1].pointCount, 0u);  // loaded for the X axis
    RecordingPainter small(200, 36 + 90);
    ASSERT_TRUE(DrawXyWindow(Target(small)));
    EXPECT_EQ(m.Area(WindowId::Xy).areaWidth, 48);
}

TEST_F(Fixture, SnapshotIsDrawnInTheHighlightLayer) {
    Open(2, 2000);
    RecordingPainter p(800, 436);
    DrawMainWindow(Target(p));
    m.SetSnapshot(true);
    m.document.currentRecord = 1;  // the live traces change, the snapshot stays
    DrawMainWindow(Target(p));
    auto count = [&](uint8_t bits) {
        return std::count_if(m.plane.Bytes().begin(), m.plane.Bytes().end(), [&](uint8_t b) { return (b & bits) != 0; });
    };
    EXPECT_GT(count(colour_code::kHighlightBit), 1000);
    EXPECT_EQ(DisplayPalette::EntryOf(colour_code::kHighlightBit | 1), DisplayPalette::kHighlightEntry);
    m.SetSnapshot(false);
    DrawMainWindow(Target(p));
    EXPECT_EQ(count(colour_code::kHighlightBit), 0);
}

TEST_F(Fixture, XyRangeZoomUsesTheZoomStretch) {
    Open(1, 10000);
    m.xy.rangeMain = false;
    m.zoom.SelectZoomRatio(2, 10000);  // 1k
    RecordingPainter p(900, 636);  // square area 526 wide: room for the number of data
    ASSERT_TRUE(DrawXyWindow(Target(p)));
    EXPECT_EQ(m.zoomSet[0].pointCount, 1002u);
    EXPECT_EQ(m.zoomSet[0].loaded.start, m.zoom.ReadPlan(10000).start);
    EXPECT_NE(p.Find("Number Of Data:"), nullptr);
    EXPECT_NE(p.Find("1000"), nullptr);
}

TEST_F(Fixture, SetTraceRangeChecks) {
    Open();
    EXPECT_EQ(SetTraceRange(m, 1.0, -1.0), RangeResult::Refused);  // nothing selected
    m.selectedTrace = 0;  // gain 0.001
    EXPECT_EQ(SetTraceRange(m, -1.0, 1.0), RangeResult::Refused);
    EXPECT_EQ(SetTraceRange(m, 1e-4, 0.0), RangeResult::Refused);        // zoom above 200
    EXPECT_EQ(SetTraceRange(m, 1e4 + 1, 1e4 - 1), RangeResult::Refused); // position out of range
    EXPECT_EQ(SetTraceRange(m, 1e12, -1e12), RangeResult::Refused);      // zoom would store as 0
    ASSERT_EQ(SetTraceRange(m, 3.0, 1.0), RangeResult::Accepted);
    EXPECT_NEAR(m.zoomSet[0].GetVerticalZoom(), 0.001 / 2.0 * 65536, 1e-3);
    EXPECT_EQ(m.historySet[0].verticalPosition, 2000);
    EXPECT_NEAR(m.mainSet[0].BandTopValue(), 3.0, 1e-3);
    EXPECT_NEAR(m.mainSet[0].BandBottomValue(), 1.0, 1e-3);
    ASSERT_EQ(SetTraceRange(m, 0.0, 0.0), RangeResult::Accepted);
    EXPECT_NEAR(m.mainSet[0].GetVerticalZoom(), 1.024, 1e-4);
    EXPECT_EQ(m.mainSet[0].verticalPosition, 0);
}

}  // namespace
}  // namespace kivelo
