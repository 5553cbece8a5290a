#pragma once
// Measurements of a span of one trace through the analysis library, with the
// keys of `kivelo-cli measure --json`.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "RecordFile.h"

namespace kivelo::py {

struct MeasureResult {
    // min, max, pp, mean, rms, acrms, frequency, period, duty, rise, fall; empty: undefined.
    std::vector<std::pair<std::string, std::optional<double>>> values;
    int64_t nan = 0;
};

// Status kUnavailable when the module was built without the analysis library.
Status MeasureSpan(RecordFile& record, int trace, int block, int64_t first, int64_t count, MeasureResult& out);

}  // namespace kivelo::py
