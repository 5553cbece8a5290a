#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "display/DisplayModel.h"

namespace kivelo {
namespace {

constexpr uint32_t kMain = 1, kZoom = 2, kHistory = 4, kXy = 8, kAll = 15;

void Loaded(DisplayModel& m) {
    m.document.loaded = true;
    m.document.recordCount = 5;
}

// What the listener heard: per mark, whether it was for at once and the windows marked until then.
using Heard = std::vector<std::pair<bool, uint32_t>>;

// Each kind of change to the model marks the windows that show it, at once for
// what the user just did and coalesced for looks and layouts that come in bursts.
TEST(RedrawMarksTest, EachModelChangeMarksTheWindowsThatShowIt) {
    struct Case {
        const char* what;
        std::function<void(DisplayModel&)> change;
        Heard heard;
    };
    const std::vector<Case> cases = {
        {"light mode", [](DisplayModel& m) { m.SetLightMode(true); }, {{false, kAll}}},
        {"graticule style", [](DisplayModel& m) { m.SetGraticuleStyle(3); }, {{false, kMain | kZoom | kXy}}},
        {"divisions", [](DisplayModel& m) { m.SetVerticalDivisions(8); }, {{false, kMain | kZoom | kXy}}},
        {"snapshot taken", [](DisplayModel& m) { m.SetSnapshot(true); }, {{true, kAll}}},
        {"snapshot dropped", [](DisplayModel& m) { m.SetSnapshot(false); }, {{true, kAll}}},
        {"mouse mode", [](DisplayModel& m) { m.SetMouseMode(MouseMode::CursorsHidden); }, {{false, kAll}}},
        {"History hidden", [](DisplayModel& m) { m.SetShown(WindowId::History, false); }, {{false, kAll}}},
        // The Zoom window coming back is drawn at once, the others with the layout.
        {"Zoom shown", [](DisplayModel& m) { m.SetShown(WindowId::Zoom, true); }, {{true, kZoom}, {false, kAll}}},
        {"XY shown", [](DisplayModel& m) { m.SetShown(WindowId::Xy, true); }, {{false, kAll}}},
        // The Main window's traces are also the thumbnails' and the XY figure's.
        {"Main trace",
         [](DisplayModel& m) {
             m.mainOnOff[2] = kTraceOn;
             EXPECT_TRUE(m.ToggleTrace(WindowId::Main, 2));
             EXPECT_EQ(m.mainOnOff[2], kTraceOff);
         },
         {{true, kMain | kHistory | kXy}}},
        {"Zoom trace",
         [](DisplayModel& m) {
             m.zoom.onOff[0] = kTraceOff;
             EXPECT_TRUE(m.ToggleTrace(WindowId::Zoom, 0));
             EXPECT_EQ(m.zoom.onOff[0], kTraceOn);
         },
         {{true, kZoom | kXy}}},
        {"absent trace", [](DisplayModel& m) { EXPECT_FALSE(m.ToggleTrace(WindowId::Main, 2)); }, {}},
        {"Main split",
         [](DisplayModel& m) {
             EXPECT_TRUE(m.SetSplit(WindowId::Main, 3, 16));
             EXPECT_EQ(m.mainSplit, 3);
         },
         {{true, kMain | kHistory | kXy}}},
        {"Zoom split",
         [](DisplayModel& m) {
             EXPECT_TRUE(m.SetSplit(WindowId::Zoom, 16, 16));
             EXPECT_EQ(m.zoom.splitCount, 16);
         },
         {{true, kZoom | kXy}}},
        {"split too high",
         [](DisplayModel& m) {
             EXPECT_FALSE(m.SetSplit(WindowId::Zoom, 17, 16));
             EXPECT_EQ(m.zoom.splitCount, 1);
         },
         {}},
        {"X trace",
         [](DisplayModel& m) {
             m.xy.xTraceList = {"W1", "W2"};
             EXPECT_TRUE(m.SetXTrace(1));
         },
         {{true, kXy}}},
        {"X trace past the list",
         [](DisplayModel& m) {
             m.xy.xTraceList = {"W1"};
             EXPECT_FALSE(m.SetXTrace(1));
         },
         {}},
        {"XY range", [](DisplayModel& m) { m.SetXyRange(false); }, {{true, kXy}}},
        // The overlay marks show in every window; without a document there are none.
        {"all overlay marks",
         [](DisplayModel& m) {
             Loaded(m);
             m.SetAllOverlayMarks(true);
         },
         {{true, kAll}}},
        {"overlay marks, no file", [](DisplayModel& m) { m.SetAllOverlayMarks(true); }, {}},
        {"chaser off",
         [](DisplayModel& m) {
             Loaded(m);
             m.SetChaser(false);
         },
         {{true, kAll}}},
        {"chaser on",
         [](DisplayModel& m) {
             Loaded(m);
             m.SetChaser(true);
         },
         {{true, kAll}}},
        // Scrolling with the chaser off shows other cells only.
        {"cells scrolled",
         [](DisplayModel& m) {
             Loaded(m);
             m.FollowChaser();
         },
         {{true, kHistory}}},
        {"History cell clicked",
         [](DisplayModel& m) {
             Loaded(m);
             EXPECT_TRUE(m.ClickRecord(3, true));
             EXPECT_EQ(m.document.currentRecord, 3);
         },
         {{true, kAll}}},
        {"current record clicked again",
         [](DisplayModel& m) {
             Loaded(m);
             EXPECT_FALSE(m.ClickRecord(m.document.currentRecord, true));
         },
         {}},
        // Every change of the Zoom stretch goes through one setter that marks only what moved.
        {"zoom moved",
         [](DisplayModel& m) {
             Loaded(m);
             m.document.recordLength = 1000;
             EXPECT_TRUE(m.ChangeZoom(false, [](ZoomController&, int64_t length) { return length == 1000; }));
         },
         {{true, kZoom | kXy}}},
        {"zoom not moved",
         [](DisplayModel& m) {
             Loaded(m);
             m.document.recordLength = 1000;
             EXPECT_FALSE(m.ChangeZoom(true, [](ZoomController&, int64_t) { return false; }));
         },
         {}},
        {"zoom without a record",
         [](DisplayModel& m) {
             EXPECT_FALSE(m.ChangeZoom(false, [](ZoomController&, int64_t) {
                 ADD_FAILURE() << "changed without a record";
                 return true;
             }));
         },
         {}},
        {"zoom back with nothing kept",
         [](DisplayModel& m) {
             Loaded(m);
             m.document.recordLength = 1000;
             EXPECT_FALSE(m.ZoomBack());
         },
         {}},
        // Drawing applies the colours of the set it draws: that marks nothing, or drawing would never end.
        {"colours of a draw", [](DisplayModel& m) { m.ApplyColours(true); }, {}},
        {"points forgotten", [](DisplayModel& m) { m.InvalidatePoints(); }, {}},
    };
    for (const Case& c : cases) {
        DisplayModel model;
        Heard heard;
        model.redraw.SetListener([&](bool atOnce) { heard.emplace_back(atOnce, model.redraw.Pending()); });
        c.change(model);
        EXPECT_EQ(heard, c.heard) << c.what;
        EXPECT_EQ(model.redraw.Take(), c.heard.empty() ? 0u : c.heard.back().second) << c.what;
        EXPECT_EQ(model.redraw.Pending(), 0u) << c.what;
    }
}

// Marks add up until the frame takes them, so one draw covers a burst of changes.
TEST(RedrawMarksTest, MarksAddUpUntilTaken) {
    DisplayModel model;
    model.redraw.Mark(ModelChange::XyFigure);
    model.redraw.Mark(ModelChange::ZoomStretch);
    EXPECT_EQ(model.redraw.Pending(), kZoom | kXy);
    model.redraw.Mark(ModelChange::HistoryCells);
    EXPECT_EQ(model.redraw.Take(), kZoom | kHistory | kXy);
    EXPECT_EQ(model.redraw.Take(), 0u);
    model.redraw.MarkWindows(0, true);  // nothing to draw is no mark
    EXPECT_EQ(model.redraw.Pending(), 0u);
}

}  // namespace
}  // namespace kivelo
