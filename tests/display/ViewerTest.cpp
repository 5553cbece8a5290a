// The viewer's navigation and measurement: the Zoom stretch under wheel, keys
// and drags, the cursors as times of the record, the XY figure drawn from the
// samples themselves, and the plane that grows with the screen.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>

#include "FakeWaveFile.h"
#include "RecordingPainter.h"
#include "display/CursorRenderer.h"
#include "display/CursorSamples.h"
#include "display/DocumentBinding.h"
#include "display/MainWindowRenderer.h"
#include "display/NumberFormat.h"
#include "display/RedrawAll.h"
#include "display/ViewNavigation.h"
#include "display/WindowPlacement.h"
#include "display/WindowTexts.h"
#include "display/XyPlot.h"
#include "display/XyWindowRenderer.h"
#include "display/ZoomWindowRenderer.h"

namespace kivelo::test {
namespace {

TEST(ViewNavigation, ColumnsAndSamplesMapBothWays) {
    ViewArea a;
    a.SetArea(10, 16, 800, 300);
    struct Case {
        int64_t span, first;
    };
    for (const Case c : {Case{100, 0}, Case{1000000, 0}, Case{5000, 12345}, Case{800, 7}}) {
        for (const int x : {10, 11, 200, 555, 809, 810}) {
            const double s = SampleAtColumn(a, c.span, c.first, x);
            EXPECT_EQ(ColumnOfSample(a, c.span, c.first, s), x) << c.span << " " << x;
        }
        // Outside the area: the nearer edge.
        EXPECT_DOUBLE_EQ(SampleAtColumn(a, c.span, c.first, -50), static_cast<double>(c.first));
        EXPECT_EQ(ColumnOfSample(a, c.span, c.first, 1e15), 810);
    }
}

struct ZoomCase {
    int64_t L;
    uint32_t entry;
};

TEST(ViewNavigation, KeysMoveByWholeUnitsAndAlwaysMove) {
    ViewArea area;
    area.SetArea(10, 16, 1000, 200);
    for (const ZoomCase c : {ZoomCase{100000, 0}, ZoomCase{100000, 10}, ZoomCase{10000, 8}, ZoomCase{100000000, 3}}) {
        ZoomController z;
        z.FillZoomRatios(c.L);
        ASSERT_TRUE(z.SelectZoomRatio(c.entry, c.L));
        z.SetStart(0, c.L);
        const int64_t unit = z.StartUnit();
        const int64_t step = ColumnStep(z, area, c.L);
        EXPECT_GE(step, unit);
        EXPECT_EQ(step % unit, 0);
        EXPECT_LE(std::abs(static_cast<double>(step) - static_cast<double>(z.SpanOf(c.L)) / 1000), unit);
        for (int press = 1; press <= 20; ++press) {
            ASSERT_TRUE(MoveBySamples(z, c.L, step));
            EXPECT_EQ(z.ReadPlan(c.L).start, press * step);
        }
        const int64_t last = (c.L - z.SpanOf(c.L)) / unit * unit;
        ASSERT_TRUE(MoveBySamples(z, c.L, z.SpanOf(c.L)));  // a page: the width, in whole units
        EXPECT_EQ(z.ReadPlan(c.L).start, std::min(20 * step + z.SpanOf(c.L) / unit * unit, last));
        MoveBySamples(z, c.L, c.L);
        EXPECT_EQ(z.ReadPlan(c.L).start, last);
        EXPECT_FALSE(MoveBySamples(z, c.L, step));  // at the end nothing moves
    }
}

TEST(ViewNavigation, WheelKeepsTheAnchorAndSelectionPicksTheNearestRatio) {
    const int64_t L = 1000000;
    ZoomController z;
    z.FillZoomRatios(L);
    z.SelectZoomRatio(0, L);
    const double anchor = 123456.0;
    // In to the narrowest ratio and out again: the anchor keeps its place in the window.
    for (const bool in : {true, true, true, true, false, false}) {
        const int64_t start = z.ReadPlan(L).start, span = z.SpanOf(L);
        const double fraction = (anchor - static_cast<double>(start)) / static_cast<double>(span);
        ASSERT_TRUE(WheelZoom(z, L, anchor, in));
        const double after = (anchor - static_cast<double>(z.ReadPlan(L).start)) / static_cast<double>(z.SpanOf(L));
        if (fraction >= 0 && fraction <= 1) {
            EXPECT_NEAR(after, fraction, static_cast<double>(z.StartUnit()) / z.SpanOf(L) + 1e-9);
        }
    }
    z.SelectZoomRatio(static_cast<uint32_t>(z.RatioTexts().size() - 1), L);
    EXPECT_FALSE(WheelZoom(z, L, anchor, true));  // no narrower ratio
    // A stretch of 30000 samples: the 20k ratio is nearest (by ratio), centred on it.
    ASSERT_TRUE(SelectStretch(z, L, 530000, 500000));
    EXPECT_EQ(z.ZoomWidth(), 20000u);
    EXPECT_NEAR(static_cast<double>(z.ReadPlan(L).start), 505000.0, z.StartUnit());
    ASSERT_TRUE(ScrollTenths(z, L, -3));
    EXPECT_NEAR(static_cast<double>(z.ReadPlan(L).start), 499000.0, z.StartUnit());
}

TEST(ViewNavigation, HistoryGoesBackAtLeastSixteenSteps) {
    const int64_t L = 1000000;
    ZoomController z;
    ZoomHistory history;
    z.FillZoomRatios(L);
    std::vector<int64_t> starts;
    for (int i = 0; i < 20; ++i) {
        history.Push(z);
        history.Push(z);  // the same stretch twice is kept once
        starts.push_back(z.ReadPlan(L).start);
        if (i % 2) z.SelectNext(L);
        ScrollTenths(z, L, 1);
    }
    for (int i = 19; i >= 0; --i) {
        ASSERT_TRUE(history.Back(z, L)) << i;
        EXPECT_EQ(z.ReadPlan(L).start, starts[static_cast<size_t>(i)]);
    }
    EXPECT_FALSE(history.Back(z, L));
}

TEST(ViewNavigation, EngineeringTextsReadBack) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    for (const Case c : {Case{"468.04ms", 0.46804}, Case{" 2s", 2.0}, Case{"-1.5 uV", -1.5e-6}, Case{"1e3", 1000.0},
                         Case{"3k", 3000.0}, Case{"12.5\xC2\xB5s", 12.5e-6}, Case{"abc", std::nullopt},
                         Case{"", std::nullopt}, Case{"-", std::nullopt}, Case{"7 x", 7.0}}) {
        const std::optional<double> v = ParseEngineering(c.text);
        ASSERT_EQ(v.has_value(), c.value.has_value()) << c.text;
        if (v) {
            EXPECT_NEAR(*v, *c.value, std::fabs(*c.value) * 1e-12) << c.text;
        }
    }
}

// Pixels of the plane in trace colour code `code`.
std::set<std::pair<int, int>> PixelsOf(const RasterPlane& plane, uint32_t code) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < plane.Height(); ++y)
        for (int x = 0; x < plane.Width(); ++x)
            if ((plane.At(x, y) & 31) == code) out.insert({x, y});
    return out;
}

// Places and draws the XY window of a 1280 x 1024 frame.
bool DrawXy(DisplayModel& m, RenderCache& cache, CWaveFile& file, DisplayPainter& p) {
    const RenderTarget target{m, cache, &file, p, TextMetrics::Normal(), 1280, 1024};
    PlaceWindow(m, target, WindowId::Xy);
    return DrawXyWindow(target);
}

// A model with a record, drawn in frames of any size.
struct Viewer : ::testing::Test {
    FakeWaveFile file;
    std::unique_ptr<DisplayModel> model = std::make_unique<DisplayModel>();
    DisplayModel& m = *model;
    std::unique_ptr<RenderCache> cache = std::make_unique<RenderCache>();

    void Open(std::vector<int16_t> x, std::vector<int16_t> y) {
        file.AddTrace("X", {std::move(x)});
        file.AddTrace("Y", {std::move(y)});
        BindDocument(m, file);
    }
    // Lays out and draws a frame of this size; returns the Main painter's log.
    std::string Frame(int width, int height, std::array<bool, kWindowCount> shown = {true, true, true, true}) {
        LayoutInput in;
        in.frame = {0, 0, width, height};
        in.shown = shown;
        const LayoutResult layout = LayOutWindows(in);
        ApplyLayout(m, *cache, layout);
        std::array<std::unique_ptr<RecordingPainter>, kWindowCount> painters;
        std::array<DisplayPainter*, kWindowCount> targets{};
        for (int i = 0; i < kWindowCount; ++i) {
            const LayoutRect& r = layout.windows[static_cast<size_t>(i)];
            if (!layout.visible[static_cast<size_t>(i)]) continue;
            painters[static_cast<size_t>(i)] = std::make_unique<RecordingPainter>(r.width, r.height);
            targets[static_cast<size_t>(i)] = painters[static_cast<size_t>(i)].get();
        }
        PlaceWindows(m, *cache, &file, targets, TextMetrics::Normal(), width, height);
        RedrawAll(m, *cache, &file, targets, TextMetrics::Normal(), width, height);
        return painters[0] ? painters[0]->log : std::string();
    }
    std::set<std::pair<int, int>> Pixels(uint32_t code) const { return PixelsOf(cache->plane, code); }
};

TEST_F(Viewer, CursorsKeepTheirTimeThroughResizesLayoutsSplitsAndRatios) {
    std::vector<int16_t> ramp(100000);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i % 20000);
    Open(ramp, ramp);
    Frame(1280, 1024);
    const ViewArea& main = m.Area(WindowId::Main);
    MoveCursor(m, cache->plane, WindowId::Main, main.areaX + 300, 100, true, false);
    MoveCursor(m, cache->plane, WindowId::Main, main.areaX + 100, 100, false, false);
    const ViewArea& zoom = m.Area(WindowId::Zoom);
    MoveCursor(m, cache->plane, WindowId::Zoom, zoom.areaX + 200, 300, true, false);
    const CursorSamples mainBefore = CursorsOf(m, WindowId::Main);
    const double zoomMes = ShownCursorSample(m, WindowId::Zoom, true);

    const auto check = [&](const char* what) {
        const CursorSamples c = CursorsOf(m, WindowId::Main);
        EXPECT_DOUBLE_EQ(c.mes, mainBefore.mes) << what;
        EXPECT_DOUBLE_EQ(c.ref, mainBefore.ref) << what;
        EXPECT_EQ(c.first, mainBefore.first) << what;
        EXPECT_EQ(c.last, mainBefore.last) << what;
        EXPECT_DOUBLE_EQ(ShownCursorSample(m, WindowId::Zoom, true), zoomMes) << what;
    };
    Frame(800, 600);
    check("smaller frame");
    Frame(2560, 1440, {true, true, false, false});
    check("History and XY hidden");
    m.mainSplit = 4;
    m.zoom.splitCount = 3;
    Frame(1000, 700);
    check("split");
    // A wider ratio keeps the Zoom cursor's time while the stretch still holds it.
    m.zoom.SelectPrevious(100000);
    Frame(1000, 700);
    check("ratio");
    // The time shown is the one kept; the value beside it the sample of that time.
    const std::string log = Frame(1280, 1024);
    const HorzInfo& h = m.document.horz;
    const std::string mesTime = FormatText(mainBefore.mes * h.HResolution + h.HOffset, h.HUnit, 4, h.HResolution);
    EXPECT_NE(log.find("'" + mesTime + "'"), std::string::npos) << log;
    // The samples between the cursors: whole samples from the earlier to the later one.
    EXPECT_EQ(mainBefore.first, static_cast<int64_t>(std::floor(mainBefore.ref)));
    EXPECT_EQ(mainBefore.last, static_cast<int64_t>(std::floor(mainBefore.mes)));
    // Keys: a column (ten with Shift) of the window; a typed time.
    NudgeCursor(m, WindowId::Main, true, 10);
    EXPECT_NEAR(CursorsOf(m, WindowId::Main).mes - mainBefore.mes, 10.0 * 100000 / main.areaWidth, 1e-6);
    EXPECT_TRUE(SetCursorTime(m, WindowId::Main, false, 12.5));  // dt is 1 ms: sample 12500
    EXPECT_DOUBLE_EQ(CursorsOf(m, WindowId::Main).ref, 12500.0);
    EXPECT_FALSE(SetCursorTime(m, WindowId::Main, false, 1e6));  // beyond the record
    EXPECT_DOUBLE_EQ(CursorsOf(m, WindowId::Main).ref, 12500.0);
}

TEST_F(Viewer, XyFigureIsDrawnFromTheSamplePairsForEveryRange) {
    // The pairs walk the corners of a square: (a, a), (b, a), (b, b), (a, b), again and again.
    // Its outline is the whole figure, at every record length; min/max pairs of a long
    // record would draw its diagonal instead.
    for (const int L : {1000, 4000, 200000}) {
        FakeWaveFile file;
        auto fresh = std::make_unique<DisplayModel>();
        DisplayModel& m = *fresh;
        auto cache = std::make_unique<RenderCache>();
        const int16_t a = -8000, b = 8000;
        std::vector<int16_t> x, y;
        for (int i = 0; i < L; ++i) {
            x.push_back(i % 4 == 1 || i % 4 == 2 ? b : a);
            y.push_back(i % 4 >= 2 ? b : a);
        }
        file.AddTrace("X", {x});
        file.AddTrace("Y", {y});
        BindDocument(m, file);
        for (DisplayTrace* t : {&m.mainSet[0], &m.mainSet[1]}) t->SetVerticalZoom(1.0);
        RecordingPainter p(530, 36 + 474);  // a 400 x 400 area at (10, 16)
        ASSERT_TRUE(DrawXy(m, *cache, file, p));
        const ViewArea& area = m.Area(WindowId::Xy);
        ASSERT_EQ(area.areaWidth, 400);
        const XyPoint lo = XyPosition(area, m.mainSet[0], m.mainSet[1], a, a);
        const XyPoint hi = XyPosition(area, m.mainSet[0], m.mainSet[1], b, b);
        std::set<std::pair<int, int>> outline;
        for (int64_t px = lo.x; px <= hi.x; ++px) {
            outline.insert({static_cast<int>(px), static_cast<int>(lo.y)});
            outline.insert({static_cast<int>(px), static_cast<int>(hi.y)});
        }
        for (int64_t py = std::min(lo.y, hi.y); py <= std::max(lo.y, hi.y); ++py) {
            outline.insert({static_cast<int>(lo.x), static_cast<int>(py)});
            outline.insert({static_cast<int>(hi.x), static_cast<int>(py)});
        }
        EXPECT_EQ(PixelsOf(cache->plane, m.mainSet[1].colour), outline) << L;
    }
}

TEST_F(Viewer, TwoSinesAQuarterTurnApartDrawACircleFromTheCache) {
    const int L = 60000, period = 6000;
    std::vector<int16_t> c, s;
    for (int i = 0; i < L; ++i) {
        c.push_back(static_cast<int16_t>(std::lround(16000 * std::cos(2 * M_PI * i / period))));
        s.push_back(static_cast<int16_t>(std::lround(16000 * std::sin(2 * M_PI * i / period))));
    }
    Open(c, s);
    for (DisplayTrace* t : {&m.mainSet[0], &m.mainSet[1]}) t->SetVerticalZoom(1.0);
    RecordingPainter p(530, 36 + 474);
    ASSERT_TRUE(DrawXy(m, *cache, file, p));
    const ViewArea& area = m.Area(WindowId::Xy);
    const double cx = area.AreaLeft() + area.areaWidth / 2.0, cy = area.AreaTop() + area.areaHeight / 2.0;
    const double radius = 16000.0 * area.areaWidth / 65536.0;
    const std::set<std::pair<int, int>> pixels = Pixels(m.mainSet[1].colour);
    std::set<int> angles;
    for (const auto& [x, y] : pixels) {
        // Plane positions are truncated toward the centre: within a pixel on each axis.
        const double dx = x - cx, dy = y - cy;
        EXPECT_NEAR(std::hypot(dx, dy), radius, 1.5) << x << "," << y;
        angles.insert(static_cast<int>(std::floor((std::atan2(dy, dx) + M_PI) / (2 * M_PI) * 72)) % 72);
    }
    EXPECT_EQ(angles.size(), 72u);  // closed all the way round
    // Redraws of the same figure come from the cache: the same pixels, no reading.
    const int drawn = cache->xyFigure.FiguresDrawn();
    const int reads = file.readCalls;
    RecordingPainter again(530, 36 + 474);
    DrawXy(m, *cache, file, again);
    EXPECT_EQ(cache->xyFigure.FiguresDrawn(), drawn);
    EXPECT_EQ(Pixels(m.mainSet[1].colour), pixels);
    EXPECT_EQ(file.readCalls, reads);
    m.mainSet[1].SetVerticalZoom(2.0);  // another scale draws anew
    DrawXy(m, *cache, file, again);
    EXPECT_EQ(cache->xyFigure.FiguresDrawn(), drawn + 1);
    EXPECT_NE(Pixels(m.mainSet[1].colour), pixels);
    // Back to the scale before: that figure was kept too, and comes back as it was.
    m.mainSet[1].SetVerticalZoom(1.0);
    DrawXy(m, *cache, file, again);
    EXPECT_EQ(cache->xyFigure.FiguresDrawn(), drawn + 1);
    EXPECT_EQ(Pixels(m.mainSet[1].colour), pixels);
    // Beyond the figures kept, the least recently used one is drawn again.
    for (int k = 1; k <= static_cast<int>(XyFigureCache::kKept); ++k) {
        m.mainSet[1].SetVerticalZoom(1.0 + 0.25 * k);
        DrawXy(m, *cache, file, again);
    }
    const int before = cache->xyFigure.FiguresDrawn();
    m.mainSet[1].SetVerticalZoom(1.0);
    DrawXy(m, *cache, file, again);
    EXPECT_EQ(cache->xyFigure.FiguresDrawn(), before + 1);
    EXPECT_EQ(Pixels(m.mainSet[1].colour), pixels);
}

TEST_F(Viewer, PlaneGrowsToLargeFramesAndTheXyWindowReachesTheRightEdge) {
    std::vector<int16_t> ramp(5000);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(static_cast<int>(i) * 12 - 30000);
    Open(ramp, ramp);
    cache->plane.Set(5, 7, 0x41);
    for (const auto& [w, h] : {std::pair{2560, 1440}, std::pair{3840, 2160}}) {
        Frame(w, h);
        EXPECT_GE(cache->plane.Width(), w - 8);
        EXPECT_GE(cache->plane.Height(), h - 93 - 36);  // the windows below their panels
        const ViewArea& xy = m.Area(WindowId::Xy);
        // The XY window's rectangle lies wholly in the plane, up to the frame's right edge.
        EXPECT_EQ(xy.windowX + xy.windowWidth, w - 8);
        EXPECT_LE(xy.windowX + xy.windowWidth, cache->plane.Width());
        EXPECT_GT(Pixels(m.mainSet[1].colour).size(), 100u);
    }
    const int width = cache->plane.Width();
    cache->plane.EnsureSize(100, 100);  // never shrinks
    EXPECT_EQ(cache->plane.Width(), width);
    cache->plane.EnsureSize(1 << 30, 100);  // nor grows beyond reason
    EXPECT_EQ(cache->plane.Width(), RasterPlane::kMaxSide);
}

}  // namespace
}  // namespace kivelo::test
