// Mouse input of the display windows: label clicks, the zoom start line, the
// zoom frame drag and the four mouse control modes, on a drawn document.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "FakeWaveFile.h"
#include "RecordingPainter.h"
#include "display/CursorSamples.h"
#include "display/DocumentBinding.h"
#include "display/MouseHandler.h"
#include "display/RedrawAll.h"
#include "display/RenderTarget.h"
#include "display/ViewNavigation.h"
#include "display/WindowLayout.h"
#include "display/WindowPlacement.h"

namespace kivelo::test {
namespace {

constexpr uint32_t Bit(WindowId w) { return 1u << static_cast<uint32_t>(w); }

class MouseHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<int16_t> ramp(4000), flat(4000, 8000);
        for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i * 8 - 16000);
        file.AddTrace("RAMP", {ramp});
        file.AddTrace("FLAT", {flat});
        file.AddTrace("BITS", {std::vector<int16_t>(4000, 5)}, kKindBit);
        BindDocument(m, file);
        LayoutInput in;
        in.frame = {0, 0, 1280, 1024};
        ApplyLayout(m, cache, LayOutWindows(in));
        Draw();
    }
    void Draw(uint32_t windows = 0xF) {
        std::array<std::unique_ptr<RecordingPainter>, kWindowCount> painters;
        std::array<DisplayPainter*, kWindowCount> targets{};
        for (int i = 0; i < kWindowCount; ++i) {
            const ViewArea& a = m.areas[static_cast<size_t>(i)];
            painters[static_cast<size_t>(i)] = std::make_unique<RecordingPainter>(a.windowWidth, a.windowHeight + 36);
            targets[static_cast<size_t>(i)] = painters[static_cast<size_t>(i)].get();
        }
        PlaceWindows(m, cache, &file, targets, TextMetrics::Normal(), 1280, 1024, windows);
        RedrawAll(m, cache, &file, targets, TextMetrics::Normal(), 1280, 1024, windows);
    }
    MouseOutcome Do(WindowId w, int x, int y, MouseAction a, MouseButton b = MouseButton::Left, bool ctrl = false) {
        return handler.Handle(m, cache, {w, x, y, a, b, ctrl}, context);
    }
    // Sample of the record under column x of the Main window.
    double MainSample(int x) const { return SampleAtColumn(m.Area(WindowId::Main), 4000, 0, x); }
    // Window point (x, y) on trace `index` in the Main or Zoom window, with no
    // other trace in the 5 x 5 block a pick looks at.
    std::optional<std::pair<int, int>> PointOn(WindowId w, int index) {
        const ViewArea& a = m.Area(w);
        const uint8_t code = static_cast<uint8_t>(m.mainSet[index].colour);
        auto alone = [&](int px, int py) {
            for (int dx = -2; dx <= 2; ++dx)
                for (int dy = -2; dy <= 2; ++dy) {
                    const int c = cache.plane.At(px + dx, py + dy) & 31;
                    if (c != 0 && c != code) return false;
                }
            return true;
        };
        // Right of the zoom frame over the first half.
        for (int x = a.areaX + a.areaWidth * 5 / 8; x < a.areaX + a.areaWidth - 3; x += 7)
            for (int y = a.areaY; y < a.areaY + a.areaHeight; ++y)
                if ((cache.plane.At(a.windowX + x, a.windowY + y) & 31) == code && alone(a.windowX + x, a.windowY + y))
                    return std::make_pair(x, y + 36);
        return std::nullopt;
    }

    FakeWaveFile file;
    DisplayModel m;
    RenderCache cache;
    MouseHandler handler;
    MouseContext context;
};

TEST_F(MouseHandlerTest, LabelColumnOpensTheScaleDialogForAnalogueTracesOnly) {
    const ViewArea& a = m.Area(WindowId::Main);
    const int x = a.areaX + a.areaWidth + 20;
    MouseOutcome out = Do(WindowId::Main, x, 36 + 3 * 12 + 5, MouseAction::Press);  // second trace
    ASSERT_TRUE(out.scale);
    EXPECT_EQ(out.scale->trace, 1);
    EXPECT_EQ(out.scale->name, "FLAT");
    EXPECT_EQ(m.selectedTrace, 1);
    // The texts read back as the band's values.
    EXPECT_NEAR(std::stod(out.scale->upper), m.mainSet[1].BandTopValue(), 1e-4);
    EXPECT_NEAR(std::stod(out.scale->lower), m.mainSet[1].BandBottomValue(), 1e-4);
    EXPECT_FALSE(Do(WindowId::Main, x, 36 + 6 * 12 + 5, MouseAction::Press).scale);  // logic trace
    EXPECT_FALSE(Do(WindowId::Main, x, 36 + 9 * 12 + 5, MouseAction::Press).scale);  // below the traces
}

TEST_F(MouseHandlerTest, ZoomStartLineOpensThePositionDialogWithTheStartTime) {
    m.zoom.SetZoomStart(1000);
    const ViewArea& a = m.Area(WindowId::Zoom);
    const int y = a.areaY + a.areaHeight + 36 + 3;
    const MouseOutcome out = Do(WindowId::Zoom, 20, y, MouseAction::Press);
    ASSERT_TRUE(out.zoomPosition);
    EXPECT_DOUBLE_EQ(std::stod(out.zoomPosition->text), 1.0);  // 1000 x 1 ms
    EXPECT_FALSE(Do(WindowId::Zoom, 70, y, MouseAction::Press).zoomPosition);
    EXPECT_FALSE(Do(WindowId::Main, 20, m.Area(WindowId::Main).areaY + m.Area(WindowId::Main).areaHeight + 39,
                    MouseAction::Press)
                     .zoomPosition);
}

TEST_F(MouseHandlerTest, ZoomFrameDragMovesOnlyTheFrameUntilRelease) {
    ASSERT_GE(cache.zoomFrame.x1, 0);
    const ViewArea& a = m.Area(WindowId::Main);
    const int left = a.areaX + cache.zoomFrame.x1;
    const int y = a.areaY + 36 + a.areaHeight / 2;
    EXPECT_FALSE(Do(WindowId::Main, left, y, MouseAction::Press).redraw);
    EXPECT_TRUE(handler.Dragging());
    const MouseOutcome moved = Do(WindowId::Main, left + a.areaWidth / 4, y, MouseAction::Move);
    ASSERT_TRUE(moved.zoomFrame);
    EXPECT_EQ(moved.redraw, 0u);
    EXPECT_NEAR(static_cast<double>(moved.zoomFrame->first), 1000.0, 8.0);  // a quarter of 4000 samples
    EXPECT_DOUBLE_EQ(m.zoom.Position(), 0.0);                               // nothing moves before the release
    const MouseOutcome released = Do(WindowId::Main, left + a.areaWidth / 4, y, MouseAction::Release);
    EXPECT_EQ(released.redraw, Bit(WindowId::Zoom) | Bit(WindowId::Xy));
    EXPECT_NEAR(m.zoom.Position() * 4000 * 1e-11, 1000.0, 8.0);
    EXPECT_FALSE(handler.Dragging());
    // Dragging far past the end keeps the stretch inside the record.
    Draw();
    Do(WindowId::Main, a.areaX + cache.zoomFrame.x1, y, MouseAction::Press);
    Do(WindowId::Main, 5000, y, MouseAction::Release);
    EXPECT_DOUBLE_EQ(m.zoom.Position(), m.zoom.MaxPosition(4000));
}

TEST_F(MouseHandlerTest, CursorModesMoveCursorsAndAttachTheTraceUnderThePointer) {
    const auto on = PointOn(WindowId::Main, 1);
    ASSERT_TRUE(on);
    MouseOutcome out = Do(WindowId::Main, on->first, on->second, MouseAction::Press);
    EXPECT_EQ(out.cursors, Bit(WindowId::Main));
    EXPECT_EQ(out.redraw, 0u);
    EXPECT_DOUBLE_EQ(m.cursors.mes[0], MainSample(on->first));
    EXPECT_EQ(m.cursors.mesTrace, 1);
    Do(WindowId::Main, on->first + 30, 40, MouseAction::Move);  // dragging keeps the trace
    EXPECT_DOUBLE_EQ(m.cursors.mes[0], MainSample(on->first + 30));
    EXPECT_EQ(m.cursors.mesTrace, 1);
    Do(WindowId::Main, on->first, on->second, MouseAction::Release);
    // Right button, empty background: the Ref cursor moves and holds no trace.
    Do(WindowId::Main, 300, 40, MouseAction::Press, MouseButton::Right);
    EXPECT_DOUBLE_EQ(m.cursors.ref[0], MainSample(300));
    EXPECT_EQ(m.cursors.refTrace, kNoTrace);

    m.mouseMode = MouseMode::CursorsHidden;  // the cursors follow, nothing is drawn
    out = Do(WindowId::Zoom, 200, 100, MouseAction::Press);
    EXPECT_EQ(out.redraw | out.cursors, 0u);
    int64_t span = 0, first = 0;
    WindowSpan(m, WindowId::Zoom, span, first);
    EXPECT_DOUBLE_EQ(m.cursors.mes[1], SampleAtColumn(m.Area(WindowId::Zoom), span, first, 200));
}

TEST_F(MouseHandlerTest, VerticalMoveShiftsTheTraceInEveryLiveSetAndEmptyBackgroundDoesNothing) {
    m.mouseMode = MouseMode::VerticalMove;
    const auto on = PointOn(WindowId::Main, 1);
    ASSERT_TRUE(on);
    EXPECT_EQ(Do(WindowId::Main, on->first, on->second, MouseAction::Press).redraw, 0u);
    const MouseOutcome out = Do(WindowId::Main, on->first, on->second + 10, MouseAction::Move);
    EXPECT_EQ(out.redraw, 0xFu);
    EXPECT_GT(m.mainSet[1].verticalPosition, 0);
    EXPECT_EQ(m.zoomSet[1].verticalPosition, m.mainSet[1].verticalPosition);
    EXPECT_EQ(m.historySet[1].verticalPosition, m.mainSet[1].verticalPosition);
    EXPECT_EQ(m.mainSet[0].verticalPosition, 0);
    Do(WindowId::Main, on->first, on->second + 10, MouseAction::Release);

    const int32_t before = m.mainSet[1].verticalPosition;
    Do(WindowId::Main, 300, 40, MouseAction::Press);
    EXPECT_EQ(Do(WindowId::Main, 300, 80, MouseAction::Move).redraw, 0u);
    EXPECT_EQ(m.mainSet[1].verticalPosition, before);
}

TEST_F(MouseHandlerTest, VerticalZoomDoublesOrHalvesAndIsCopiedToTheOtherLiveSet) {
    m.mouseMode = MouseMode::VerticalZoom;
    const auto on = PointOn(WindowId::Main, 1);
    ASSERT_TRUE(on);
    const int32_t z = m.mainSet[1].verticalZoom;
    EXPECT_EQ(Do(WindowId::Main, on->first, on->second, MouseAction::Press).redraw, 0xFu);
    EXPECT_EQ(m.mainSet[1].verticalZoom, z * 2);
    EXPECT_EQ(m.zoomSet[1].verticalZoom, z * 2);
    EXPECT_EQ(m.zoomSet[1].verticalPosition, m.mainSet[1].verticalPosition);
    Draw();  // the row under the pointer kept its value, so the trace is still there
    Do(WindowId::Main, on->first, on->second, MouseAction::Press, MouseButton::Right);
    EXPECT_EQ(m.mainSet[1].verticalZoom, z);
    EXPECT_EQ(Do(WindowId::Main, 300, 40, MouseAction::Press).redraw, 0u);  // nothing picked
}

TEST_F(MouseHandlerTest, NothingHappensWithoutADocumentOrInATinyFrame) {
    context.frameWidth = 500;
    const auto on = PointOn(WindowId::Main, 1);
    ASSERT_TRUE(on);
    EXPECT_EQ(Do(WindowId::Main, on->first, on->second, MouseAction::Press).redraw, 0u);
    context.frameWidth = 1280;
    UnbindDocument(m);
    EXPECT_EQ(Do(WindowId::Main, on->first, on->second, MouseAction::Press).redraw, 0u);
    EXPECT_FALSE(handler.Dragging());
}

TEST_F(MouseHandlerTest, ZoomFrameDragsWithEveryButton) {
    const ViewArea& a = m.Area(WindowId::Main);
    const int y = a.areaY + 36 + a.areaHeight / 2;
    for (const MouseButton b : {MouseButton::Left, MouseButton::Right, MouseButton::Middle}) {
        m.zoom.SetPosition(0.0, 4000);
        Draw();
        const int left = a.areaX + cache.zoomFrame.x1;
        Do(WindowId::Main, left, y, MouseAction::Press, b);
        EXPECT_TRUE(handler.Dragging());
        EXPECT_EQ(Do(WindowId::Main, left + a.areaWidth / 2, y, MouseAction::Release, b).redraw,
                  Bit(WindowId::Zoom) | Bit(WindowId::Xy));
        EXPECT_NEAR(m.zoom.Position() * 4000 * 1e-11, 2000.0, 8.0);
    }
}

TEST_F(MouseHandlerTest, MainRedrawAloneKeepsTheZoomFrameDraggable) {
    const ZoomFrameMark before = cache.zoomFrame;
    // What W1..W8, SPLIT and More of the Main panel redraw: Main, History and XY.
    Draw(Bit(WindowId::Main) | Bit(WindowId::History) | Bit(WindowId::Xy));
    EXPECT_EQ(cache.zoomFrame.x1, before.x1);
    EXPECT_EQ(cache.zoomFrame.x2, before.x2);
    const ViewArea& a = m.Area(WindowId::Main);
    Do(WindowId::Main, a.areaX + cache.zoomFrame.x1, a.areaY + 36 + 20, MouseAction::Press);
    EXPECT_TRUE(handler.Dragging());
}

TEST_F(MouseHandlerTest, MiddleOrCtrlDragInMainSelectsTheNearestRatioAroundTheStretch) {
    const ViewArea& a = m.Area(WindowId::Main);
    const int y = a.areaY + 36 + a.areaHeight / 2;
    struct Case {
        MouseButton button;
        bool ctrl;
    };
    for (const Case c : {Case{MouseButton::Middle, false}, Case{MouseButton::Left, true}}) {
        m.zoom.SelectZoomRatio(0, 4000);
        m.zoom.SetPosition(0.0, 4000);
        Draw();
        // From a tenth to a fifth of the record: 400 samples, next to the "500" ratio.
        const int x1 = a.areaX + a.areaWidth / 10, x2 = a.areaX + a.areaWidth / 5;
        MouseOutcome out = Do(WindowId::Main, x1, y, MouseAction::Press, c.button, c.ctrl);
        ASSERT_TRUE(out.selection);
        out = Do(WindowId::Main, x2, y, MouseAction::Move, c.button, c.ctrl);
        ASSERT_TRUE(out.selection);
        EXPECT_EQ(out.selection->second, x2);
        out = Do(WindowId::Main, x2, y, MouseAction::Release, c.button, c.ctrl);
        EXPECT_TRUE(out.redraw & Bit(WindowId::Zoom));
        EXPECT_EQ(m.zoom.ZoomWidth(), 500u);
        const ZoomReadPlan plan = m.zoom.ReadPlan(4000);
        EXPECT_NEAR(static_cast<double>(plan.start) + 250.0, 600.0, 6.0);  // centred on the stretch
        EXPECT_EQ(m.cursors.mesTrace, kNoTrace);                           // the cursors did not move
    }
}

TEST_F(MouseHandlerTest, WheelZoomsAroundThePointerAndShiftScrollsATenth) {
    const int64_t L = 4000;
    m.zoom.SelectZoomRatio(0, L);  // the widest ratio
    m.zoom.SetStart(400, L);
    Draw();
    const ViewArea& z = m.Area(WindowId::Zoom);
    int64_t span = 0, first = 0;
    WindowSpan(m, WindowId::Zoom, span, first);
    const int x = z.areaX + z.areaWidth / 4;
    const double anchor = SampleAtColumn(z, span, first, x);
    MouseOutcome out = MouseHandler::Wheel(m, {WindowId::Zoom, x, 100, 1, false}, context);
    EXPECT_EQ(out.redraw, Bit(WindowId::Zoom) | Bit(WindowId::Xy));
    EXPECT_EQ(m.zoom.Selected(), 1u);
    Draw();
    WindowSpan(m, WindowId::Zoom, span, first);
    // The sample under the pointer stays there (within the start's alignment).
    EXPECT_NEAR(SampleAtColumn(z, span, first, x), anchor, 4.0);
    // Shift (or a horizontal wheel): a tenth of the width per notch.
    const int64_t before = m.zoom.ReadPlan(L).start;
    MouseHandler::Wheel(m, {WindowId::Zoom, x, 100, 2, true}, context);
    EXPECT_EQ(m.zoom.ReadPlan(L).start - before, 2 * (span / 10) / 4 * 4);
    // Over Main: zoom out around the time under the pointer; "back" returns step by step.
    const int mx = m.Area(WindowId::Main).areaX + m.Area(WindowId::Main).areaWidth / 2;
    MouseHandler::Wheel(m, {WindowId::Main, mx, 100, -1, false}, context);
    EXPECT_EQ(m.zoom.Selected(), 0u);
    ASSERT_TRUE(m.zoomHistory.Back(m.zoom, L));
    EXPECT_EQ(m.zoom.Selected(), 1u);
    EXPECT_EQ(m.zoom.ReadPlan(L).start, before + 2 * (span / 10) / 4 * 4);
    ASSERT_TRUE(m.zoomHistory.Back(m.zoom, L));
    EXPECT_EQ(m.zoom.ReadPlan(L).start, before);
}

}  // namespace
}  // namespace kivelo::test
