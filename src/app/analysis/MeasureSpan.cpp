#include "app/analysis/MeasureSpan.h"

#include <algorithm>
#include <cmath>

namespace kivelo::app {

SampleSpan SpanOf(const DisplayModel& model, SpanChoice choice) {
    const int64_t length = model.document.loaded ? model.document.recordLength : 0;
    if (length <= 0) return {};
    switch (choice) {
    case SpanChoice::WholeRecord: return {0, length};
    case SpanChoice::Cursors: return CursorSpan(model);
    case SpanChoice::ZoomStretch: break;
    }
    const int64_t first = std::clamp<int64_t>(model.zoom.ZoomStart(), 0, length - 1);
    return {first, std::clamp<int64_t>(model.zoom.SpanOf(length), 1, length - first)};
}

RecordSpan CurrentSpan(const WaveDocument& document, const DisplayModel& model, SpanChoice choice) {
    RecordSpan r;
    if (!document.IsOpen() || !model.document.loaded) return r;
    r.path = document.Path();
    r.generation = model.document.generation;
    r.block = model.document.currentRecord;
    r.span = SpanOf(model, choice);
    return r;
}

SampleSpan CursorSpan(const DisplayModel& model) {
    const int64_t length = model.document.loaded ? model.document.recordLength : 0;
    if (length <= 0) return {};
    const ViewArea& area = model.Area(WindowId::Zoom);
    const size_t slot = CursorState::Slot(WindowId::Zoom);
    const double width = std::max<int>(area.areaWidth, 1);
    const double span = static_cast<double>(model.zoom.SpanOf(length));
    // As the cursor readout: the column's place in the stretch, the cursor kept inside the trace area.
    const auto sampleAt = [&](int32_t x) {
        const double column = std::clamp<double>(x - area.areaX, 0.0, width);
        return static_cast<int64_t>(std::floor(column / width * span)) + model.zoom.ZoomStart();
    };
    const int64_t a = std::clamp<int64_t>(sampleAt(model.cursors.mesX[slot]), 0, length - 1);
    const int64_t b = std::clamp<int64_t>(sampleAt(model.cursors.refX[slot]), 0, length - 1);
    return {std::min(a, b), std::abs(a - b) + 1};
}

std::vector<std::pair<int, int>> ZoomTraces(const DisplayModel& model) {
    std::vector<std::pair<int, int>> out;
    if (!model.document.loaded) return out;
    for (int i = 0; i < kTraceCount; ++i) {
        if (model.zoom.onOff[static_cast<size_t>(i)] != kTraceOn) continue;
        const int channel = ChannelOf(model.zoom.onOff, i);
        if (channel >= 0) out.emplace_back(i, channel);
    }
    return out;
}

}  // namespace kivelo::app
