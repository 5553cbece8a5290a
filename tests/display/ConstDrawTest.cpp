// Drawing reads the model only: every window drawn twice from a const model
// gives the same plane and painter calls, and leaves every value a draw used
// to write in the model as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "FakeWaveFile.h"
#include "RecordingPainter.h"
#include "display/ColourCode.h"
#include "display/DocumentBinding.h"
#include "display/RedrawAll.h"
#include "display/WindowPlacement.h"

namespace kivelo {
namespace {

using test::FakeWaveFile;
using test::RecordingPainter;

// Everything drawing wrote into the model before it moved to the render cache.
std::vector<int64_t> WrittenByDrawing(const DisplayModel& m) {
    std::vector<int64_t> v;
    for (const ViewArea& a : m.areas)
        v.insert(v.end(), {a.splitCount, a.windowX, a.windowY, a.windowWidth, a.windowHeight, a.areaX, a.areaY,
                           a.areaWidth, a.areaHeight});
    v.insert(v.end(), {m.zoom.ZoomStart(), m.history.Columns(), m.history.Rows(), m.Snapshot()});
    for (const size_t s : {size_t{0}, size_t{1}}) {
        v.push_back(std::llround(m.cursors.mes[s] * 1e6));
        v.push_back(std::llround(m.cursors.ref[s] * 1e6));
        v.push_back(m.cursors.mesColumn[s].value_or(-1));
        v.push_back(m.cursors.refColumn[s].value_or(-1));
    }
    for (const TraceSet* set : {&m.mainSet, &m.zoomSet, &m.historySet})
        for (const DisplayTrace& t : *set) {
            v.insert(v.end(), {t.displayOn, t.positionSlot, t.colour, t.pointCount, t.columnCount, t.pairCount,
                               static_cast<int64_t>(t.loaded.document), t.loaded.record, t.loaded.start});
            v.insert(v.end(), t.samples.begin(), t.samples.end());
        }
    return v;
}

TEST(DrawingReadsTheModelOnly, EveryWindowTwiceGivesTheSamePlaneAndLeavesTheModelAsItWas) {
    FakeWaveFile file;
    std::vector<std::vector<int16_t>> sines, cosines;
    for (int r = 0; r < 3; ++r) {
        sines.emplace_back();
        cosines.emplace_back();
        for (int i = 0; i < 30000; ++i) {
            sines.back().push_back(static_cast<int16_t>((12000 - 3000 * r) * std::sin(i * 0.002)));
            cosines.back().push_back(static_cast<int16_t>(15000 * std::cos(i * 0.002)));
        }
    }
    file.AddTrace("SIN", sines);
    file.AddTrace("COS", cosines);
    file.AddTrace("BITS", cosines, kKindBit);
    auto model = std::make_unique<DisplayModel>();
    auto cache = std::make_unique<RenderCache>();
    DisplayModel& m = *model;
    BindDocument(m, file);
    LayoutInput in;
    in.frame = {0, 0, 1280, 1024};
    const LayoutResult layout = LayOutWindows(in);
    ApplyLayout(m, *cache, layout);
    // Overlays, a snapshot, split groups, a zoomed stretch and cursors still given as columns.
    m.document.overlayMarks[2] = 1;
    m.mainSplit = 2;
    m.zoom.SelectZoomRatio(3, m.document.recordLength);
    m.zoom.SetPosition(0.3e11, m.document.recordLength);
    m.xy.xTrace = 1;
    m.cursors.SetColumns(300, 120);
    m.cursors.mesTrace = 0;

    struct Drawn {
        std::vector<uint8_t> plane;
        std::array<std::string, kWindowCount> logs;
    };
    const auto draw = [&](const DisplayModel& shown, bool place) {
        std::array<std::unique_ptr<RecordingPainter>, kWindowCount> painters;
        std::array<DisplayPainter*, kWindowCount> targets{};
        for (size_t i = 0; i < kWindowCount; ++i) {
            painters[i] = std::make_unique<RecordingPainter>(layout.windows[i].width, layout.windows[i].height);
            targets[i] = painters[i].get();
        }
        if (place) PlaceWindows(m, *cache, &file, targets, TextMetrics::Normal(), 1280, 1024);
        RedrawAll(shown, *cache, &file, targets, TextMetrics::Normal(), 1280, 1024);
        Drawn d;
        d.plane.assign(cache->plane.Bytes().begin(), cache->plane.Bytes().end());
        for (size_t i = 0; i < kWindowCount; ++i) d.logs[i] = painters[i]->log;
        return d;
    };
    draw(m, true);
    m.SetSnapshot(true);
    m.document.currentRecord = 1;
    const Drawn first = draw(m, true);
    const std::vector<int64_t> before = WrittenByDrawing(m);
    const Drawn second = draw(m, false);
    EXPECT_EQ(WrittenByDrawing(m), before);
    EXPECT_EQ(second.plane, first.plane);
    for (size_t i = 0; i < kWindowCount; ++i) EXPECT_EQ(second.logs[i], first.logs[i]) << "window " << i;
    // The snapshot and the overlay are in the picture.
    EXPECT_TRUE(std::any_of(first.plane.begin(), first.plane.end(),
                            [](uint8_t b) { return (b & colour_code::kHighlightBit) != 0; }));
}

}  // namespace
}  // namespace kivelo
