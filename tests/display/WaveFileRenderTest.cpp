#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "DocumentBinding.h"
#include "MainWindowRenderer.h"
#include "RecordingPainter.h"
#include "TraceRasterizer.h"
#include "Wavegen.h"

namespace kivelo {
namespace {

// A generated .wvf/.hdr pair read through the real waveform model.
TEST(WaveFileRender, GeneratedFileDrawsItsSineInItsBand) {
    // The header is found by the first "wvf" or "rtm" in the whole path: keep them out of the folder name.
    char pattern[] = "/tmp/kv-display-render-XXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);
    const std::string path = (dir / "sine.wvf").string();
    wavegen::WvfDesc desc;
    desc.traces = wavegen::MakeTraces(2, "IS2", wavegen::Signal::Sine, 10000);
    desc.blocks = 2;
    desc.samples = 40000;
    ASSERT_TRUE(wavegen::WriteWvf(path, desc));

    CWaveFile file;
    ASSERT_EQ(file.Open(path, 0), -1);
    auto model = std::make_unique<DisplayModel>();
    BindDocument(*model, file);
    EXPECT_EQ(model->document.recordLength, 40000);
    EXPECT_EQ(model->document.recordCount, 2);
    EXPECT_EQ(model->mainOnOff[1], kTraceOn);
    EXPECT_EQ(model->mainOnOff[2], kTraceAbsent);
    EXPECT_EQ(model->zoom.RatioTexts().front(), "x1 ( 20kW)");

    model->mainSplit = 2;
    test::RecordingPainter painter(900, 500);
    ASSERT_TRUE(DrawMainWindow(RenderTarget{*model, &file, painter, TextMetrics::Normal(), 1280, 1024}));
    EXPECT_EQ(model->mainSet[0].pointCount, 2000u);
    // Four periods across the area: every column holds trace 1 inside its band,
    // reaching close to both extremes of the 80 % amplitude.
    const ViewArea& a = model->Area(WindowId::Main);
    const BandGeometry band = BandGeometry::Of(a, model->mainSet[0]);
    int top = band.bandBottom, bottom = band.bandTop;
    for (int x = a.AreaLeft(); x < a.AreaLeft() + a.areaWidth; ++x) {
        bool found = false;
        for (int y = band.bandTop; y < band.bandBottom; ++y)
            if ((model->plane.At(x, y) & 0x1F) == 1) {
                found = true;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        ASSERT_TRUE(found) << x;
    }
    const double half = (band.bandBottom - band.bandTop) / 2.0 * 1.024;  // vertical zoom 1.024
    EXPECT_NEAR(band.centreRow - top, 0.8 * half, 3);
    EXPECT_NEAR(bottom - band.centreRow, 0.8 * half, 3);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kivelo
