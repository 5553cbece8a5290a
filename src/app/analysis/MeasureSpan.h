#pragma once
// The span of the current record the analysis windows measure, from the display's
// state: the Zoom window's stretch, the stretch between its two cursors, or the
// whole record. Plain C++.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "display/DisplayModel.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::app {

enum class SpanChoice { ZoomStretch, Cursors, WholeRecord };

struct SampleSpan {
    int64_t first = 0;
    int64_t count = 0;
    friend bool operator==(const SampleSpan&, const SampleSpan&) = default;
};

SampleSpan SpanOf(const DisplayModel& model, SpanChoice choice);

// Which samples of which file: what an analysis window computes for.
struct RecordSpan {
    std::string path;  // empty: no file
    uint64_t generation = 0;
    int block = 0;
    SampleSpan span;
    friend bool operator==(const RecordSpan&, const RecordSpan&) = default;
};
RecordSpan CurrentSpan(const WaveDocument& document, const DisplayModel& model, SpanChoice choice);
// The samples between the Zoom window's Mes and Ref cursors (the only place that
// knows how cursors are kept).
SampleSpan CursorSpan(const DisplayModel& model);

// The traces the Zoom window shows: (display index, the file's trace index).
std::vector<std::pair<int, int>> ZoomTraces(const DisplayModel& model);

}  // namespace kivelo::app
