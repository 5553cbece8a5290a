#include <gtest/gtest.h>

#include "FakeWaveFile.h"
#include "display/DisplayPointLoader.h"
#include "display/DocumentBinding.h"
#include "display/HistoryState.h"
#include "display/MouseTargets.h"
#include "display/TracePasses.h"
#include "display/ZoomController.h"

namespace kivelo {
namespace {

// Window layouts, zoom ratio tables, read plans, scroll steps and history hit
// maps are pinned by the "panel_state" golden scene; these cases follow state over time.

using test::FakeWaveFile;

std::vector<int16_t> Ramp(int n, int from = 0) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<int16_t>(from + i));
    return v;
}

TEST(ZoomController, RatioChangesRollsAndDrags) {
    ZoomController z;
    const int64_t L = 100000;
    z.FillZoomRatios(L);                   // 50k
    z.SetPosition(0.25e11, L);             // 25000 .. 75000
    ASSERT_TRUE(z.SelectZoomRatio(2, L));  // 10k around the same centre
    EXPECT_NEAR(z.Position() * L * 1e-11 + 5000, 50000, 1e-3);
    z.SetPosition(0.89e11, L);
    ASSERT_TRUE(z.SelectZoomRatio(0, L));  // back to the widest near the end: pinned to it
    EXPECT_DOUBLE_EQ(z.Position(), z.MaxPosition(L));
    z.SetScrollSpeed(100.0);
    z.StartRoll(RollMode::TowardStart);
    int ticks = 0;
    while (z.Tick(L) && ticks < 100000) ++ticks;
    EXPECT_EQ(z.Roll(), RollMode::Stopped);  // stops by itself at the start
    EXPECT_EQ(z.Position(), 0.0);
    EXPECT_GT(ticks, 1);  // in steps, not at once
    z.SetScrollSpeed(ZoomController::kJump);
    z.StartRoll(RollMode::TowardEnd);
    EXPECT_TRUE(z.Tick(L));  // the whole way in one tick
    EXPECT_DOUBLE_EQ(z.Position(), z.MaxPosition(L));
    EXPECT_FALSE(z.Tick(L));
    // Times inside the record only; dragging the frame in Main stays inside too.
    EXPECT_TRUE(z.SetZoomPosition(1.0, 0.0, 0.001, L));
    EXPECT_FALSE(z.SetZoomPosition(60.0, 0.0, 0.001, L));
    EXPECT_FALSE(z.SetZoomPosition(-1.0, 0.0, 0.001, L));
    EXPECT_FALSE(z.SetZoomPosition(1.0, 0.0, 0.0, L));  // no time base
    ViewArea a;
    a.SetArea(10, 16, 1000, 300);
    z.SelectZoomRatio(2, L);
    z.SetPosition(0, L);
    z.SetZoomStart(0);
    EXPECT_NEAR(DraggedZoomPosition(z, a, L, 100, 200), 0.1e11, 1);  // 100 px of 1000: 10 % on
    EXPECT_EQ(DraggedZoomPosition(z, a, L, 500, 100), 0.0);
    EXPECT_DOUBLE_EQ(DraggedZoomPosition(z, a, L, 0, 5000), z.MaxPosition(L));
    EXPECT_EQ(DraggedZoomPosition(z, a, 0, 0, 5), 0.0);
}

// With the chaser on, scrolling makes the first cell current and marks the shown records.
TEST(HistoryGrid, ChaserAndClicks) {
    HistoryState h;
    h.SetCellSize(HistoryState::kMedium, 380, 400);  // 3 x 3
    std::vector<uint8_t> marks(1000, 0);
    marks[50] = 1;
    int current = 7;
    h.SetChaser(true);
    h.Scroll(ScrollCode::LineRight, 0, 20);
    ASSERT_TRUE(h.ApplyChaser(marks, 20, current));
    EXPECT_EQ(current, 3);
    for (int r = 0; r < 20; ++r) EXPECT_EQ(marks[static_cast<size_t>(r)], r >= 3 && r < 12) << r;
    EXPECT_EQ(marks[50], 1);                                        // beyond the records: untouched
    EXPECT_TRUE(HistoryState::Click(5, true, marks, 20, current));  // "ON": the record becomes current
    EXPECT_EQ(current, 5);
    EXPECT_FALSE(HistoryState::Click(5, false, marks, 20, current));  // the current record's mark stays
    EXPECT_FALSE(HistoryState::Click(27, true, marks, 20, current));  // no such record
}

TEST(LoadDisplayPointsTest, SampleFormatsAndReadsPastTheEnd) {
    FakeWaveFile f;
    f.AddTrace("A", {{1, -1, 127}});
    DisplayTrace t;
    t.bytesPerSample = 1;  // byte-wide samples go to the upper byte
    ASSERT_TRUE(LoadDisplayPoints(t, f, 0, 512, 0, 3, 0));
    EXPECT_EQ(std::vector<int16_t>(t.samples.begin(), t.samples.begin() + 3),
              (std::vector<int16_t>{256, -256, 127 * 256}));
    t.bytesPerSample = 2;
    t.isSigned = 0;  // offset binary: 0xFFFF + 0x8000 wraps
    ASSERT_TRUE(LoadDisplayPoints(t, f, 0, 512, 0, 3, 0));
    EXPECT_EQ(std::vector<int16_t>(t.samples.begin(), t.samples.begin() + 2), (std::vector<int16_t>{-32767, 0x7FFF}));
    // Cut at the record end and held at the last value, keeping the count asked.
    FakeWaveFile g;
    g.AddTrace("A", {Ramp(100)});
    t.isSigned = 1;
    ASSERT_TRUE(LoadDisplayPoints(t, g, 0, 512, 95, 12, 0));
    EXPECT_EQ(t.pointCount, 12u);
    EXPECT_EQ(t.samples[4], 99);
    EXPECT_EQ(t.samples[11], 99);
    EXPECT_FALSE(LoadDisplayPoints(t, g, 0, 512, 100, 12, 0));
    EXPECT_EQ(t.pointCount, 0u);
    EXPECT_FALSE(LoadDisplayPoints(t, g, 0, 512, 0, 12, -1));  // absent trace
    EXPECT_FALSE(LoadDisplayPoints(t, g, 0, 512, 0, 12, 5));   // no such channel
    const std::pair<int64_t, int32_t> steps[] = {{500, 512}, {3000, 768}, {1000000, 256000}, {0, 512}};
    for (const auto& [length, step] : steps) EXPECT_EQ(DisplayStepCode(length, std::min<int64_t>(length, 2000)), step);
}

// Held points must go stale whenever anything that chose them changes.
TEST(EnsurePointsTest, ReloadsWhenDocumentRecordStartStepOrCountChange) {
    FakeWaveFile f;
    f.AddTrace("A", {Ramp(3000), Ramp(3000, 1000)});
    auto m = std::make_unique<DisplayModel>();
    auto cache = std::make_unique<RenderCache>();
    const struct {
        const char* what;
        int record;
        int64_t start;
        int32_t step;
        int points;
        bool rebind, reads;
    } cases[] = {
        {"same", 0, 0, 512, 100, false, false},  {"record", 1, 0, 512, 100, false, true},
        {"start", 0, 40, 512, 100, false, true}, {"step", 0, 0, 768, 100, false, true},
        {"count", 0, 0, 512, 50, false, true},   {"document", 0, 0, 512, 100, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BindDocument(*m, f);
        DisplayTrace& t = m->mainSet[0];
        EnsurePoints(*m, *cache, f, t, m->mainOnOff, 0, 0, PointPlan{0, 100, 512});
        if (c.rebind) BindDocument(*m, f);
        f.readCalls = 0;
        EnsurePoints(*m, *cache, f, t, m->mainOnOff, 0, c.record, PointPlan{c.start, c.points, c.step});
        EXPECT_EQ(f.readCalls, c.reads ? 1 : 0);
        EXPECT_EQ(t.samples[0], c.start + 1000 * c.record);
    }
}

// Byte-wide and offset-binary traces are scaled to the 16-bit display range;
// models are compared exactly; at most 1000 records are shown.
TEST(BindDocumentTest, ScalingModelsAndRecordLimit) {
    FakeWaveFile f;
    f.model = "QV818E";
    f.AddTrace("CH1", {Ramp(10)}, kKindSigned, 1, 0.01, 0.5, "V");
    f.AddTrace("CH2", {Ramp(10)}, kKindUnsigned, 2, 0.001, 0.0, "A");
    f.times = {"12:34:56.789"};
    DisplayModel m;
    m.cursors.mesTrace = 3;
    BindDocument(m, f);
    EXPECT_EQ(m.document.TimeText(0), "12:34:56.7");  // cut to its 10-character field
    EXPECT_TRUE(m.document.bitOrderModel);
    EXPECT_EQ(m.cursors.mesTrace, kNoTrace);
    EXPECT_DOUBLE_EQ(m.mainSet[0].gain, 0.01 / 256);
    EXPECT_DOUBLE_EQ(m.zoomSet[1].offset, 32.768);
    EXPECT_EQ(m.historySet[1].isSigned, 0);
    FakeWaveFile many;
    many.model = "QV818X";
    many.AddTrace("A", std::vector<std::vector<int16_t>>(1200, std::vector<int16_t>(4, 0)));
    BindDocument(m, many);
    EXPECT_FALSE(m.document.bitOrderModel);
    EXPECT_EQ(m.document.recordCount, 1000);
}

}  // namespace
}  // namespace kivelo
