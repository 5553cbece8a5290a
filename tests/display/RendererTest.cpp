#include <gtest/gtest.h>

#include <cmath>

#include "FakeWaveFile.h"
#include "GoldenFile.h"
#include "GoldenScenes.h"
#include "RecordingPainter.h"
#include "display/ColourCode.h"
#include "display/CursorRenderer.h"
#include "display/DocumentBinding.h"
#include "display/HistoryWindowRenderer.h"
#include "display/MainWindowRenderer.h"
#include "display/ViewNavigation.h"
#include "display/WindowPlacement.h"
#include "display/XyWindowRenderer.h"
#include "display/ZoomWindowRenderer.h"

namespace kivelo {
namespace {

using test::FakeWaveFile;
using test::RecordingPainter;

// KIVELO_UPDATE_GOLDEN=1 rewrites the golden files after a deliberate change, with a PNG beside each plane.
class GoldenScenes : public ::testing::TestWithParam<test::GoldenScene> {};

TEST_P(GoldenScenes, MatchItsGoldenFiles) {
    const test::GoldenScene& scene = GetParam();
    RasterPlane plane;
    std::string log;
    scene.draw(plane, log);
    if (!log.empty()) {
        EXPECT_TRUE(test::CompareText(test::GoldenPath(scene.name, ".log"), log));
    }
    if (scene.width == 0) return;  // no plane
    EXPECT_TRUE(test::ComparePicture(test::GoldenPath(scene.name, ".plane"),
                                     test::ScenePicture(plane, scene.width, scene.height)));
}

INSTANTIATE_TEST_SUITE_P(Display, GoldenScenes, ::testing::ValuesIn(test::GoldenScenes()),
                         [](const auto& info) { return info.param.name; });

std::vector<int16_t> Sine(int n, int amplitude = 10000) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<int16_t>(amplitude * std::sin(i * 6.283 / 1000)));
    return v;
}

// Three traces: a sine in V, a ramp in A and the ramp as a 16-bit logic trace. What the windows
// look like is pinned by the "windows" golden scene; these cases cover what it does not.
struct DisplayWindows : ::testing::Test {
    FakeWaveFile file;
    std::unique_ptr<DisplayModel> model = std::make_unique<DisplayModel>();
    DisplayModel& m = *model;
    std::unique_ptr<RenderCache> cache = std::make_unique<RenderCache>();

    void Open(int records = 1, int length = 10000) {
        std::vector<std::vector<int16_t>> a, b(static_cast<size_t>(records));
        for (int r = 0; r < records; ++r) a.push_back(Sine(length, 10000 - 2500 * (r % 4)));
        for (auto& ramp : b)
            for (int i = 0; i < length; ++i) ramp.push_back(static_cast<int16_t>(i % 30000));
        file.AddTrace("VOLT", a, kKindSigned, 2, 0.001, 0.0, "V");
        file.AddTrace("AMP", b, kKindSigned, 2, 0.01, 0.0, "A");
        file.AddTrace("BITS", b, kKindBit, 2, 1.0, 0.0, "");
        BindDocument(m, file);
    }
    RenderTarget Target(RecordingPainter& p, int frameW = 1280, int frameH = 1024) {
        return RenderTarget{m, *cache, &file, p, TextMetrics::Normal(), frameW, frameH};
    }
    // Places the window for the target and draws it.
    bool Draw(WindowId w, const RenderTarget& target, DisplayPainter* mainPainter = nullptr) {
        PlaceWindow(m, target, w);
        switch (w) {
        case WindowId::Main: return DrawMainWindow(target);
        case WindowId::Zoom: return DrawZoomWindow(target, mainPainter);
        case WindowId::History: return DrawHistoryWindow(target);
        case WindowId::Xy: return DrawXyWindow(target);
        }
        return false;
    }
    const TraceSet& Drawn(WindowId set) const { return cache->Drawn(set); }
    size_t CountBits(uint8_t bits) const {
        const auto bytes = cache->plane.Bytes();
        return std::count_if(bytes.begin(), bytes.end(), [&](uint8_t b) { return (b & bits) != 0; });
    }
};

TEST_F(DisplayWindows, SmallFramesMissingDocumentsAndEmptyWindows) {
    RecordingPainter p(800, 400);
    RenderTarget none{m, *cache, nullptr, p, TextMetrics::Normal(), 1280, 1024};
    EXPECT_TRUE(Draw(WindowId::Main, none));  // no document: only the background below the panel
    EXPECT_EQ(p.log, "fill 0 36 800 364 0f0f0f -\n");
    Open();
    RecordingPainter q(800, 400);
    EXPECT_FALSE(Draw(WindowId::Main, Target(q, 539, 1000)));
    EXPECT_FALSE(Draw(WindowId::Main, Target(q, 1000, 399)));
    EXPECT_TRUE(q.log.empty());
    RecordingPainter zero(0, 0);
    EXPECT_TRUE(Draw(WindowId::Main, Target(zero)));
    EXPECT_TRUE(Draw(WindowId::Zoom, Target(zero)));
    EXPECT_TRUE(Draw(WindowId::History, Target(zero)));
    EXPECT_TRUE(Draw(WindowId::Xy, Target(zero)));
}

TEST_F(DisplayWindows, OverlaysSnapshotSplitGroupsAndHeldPoints) {
    Open(3, 500);
    RecordingPainter p(800, 436);
    m.document.overlayMarks[0] = 1;  // the current record: drawn once, in primary colours
    Draw(WindowId::Main, Target(p));
    const auto alternative = [&] {
        return std::any_of(cache->plane.Bytes().begin(), cache->plane.Bytes().end(),
                           [](uint8_t b) { return (b & 0x1F) > 16; });
    };
    EXPECT_FALSE(alternative());
    EXPECT_EQ(Drawn(WindowId::Main)[0].pointCount, 500u);  // a short record is read whole
    EXPECT_EQ(Drawn(WindowId::Main)[0].samples[499], Sine(500)[499]);
    m.document.overlayMarks[2] = 1;
    file.readCalls = 0;
    Draw(WindowId::Main, Target(p));
    EXPECT_TRUE(alternative());
    EXPECT_EQ(file.readCalls, 3);  // 3 traces of record 2; the current record's points were kept
    m.document.overlayMarks[2] = 0;
    file.readCalls = 0;
    Draw(WindowId::Main, Target(p));
    EXPECT_EQ(file.readCalls, 0);  // the current record is still held
    m.SetSnapshot(true);
    m.SetSnapshot(false);  // switching the snapshot off clears its layer
    Draw(WindowId::Main, Target(p));
    EXPECT_EQ(CountBits(colour_code::kHighlightBit), 0u);
    m.mainSplit = 2;
    m.mainOnOff[1] = kTraceOff;
    Draw(WindowId::Main, Target(p));
    EXPECT_EQ(Drawn(WindowId::Main)[2].positionSlot, 1);  // slots count displayed traces only
}

TEST_F(DisplayWindows, CursorReadsTheSampleAtItsTimeFromTheFileAtEveryZoom) {
    Open(1, 100000);
    const std::vector<int16_t> volts = Sine(100000);
    RecordingPainter zoomP(800, 436), mainP(800, 436);
    const ViewArea& a = m.Area(WindowId::Zoom);
    struct Case {
        uint32_t entryFromEnd;  // ratio list entry, counted from the narrowest
        int column;             // of the area
    };
    // 100 points (under the 2000 display points) and 50k points (min/max pairs): the value is the sample's.
    for (const Case c : {Case{4, 400}, Case{4, 0}, Case{uint32_t(m.zoom.RatioTexts().size()), 333}}) {
        m.zoom.SelectZoomRatio(static_cast<uint32_t>(m.zoom.RatioTexts().size() - c.entryFromEnd), 100000);
        m.zoom.SetPosition(0.3e11, 100000);
        Draw(WindowId::Zoom, Target(zoomP));
        int64_t span = 0, first = 0;
        WindowSpan(m, WindowId::Zoom, span, first);
        const double sample = SampleAtColumn(a, span, first, a.areaX + c.column);
        const CursorReading r = ReadCursor(m, &file, WindowId::Zoom, sample, 0);
        ASSERT_TRUE(r.sampleIndex.has_value());
        EXPECT_EQ(*r.sampleIndex, static_cast<int64_t>(std::floor(sample + 1e-9)));
        ASSERT_TRUE(r.value.has_value());
        EXPECT_NEAR(*r.value, volts[static_cast<size_t>(*r.sampleIndex)] * 0.001, 1e-9);
        EXPECT_NEAR(r.time, sample * 1e-3, 1e-12);
    }
    // The Main window at 100000 points reads the sample too, not the first value of a min/max pair.
    Draw(WindowId::Main, Target(mainP));
    const CursorReading main = ReadCursor(m, &file, WindowId::Main, 28539.4, 0);
    ASSERT_TRUE(main.value.has_value());
    EXPECT_EQ(*main.sampleIndex, 28539);
    EXPECT_NEAR(*main.value, volts[28539] * 0.001, 1e-9);
    // A trace the window does not show, or no file: the time alone.
    EXPECT_FALSE(ReadCursor(m, &file, WindowId::Zoom, 10.0, 5).value.has_value());
    EXPECT_FALSE(ReadCursor(m, nullptr, WindowId::Zoom, 10.0, 0).value.has_value());
}

TEST_F(DisplayWindows, XyWindowLoadsItsXTraceAndTheZoomStretch) {
    Open();
    m.xy.xTrace = 1;
    m.mainOnOff[1] = kTraceOff;  // the X trace is loaded even when off
    RecordingPainter small(200, 36 + 90);
    ASSERT_TRUE(Draw(WindowId::Xy, Target(small)));
    EXPECT_EQ(m.Area(WindowId::Xy).areaWidth, 48);  // smallest square area
    EXPECT_GT(Drawn(WindowId::Main)[1].pointCount, 0u);
    m.xy.rangeMain = false;
    m.zoom.SelectZoomRatio(2, 10000);  // 1k
    RecordingPainter big(900, 636);
    ASSERT_TRUE(Draw(WindowId::Xy, Target(big)));
    EXPECT_EQ(Drawn(WindowId::Zoom)[0].pointCount, 1002u);
    EXPECT_EQ(Drawn(WindowId::Zoom)[0].loaded.start, m.zoom.ReadPlan(10000).start);
    EXPECT_TRUE(big.Drew("1000"));
}

TEST_F(DisplayWindows, SetTraceRangeRefusesWhatCannotBeShown) {
    Open();
    EXPECT_EQ(SetTraceRange(m, 1.0, -1.0), RangeResult::Refused);  // nothing selected
    m.selectedTrace = 0;                                           // gain 0.001
    const std::pair<double, double> refused[] = {
        {-1.0, 1.0}, {1e-4, 0.0} /* zoom above 200 */, {1e4 + 1, 1e4 - 1} /* position */, {1e12, -1e12} /* zoom 0 */};
    for (const auto& [upper, lower] : refused) EXPECT_EQ(SetTraceRange(m, upper, lower), RangeResult::Refused) << upper;
    ASSERT_EQ(SetTraceRange(m, 3.0, 1.0), RangeResult::Accepted);
    EXPECT_NEAR(m.zoomSet[0].GetVerticalZoom(), 0.001 / 2.0 * 65536, 1e-3);
    EXPECT_EQ(m.historySet[0].verticalPosition, 2000);
    EXPECT_NEAR(m.mainSet[0].BandTopValue(), 3.0, 1e-3);
    EXPECT_NEAR(m.mainSet[0].BandBottomValue(), 1.0, 1e-3);
    ASSERT_EQ(SetTraceRange(m, 0.0, 0.0), RangeResult::Accepted);  // back to the default
    EXPECT_NEAR(m.mainSet[0].GetVerticalZoom(), 1.024, 1e-4);
    EXPECT_EQ(m.mainSet[0].verticalPosition, 0);
}

}  // namespace
}  // namespace kivelo
