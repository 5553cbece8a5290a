// The four windows drawn through a document whose reads are answered from min/max
// summaries, against the same windows drawn through a reader without them: the
// plane and every painter call after the first frame, at every Zoom ratio while
// scrolling and rolling, after record switches and overlays; and the first frame
// reads each sample of the records it shows once.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "RecordingPainter.h"
#include "Wavegen.h"
#include "common/TempDir.h"
#include "display/DocumentBinding.h"
#include "display/RedrawAll.h"
#include "display/WindowPlacement.h"
#include "wavefile/CFldFile.h"
#include "wavefile/CRtmFile.h"
#include "wavefile/WaveDocument.h"

namespace kivelo {
namespace {

constexpr int kFrameW = 1280, kFrameH = 1024;
constexpr uint32_t kZoomAndXy =
    (1u << static_cast<uint32_t>(WindowId::Zoom)) | (1u << static_cast<uint32_t>(WindowId::Xy));

// One display of one file at 1280 x 1024, its windows drawn into recording painters.
struct Display {
    std::unique_ptr<DisplayModel> model = std::make_unique<DisplayModel>();
    std::unique_ptr<RenderCache> cache = std::make_unique<RenderCache>();
    std::array<std::unique_ptr<test::RecordingPainter>, kWindowCount> painters;
    CWaveFile* file = nullptr;

    explicit Display(CWaveFile& f) : file(&f) {
        BindDocument(*model, f);
        LayoutInput in;
        in.frame = {0, 0, kFrameW, kFrameH};
        const LayoutResult layout = LayOutWindows(in);
        ApplyLayout(*model, *cache, layout);
        for (size_t i = 0; i < kWindowCount; ++i)
            painters[i] = std::make_unique<test::RecordingPainter>(layout.windows[i].width, layout.windows[i].height);
    }
    void Redraw(uint32_t windows = 0xF) {
        std::array<DisplayPainter*, kWindowCount> targets{};
        for (size_t i = 0; i < kWindowCount; ++i) {
            painters[i]->log.clear();
            targets[i] = painters[i].get();
        }
        PlaceWindows(*model, *cache, file, targets, TextMetrics::Normal(), kFrameW, kFrameH, windows);
        RedrawAll(*model, *cache, file, targets, TextMetrics::Normal(), kFrameW, kFrameH, windows);
    }
};

// The same state in both displays, then their planes and painter logs.
void ExpectSameDrawing(Display& summarised, Display& plain, const std::string& step) {
    SCOPED_TRACE(step);
    ASSERT_TRUE(std::equal(summarised.cache->plane.Bytes().begin(), summarised.cache->plane.Bytes().end(),
                           plain.cache->plane.Bytes().begin()));
    for (size_t i = 0; i < kWindowCount; ++i) EXPECT_EQ(summarised.painters[i]->log, plain.painters[i]->log) << i;
}

template <typename Change>
void Both(Display& a, Display& b, Change change, uint32_t windows, const std::string& step) {
    change(*a.model);
    change(*b.model);
    a.Redraw(windows);
    b.Redraw(windows);
    ExpectSameDrawing(a, b, step);
}

// Every ratio of the list, a few line steps and roll ticks at each, the XY window
// over the Zoom stretch, other records, overlays.
void ExpectSameDisplays(CWaveFile& summarisedFile, CWaveFile& plainFile) {
    Display a(summarisedFile), b(plainFile);
    a.Redraw();
    b.Redraw();
    ExpectSameDrawing(a, b, "first frame");
    const int64_t L = a.model->document.recordLength;
    const auto ratios = static_cast<uint32_t>(a.model->zoom.RatioTexts().size());
    for (uint32_t entry = 0; entry < ratios; ++entry) {
        const std::string name = "ratio " + a.model->zoom.RatioTexts()[entry];
        auto select = [&](DisplayModel& m) {
            m.zoom.SelectZoomRatio(entry, L);
            m.zoom.SetPosition(0.37e11, L);
        };
        Both(a, b, select, kZoomAndXy, name);
        auto step = [&](DisplayModel& m) { m.zoom.Scroll(ScrollCode::LineRight, 0, L); };
        for (int i = 0; i < 3; ++i) Both(a, b, step, kZoomAndXy, name + " step");
        auto roll = [&](DisplayModel& m) {
            m.zoom.SetScrollSpeed(20.0);
            m.zoom.StartRoll(RollMode::TowardStart);
            m.zoom.Tick(L);
            m.zoom.StopRoll();
        };
        Both(a, b, roll, kZoomAndXy, name + " roll");
    }
    // clang-format off
    Both(a, b, [&](DisplayModel& m) { m.xy.rangeMain = false; m.zoom.SelectZoomRatio(ratios / 2, L); }, 0xF, "xy zoom");
    // clang-format on
    const int records = a.model->document.recordCount;
    for (int r = records - 1; r >= 0; --r)
        Both(
            a, b, [&](DisplayModel& m) { m.document.currentRecord = r; }, 0xF, "record " + std::to_string(r));
    Both(
        a, b, [&](DisplayModel& m) { m.document.overlayMarks.fill(1); }, 0xF, "overlays");
}

class SummaryRenderTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(SummaryRenderTest, WindowsOfAWaveFileAreDrawnAsWithoutSummaries) {
    wavegen::WvfDesc desc;
    desc.traces = wavegen::MakeTraces(5, "IS2,IU1,IS4,B16,IU2", wavegen::Signal::Noise, 7919);
    desc.traces[2].signal.kind = wavegen::Signal::Step;
    desc.blocks = 3;
    desc.samples = 600001;
    const std::string path = dir.File("mixed.wvf");
    ASSERT_TRUE(wavegen::WriteWvf(path, desc));
    WaveDocument doc(int64_t{256} << 20);
    ASSERT_TRUE(doc.Load(path).ok);
    CWaveFile plain;
    ASSERT_EQ(plain.Open(path, 0), -1);
    ExpectSameDisplays(*doc.Current(), plain);
    EXPECT_EQ(doc.Summaries().Count(), 3u * 5);
}

TEST_F(SummaryRenderTest, WindowsOfRealtimeAndFloatingFilesAreDrawnAsWithoutSummaries) {
    wavegen::RtmDesc rtm;
    rtm.samples = 3000001;
    rtm.reduction = wavegen::RtmReduction::MinMax;
    rtm.signal.kind = wavegen::Signal::Noise;
    rtm.regions[0].ring = true;
    rtm.regions[0].ringStart = 4096;
    rtm.regions[0].frames = rtm.samples / 2 + 33;
    ASSERT_TRUE(wavegen::WriteRtm(dir.File("run.rtm"), rtm));
    WaveDocument doc(int64_t{256} << 20);
    ASSERT_TRUE(doc.Load(dir.File("run.rtm")).ok);
    CRtmFile plainRtm;
    ASSERT_EQ(plainRtm.Open(dir.File("run.rtm"), 0), -1);
    ExpectSameDisplays(*doc.Current(), plainRtm);

    wavegen::FldDesc fld;
    fld.samples = 2000003;
    fld.signal.kind = wavegen::Signal::Noise;
    ASSERT_TRUE(wavegen::WriteFld(dir.File("values.fld"), fld));
    ASSERT_TRUE(doc.Load(dir.File("values.fld")).ok);
    CFldFile plainFld;
    ASSERT_EQ(plainFld.Open(dir.File("values.fld"), 0), -1);
    ExpectSameDisplays(*doc.Current(), plainFld);
}

// Opening a file and drawing the four windows reads every sample of the current
// record once (and of the other records whose thumbnails are shown), whatever
// the windows need; without summaries the current record is read three times.
TEST_F(SummaryRenderTest, TheFirstFrameReadsEachSampleOnce) {
    wavegen::WvfDesc desc;
    desc.traces = wavegen::MakeTraces(4, "IS2", wavegen::Signal::Sine, 100000);
    desc.blocks = 1;
    desc.samples = int64_t{3} << 20;
    const std::string path = dir.File("one.wvf");
    ASSERT_TRUE(wavegen::WriteWvf(path, desc));
    const double recordBytes = 4.0 * 2 * static_cast<double>(desc.samples);
    for (const int64_t budget : {int64_t{256} << 20, int64_t{0}}) {
        WaveDocument doc(budget);
        ReadMonitor monitor;
        doc.SetReadMonitor(&monitor);
        ASSERT_TRUE(doc.Load(path).ok);
        Display display(*doc.Current());
        // The XY figure of the whole record reads its samples once more (below).
        display.model->shown[static_cast<size_t>(WindowId::Xy)] = false;
        display.Redraw();
        const double perByte = static_cast<double>(monitor.bytesRead.load()) / recordBytes;
        if (budget > 0) {
            EXPECT_GE(perByte, 1.0);
            EXPECT_LT(perByte, 1.01);
        } else {
            EXPECT_GT(perByte, 2.5);
        }
        // Shown, the XY window draws its figure from every sample pair once: one more read of
        // the record, and none when it is drawn again.
        display.model->shown[static_cast<size_t>(WindowId::Xy)] = true;
        const int64_t before = monitor.bytesRead.load();
        display.Redraw(1u << static_cast<uint32_t>(WindowId::Xy));
        const double xyPerByte = static_cast<double>(monitor.bytesRead.load() - before) / recordBytes;
        EXPECT_GE(xyPerByte, 0.99);
        EXPECT_LT(xyPerByte, 1.01);
        const int64_t again = monitor.bytesRead.load();
        display.Redraw(1u << static_cast<uint32_t>(WindowId::Xy));
        EXPECT_EQ(monitor.bytesRead.load(), again);
    }
}

}  // namespace
}  // namespace kivelo
