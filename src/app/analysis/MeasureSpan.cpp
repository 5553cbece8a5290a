#include "app/analysis/MeasureSpan.h"

#include <algorithm>
#include <cmath>

#include "display/CursorSamples.h"

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
    // The Zoom window's cursors as they are drawn: whole samples from one to the other.
    const CursorSamples c = CursorsOf(model, WindowId::Zoom);
    if (c.first > c.last) return {};
    return {c.first, c.last - c.first + 1};
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
