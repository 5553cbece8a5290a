#include <gtest/gtest.h>

#include "CursorState.h"
#include "HistoryState.h"
#include "MouseTargets.h"
#include "ZoomController.h"

namespace kivelo {
namespace {

TEST(ZoomRatios, TenThousandPointRecord) {
    ZoomController z;
    z.FillZoomRatios(10000);
    EXPECT_EQ(z.FirstRow(), 16u);
    const std::vector<std::string> expected{"x1 (  5kW)",  "x4 (  2kW)",  "x9 (  1kW)",
                                            "x20 ( 500W)", "x50 ( 200W)", "x100 ( 100W)",
                                            "x200 ( 50W)", "x500 ( 20W)", "x1000 ( 10W)"};
    EXPECT_EQ(z.RatioTexts(), expected);
    EXPECT_EQ(z.ZoomWidth(), 5000u);
}

TEST(ZoomRatios, TinyRecordHasNoRatiosAndAZoomWithinIt) {
    ZoomController z;
    z.FillZoomRatios(8);
    EXPECT_TRUE(z.RatioTexts().empty());
    EXPECT_EQ(z.FirstRow(), 21u);
    EXPECT_EQ(z.SpanOf(8), 8);
    EXPECT_EQ(z.MaxPosition(8), 0.0);
    z.Scroll(ScrollCode::LineRight, 0, 8);
    EXPECT_EQ(z.Position(), 0.0);
    EXPECT_FALSE(z.SelectZoomRatio(0, 8));
    z.FillZoomRatios(0);
    EXPECT_EQ(z.ReadPlan(0).start, 0);
}

TEST(ZoomRatios, ChangingTheRatioKeepsTheCentreOrPinsTheEnd) {
    ZoomController z;
    const int64_t L = 100000;
    z.FillZoomRatios(L);  // rows 13.. : 50k, 20k, 10k, ...
    ASSERT_EQ(z.ZoomWidth(), 50000u);
    z.SetPosition(0.25e11, L);  // 25000 .. 75000, centre 50000
    ASSERT_TRUE(z.SelectZoomRatio(2, L));  // 10k
    EXPECT_NEAR(z.Position() * L * 1e-11 + 5000, 50000, 1e-3);
    EXPECT_EQ(z.ScrollBarPos(), 4500);
    // Back to the widest from near the end: pinned to the end.
    z.SetPosition(0.89e11, L);
    ASSERT_TRUE(z.SelectZoomRatio(0, L));
    EXPECT_DOUBLE_EQ(z.Position(), z.MaxPosition(L));
    EXPECT_TRUE(z.SelectNext(L));
    EXPECT_EQ(z.Selected(), 1u);
    EXPECT_TRUE(z.SelectPrevious(L));
    EXPECT_FALSE(z.SelectPrevious(L));
}

TEST(ZoomScrolling, StepsAndRollEndStops) {
    ZoomController z;
    const int64_t L = 1000000;
    z.FillZoomRatios(L);  // first row 10: 500k
    z.SelectZoomRatio(static_cast<uint32_t>(z.RatioTexts().size() - 1), L);  // 10 points
    z.SetPosition(0, L);
    z.Scroll(ScrollCode::LineRight, 0, L);
    EXPECT_DOUBLE_EQ(z.Position(), 1e11 / L);  // one point
    z.SelectZoomRatio(3, L);  // 50k
    z.SetPosition(0, L);
    z.Scroll(ScrollCode::LineRight, 0, L);
    EXPECT_DOUBLE_EQ(z.Position(), 1e11 / L * 50000 * 0.002);
    z.Scroll(ScrollCode::PageRight, 0, L);
    EXPECT_DOUBLE_EQ(z.Position(), 1e11 / L * 100 + 2e9);
    z.Scroll(ScrollCode::Thumb, 5000, L);
    EXPECT_DOUBLE_EQ(z.Position(), 5e10);

    z.StartRoll(RollMode::TowardEnd);
    z.SetScrollSpeed(100.0);
    int ticks = 0;
    while (z.Tick(L) && ticks < 100000) ++ticks;
    EXPECT_EQ(z.Roll(), RollMode::Stopped);  // stopped by itself at the end
    EXPECT_DOUBLE_EQ(z.Position(), z.MaxPosition(L));
    EXPECT_GT(ticks, 10);

    z.SetScrollSpeed(ZoomController::kJump);
    z.StartRoll(RollMode::TowardStart);
    EXPECT_TRUE(z.Tick(L));  // JUMP: the whole way in one tick
    EXPECT_EQ(z.Position(), 0.0);
    EXPECT_EQ(z.Roll(), RollMode::Stopped);
    EXPECT_FALSE(z.Tick(L));
}

TEST(ZoomReadPlanTest, AlignmentAndCounts) {
    ZoomController z;
    const int64_t L = 3000000;
    z.FillZoomRatios(L);  // first row 8: 2M
    z.SetPosition(0.123456789e11, L);  // sample 370370
    ZoomReadPlan p = z.ReadPlan(L);
    EXPECT_EQ(p.points, 2000);
    EXPECT_EQ(p.step, static_cast<int32_t>(2000000 * 0.256));
    EXPECT_EQ(p.align, 1000);
    EXPECT_EQ(p.start, 368000);  // rounded down to a multiple of 4000
    z.SelectZoomRatio(static_cast<uint32_t>(z.RatioTexts().size() - 1), L);  // 10 points
    p = z.ReadPlan(L);
    EXPECT_EQ(p.points, 12);
    EXPECT_EQ(p.step, 512);
    EXPECT_EQ(p.start % 4, 0);
    z.SelectZoomRatio(static_cast<uint32_t>(z.RatioTexts().size() - 7), L);  // 1k
    EXPECT_EQ(z.ReadPlan(L).points, 1002);
}

TEST(ZoomPositionTest, SetZoomPositionRange) {
    ZoomController z;
    const int64_t L = 10000;
    z.FillZoomRatios(L);  // 5k
    EXPECT_TRUE(z.SetZoomPosition(1.0, 0.0, 0.001, L));  // 1 s = point 1000
    EXPECT_NEAR(z.ReadPlan(L).start, 1000, 4);
    EXPECT_FALSE(z.SetZoomPosition(6.0, 0.0, 0.001, L));   // past L - Zc
    EXPECT_FALSE(z.SetZoomPosition(-1.0, 0.0, 0.001, L));
    EXPECT_FALSE(z.SetZoomPosition(1.0, 0.0, 0.0, L));     // no time base
}

TEST(HistoryGrid, CellsHitTestAndSmallWindows) {
    HistoryState h;
    h.SetCellSize(HistoryState::kMedium, 380, 400);
    EXPECT_EQ(h.Columns(), 3);  // (380 - 20) / 120
    EXPECT_EQ(h.Rows(), 3);     // (400 - 36) / 105
    // Column = x / (380 / 3), row = (y - 33) / ((400 - 33) / 3).
    EXPECT_EQ(h.CellAt(10, 40, 380, 400, 20), 0);
    EXPECT_EQ(h.CellAt(130, 40, 380, 400, 20), 1);
    EXPECT_EQ(h.CellAt(10, 33 + 122, 380, 400, 20), 3);
    EXPECT_FALSE(h.CellAt(10, 20, 380, 400, 20).has_value());   // above the grid
    EXPECT_FALSE(h.CellAt(379, 399, 380, 400, 5).has_value());   // record 8 of 5
    h.SetFirstShown(18, 20);
    EXPECT_EQ(h.CellAt(130, 40, 380, 400, 20), 19);
    // Largest cells in the minimum window: still one cell, no zero divisors.
    h.SetCellSize(HistoryState::kLarge, 130, 150);
    EXPECT_EQ(h.Columns(), 1);
    EXPECT_EQ(h.Rows(), 1);
    EXPECT_FALSE(h.CellAt(5, 40, 0, 0, 20).has_value());
}

TEST(HistoryGrid, ScrollingAndWindowChaser) {
    HistoryState h;
    h.SetCellSize(HistoryState::kMedium, 380, 400);  // 3 x 3
    std::vector<uint8_t> marks(1000, 0);
    marks[50] = 1;
    int current = 7;
    EXPECT_FALSE(h.ApplyChaser(marks, 20, current));
    h.SetChaser(true);
    h.Scroll(ScrollCode::LineRight, 0, 20);
    EXPECT_EQ(h.FirstShown(), 3);
    ASSERT_TRUE(h.ApplyChaser(marks, 20, current));
    EXPECT_EQ(current, 3);
    for (int r = 0; r < 20; ++r) EXPECT_EQ(marks[static_cast<size_t>(r)], r >= 3 && r < 12) << r;
    EXPECT_EQ(marks[50], 1);  // outside the record range: untouched
    h.Scroll(ScrollCode::PageRight, 0, 20);
    EXPECT_EQ(h.FirstShown(), 12);
    h.ApplyChaser(marks, 20, current);
    EXPECT_EQ(marks[19], 1);
    EXPECT_EQ(marks[11], 0);
    h.Scroll(ScrollCode::PageRight, 0, 20);
    EXPECT_EQ(h.FirstShown(), 19);  // clamped to the last record
    h.Scroll(ScrollCode::Thumb, -5, 20);
    EXPECT_EQ(h.FirstShown(), 0);
}

TEST(HistoryGrid, ClicksAndAllMarks) {
    std::vector<uint8_t> marks(1000, 0);
    int current = 0;
    HistoryState::SetAllMarks(marks, 5, true);
    EXPECT_EQ(marks[4], 1);
    EXPECT_EQ(marks[5], 0);
    // "ON" then a left click: the record becomes current (and so is not overlaid).
    EXPECT_TRUE(HistoryState::Click(3, true, marks, 5, current));
    EXPECT_EQ(current, 3);
    EXPECT_FALSE(HistoryState::Click(3, false, marks, 5, current));  // current record's mark stays
    EXPECT_EQ(marks[3], 1);
    EXPECT_TRUE(HistoryState::Click(1, false, marks, 5, current));
    EXPECT_EQ(marks[1], 0);
    EXPECT_FALSE(HistoryState::Click(7, true, marks, 5, current));   // no such record
    // A single record: clicking it changes nothing.
    int only = 0;
    EXPECT_FALSE(HistoryState::Click(0, true, marks, 1, only));
}

TEST(CursorPick, FirstTraceColourInTheBlock) {
    RasterPlane plane;
    plane.Paint(101, 50, 4);   // trace 3, right of the pointer
    plane.Paint(99, 52, 2);    // trace 1, left: found first
    plane.Paint(98, 48, 15);   // shared colour of traces 15..24: never picked
    EXPECT_EQ(TraceUnderPointer(plane, 100, 50, 0), 1);
    EXPECT_EQ(TraceUnderPointer(plane, 100, 40, 0), kNoTrace);
    plane.Paint(200, 200, 17);
    EXPECT_EQ(TraceUnderPointer(plane, 200, 200, 16), 0);   // light mode
    EXPECT_EQ(TraceUnderPointer(plane, 200, 200, 0), kNoTrace);
    EXPECT_EQ(TraceUnderPointer(plane, 0, 0, 0), kNoTrace);  // corner: no out-of-range reads
}

TEST(MouseTargetsTest, LabelRowsSkipHiddenTracesAndRefuseLogic) {
    TraceSet set;
    set[0].displayOn = 1;
    set[2].displayOn = 1;
    set[2].logic = 1;
    set[5].displayOn = 1;
    EXPECT_EQ(TraceAtLabelRow(set, 36, 12), 0);
    EXPECT_EQ(TraceAtLabelRow(set, 36 + 35, 12), 0);
    EXPECT_EQ(TraceAtLabelRow(set, 36 + 36, 12), kNoTrace);  // W3 is logic
    EXPECT_EQ(TraceAtLabelRow(set, 36 + 72, 12), 5);
    EXPECT_EQ(TraceAtLabelRow(set, 36 + 108, 12), kNoTrace);
    EXPECT_EQ(TraceAtLabelRow(set, 10, 12), kNoTrace);
    EXPECT_EQ(TraceAtLabelRow(set, 100, 0), kNoTrace);
    ViewArea a;
    a.SetArea(10, 16, 400, 300);
    EXPECT_FALSE(InLabelColumn(a, 420, 100));
    EXPECT_TRUE(InLabelColumn(a, 421, 100));
    EXPECT_FALSE(InLabelColumn(a, 421, 30));
}

TEST(MouseTargetsTest, ZoomFrameHitAndDrag) {
    ViewArea a;
    a.SetArea(10, 16, 1000, 300);  // window rows 52 .. 352
    const ZoomFrameMark frame{200, 300};
    EXPECT_TRUE(OnZoomFrame(a, frame, 213, 200));   // left edge +3
    EXPECT_FALSE(OnZoomFrame(a, frame, 214, 200));
    EXPECT_TRUE(OnZoomFrame(a, frame, 250, 54));    // top rows
    EXPECT_TRUE(OnZoomFrame(a, frame, 250, 350));   // bottom rows
    EXPECT_FALSE(OnZoomFrame(a, frame, 250, 200));  // inside the frame
    EXPECT_FALSE(OnZoomFrame(a, frame, 400, 54));   // outside it
    EXPECT_FALSE(OnZoomFrame(a, ZoomFrameMark{}, 210, 200));

    ZoomController z;
    z.FillZoomRatios(100000);  // 50k
    z.SelectZoomRatio(2, 100000);  // 10k
    z.SetPosition(0, 100000);
    z.SetZoomStart(0);
    EXPECT_NEAR(DraggedZoomPosition(z, a, 100000, 100, 200), 0.1e11, 1);  // 100 px of 1000: 10 % on
    EXPECT_EQ(DraggedZoomPosition(z, a, 100000, 500, 100), 0.0);
    EXPECT_DOUBLE_EQ(DraggedZoomPosition(z, a, 100000, 0, 5000), z.MaxPosition(100000));
    EXPECT_EQ(DraggedZoomPosition(z, a, 0, 0, 5), 0.0);
}

}  // namespace
}  // namespace kivelo
