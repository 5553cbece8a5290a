#include <gtest/gtest.h>

#include "RecordingPainter.h"
#include "Wavegen.h"
#include "common/TempDir.h"
#include "display/DocumentBinding.h"
#include "display/FirstFrameEstimate.h"
#include "display/MainWindowRenderer.h"
#include "display/TraceRasterizer.h"
#include "display/WindowPlacement.h"

namespace kivelo {
namespace {

// A generated .wvf/.hdr pair drawn through the real waveform model: every column
// holds trace 1 inside its band, reaching both peaks of the 80 % sine.
TEST(WaveFileRender, GeneratedSineFillsItsBand) {
    TempDir dir;
    wavegen::WvfDesc desc;
    desc.traces = wavegen::MakeTraces(2, "IS2", wavegen::Signal::Sine, 10000);
    desc.blocks = 2;
    desc.samples = 40000;
    ASSERT_TRUE(wavegen::WriteWvf(dir.File("sine.wvf"), desc));
    CWaveFile file;
    ASSERT_EQ(file.Open(dir.File("sine.wvf"), 0), -1);
    auto model = std::make_unique<DisplayModel>();
    BindDocument(*model, file);
    EXPECT_EQ(model->document.recordCount, 2);
    EXPECT_EQ(model->mainOnOff[2], kTraceAbsent);
    model->mainSplit = 2;
    test::RecordingPainter painter(900, 500);
    auto cache = std::make_unique<RenderCache>();
    const RenderTarget target{*model, *cache, &file, painter, TextMetrics::Normal(), 1280, 1024};
    PlaceWindow(*model, target, WindowId::Main);
    ASSERT_TRUE(DrawMainWindow(target));
    EXPECT_EQ(cache->Drawn(WindowId::Main)[0].pointCount, 2000u);
    const ViewArea& a = model->Area(WindowId::Main);
    const BandGeometry band = BandGeometry::Of(a, model->mainSet[0]);
    int top = band.bandBottom, bottom = band.bandTop;
    for (int x = a.AreaLeft(); x < a.AreaLeft() + a.areaWidth; ++x) {
        bool found = false;
        for (int y = band.bandTop; y < band.bandBottom; ++y)
            if ((cache->plane.At(x, y) & 0x1F) == 1) found = true, top = std::min(top, y), bottom = std::max(bottom, y);
        ASSERT_TRUE(found) << x;
    }
    const double half = (band.bandBottom - band.bandTop) / 2.0 * 1.024;  // vertical zoom 1.024
    EXPECT_NEAR(band.centreRow - top, 0.8 * half, 3);
    EXPECT_NEAR(bottom - band.centreRow, 0.8 * half, 3);
}

// The busy window's total for the first frame: the current record at each
// trace's width, once for Main and once per History thumbnail shown.
TEST(WaveFileRender, FirstFrameEstimateCountsMainAndEachThumbnail) {
    TempDir dir;
    wavegen::WvfDesc desc;
    desc.traces = wavegen::MakeTraces(3, "IS2", wavegen::Signal::Sine, 1000);
    desc.traces[2].type = "IS4";
    desc.blocks = 3;
    desc.samples = 5000;
    ASSERT_TRUE(wavegen::WriteWvf(dir.File("e.wvf"), desc));
    CWaveFile file;
    ASSERT_EQ(file.Open(dir.File("e.wvf"), 0), -1);
    auto model = std::make_unique<DisplayModel>();
    BindDocument(*model, file);
    const int64_t record = 5000 * (2 + 2 + 4);
    model->shown[2] = false;
    EXPECT_EQ(FirstFrameReadBytes(file, *model), record);
    model->shown[2] = true;
    const int thumbs = std::min(3, model->history.CellsShown());
    EXPECT_EQ(FirstFrameReadBytes(file, *model), record * (1 + thumbs));
}

}  // namespace
}  // namespace kivelo
