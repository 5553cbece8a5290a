#include <gtest/gtest.h>

#include "RedrawScheduler.h"
#include "WindowLayout.h"

namespace kivelo {
namespace {

size_t I(WindowId w) { return static_cast<size_t>(w); }

TEST(WindowLayoutTest, DefaultFrame) {
    LayoutInput in;
    in.frame = {0, 0, 1280, 1024};
    const LayoutResult r = LayOutWindows(in);
    EXPECT_EQ(r.usable, (LayoutRect{4, 71, 1272, 931}));
    EXPECT_EQ(r.windows[I(WindowId::Main)], (LayoutRect{4, 71, 888, 465}));
    EXPECT_EQ(r.windows[I(WindowId::Zoom)], (LayoutRect{4, 536, 888, 466}));
    EXPECT_EQ(r.windows[I(WindowId::History)], (LayoutRect{892, 71, 384, 465}));
    EXPECT_EQ(r.windows[I(WindowId::Xy)], (LayoutRect{892, 536, 384, 466}));
    EXPECT_EQ(r.toolbarPanel, (LayoutRect{800, 24, 478, 48}));
}

TEST(WindowLayoutTest, HiddenWindowsGiveTheirSpaceAway) {
    LayoutInput in;
    in.frame = {0, 0, 1000, 800};
    in.shown = {false, true, false, false};  // only Zoom
    LayoutResult r = LayOutWindows(in);
    EXPECT_EQ(r.windows[I(WindowId::Zoom)], (LayoutRect{4, 71, 992, 707}));
    EXPECT_FALSE(r.visible[I(WindowId::Main)]);
    in.shown = {false, false, true, false};  // only History: whole width
    r = LayOutWindows(in);
    EXPECT_EQ(r.windows[I(WindowId::History)].width, 992);
    EXPECT_EQ(r.windows[I(WindowId::History)].height, 707);
}

TEST(WindowLayoutTest, ColumnMinimums) {
    LayoutInput in;
    in.frame = {0, 0, 600, 500};
    in.shares.right = 0.05;  // 30 px asked, right column kept at 130
    LayoutResult r = LayOutWindows(in);
    EXPECT_EQ(r.windows[I(WindowId::History)].width, 130);
    in.shares.right = 0.9;  // left column kept at 390
    r = LayOutWindows(in);
    EXPECT_EQ(r.windows[I(WindowId::Main)].width, 390);
    EXPECT_EQ(r.windows[I(WindowId::History)].width, 592 - 390);
}

TEST(WindowLayoutTest, UserResizesAreClampedAndKeptAsShares) {
    LayoutInput in;
    in.frame = {0, 0, 1280, 1024};  // usable height 931
    in.resized = WindowResize{WindowId::Main, 888, 20};
    LayoutResult r = LayOutWindows(in);
    EXPECT_EQ(r.windows[I(WindowId::Main)].height, 100);
    EXPECT_NEAR(r.shares.main, 100.0 / 931, 1e-9);
    in.resized = WindowResize{WindowId::Zoom, 888, 900};
    r = LayOutWindows(in);
    EXPECT_EQ(r.windows[I(WindowId::Zoom)].height, 831);
    in.resized = WindowResize{WindowId::Xy, 300, 10};
    r = LayOutWindows(in);
    EXPECT_EQ(r.windows[I(WindowId::Xy)].height, 150);
    in.resized = WindowResize{WindowId::History, 300, 5000};
    r = LayOutWindows(in);
    EXPECT_EQ(r.windows[I(WindowId::History)].height, 931 - 150);
}

TEST(WindowLayoutTest, TinyFramesGiveNoNegativeSizes) {
    LayoutInput in;
    in.frame = {0, 0, 10, 10};
    in.resized = WindowResize{WindowId::History, 1, 1};
    const LayoutResult r = LayOutWindows(in);
    for (const auto& w : r.windows) {
        EXPECT_GE(w.width, 0);
        EXPECT_GE(w.height, 0);
    }
}

TEST(RedrawSchedulerTest, TenRequestsGiveOneRedraw) {
    using namespace std::chrono_literals;
    RedrawScheduler s;
    const auto t0 = RedrawScheduler::Clock::time_point{};
    s.Request(t0);
    EXPECT_FALSE(s.Pending());  // not ready yet
    s.SetReady(true);
    for (int i = 0; i < 10; ++i) s.Request(t0 + i * 5ms);
    EXPECT_FALSE(s.TakeDue(t0 + 100ms));  // restarted by the last request at 45 ms
    EXPECT_EQ(*s.Remaining(t0 + 100ms), 15ms);
    EXPECT_TRUE(s.TakeDue(t0 + 115ms));
    EXPECT_FALSE(s.TakeDue(t0 + 200ms));
    EXPECT_FALSE(s.Remaining(t0).has_value());
    s.Request(t0);
    EXPECT_TRUE(s.Fire());
    EXPECT_FALSE(s.Fire());
}

}  // namespace
}  // namespace kivelo
