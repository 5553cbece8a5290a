#pragma once
// Automatic measurements of a span of one record of one trace, in physical
// values (stored x VResolution + VOffset; a floating file's values as stored):
// min, max, pp, mean, rms and acrms from moments summaries (exact for integer
// samples), and frequency, period, duty, rise and fall from the span's level
// crossings. Logic traces have none of them.
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "wavefile/CWaveFile.h"

namespace kivelo {

class MomentsCache;

struct TraceMeasurement {
    std::optional<double> min, max, pp, mean, rms, acrms, frequency, period, duty, rise, fall;
    int64_t nan = 0;  // samples that are not finite numbers, left out of every measure
};

struct MeasureOptions {
    // Raised from another thread: the measurement stops soon and fails with an empty error.
    const std::atomic<bool>* stop = nullptr;
    // The same for the record's summary built on the way (null: stop): a summary is
    // worth finishing for later spans, so a window lets only its closing end it.
    const std::atomic<bool>* stopSummary = nullptr;
    // False: only the moment measures (no pass over the span's samples).
    bool crossings = true;
    // Null: SharedMomentsCache().
    MomentsCache* cache = nullptr;
};

// Measures [first, first + count) of block `block` of trace `trace` (0 = W1). false
// with the cause in error when the file cannot give those samples.
bool MeasureTrace(CWaveFile& file, int block, int trace, int64_t first, int64_t count, TraceMeasurement& out,
                  std::string& error);
bool MeasureTrace(CWaveFile& file, int block, int trace, int64_t first, int64_t count, TraceMeasurement& out,
                  std::string& error, const MeasureOptions& options);

// The measures in the order of their keys ("min" .. "fall"), for every writer of them.
struct MeasurementField {
    const char* key;
    std::optional<double> TraceMeasurement::*value;
};
std::span<const MeasurementField> MeasurementFields();

// What names a measured trace in reports.
struct MeasuredTrace {
    std::string label;  // "W1"
    std::string name, unit;
    std::string kind;  // "signed", "unsigned", "float" or "logic"
    TraceMeasurement values;
};
// Label, name, unit and kind of a trace of an open file; false when there is no such trace.
bool DescribeTrace(CWaveFile& file, int trace, MeasuredTrace& out);

// JSON texts: a trace's object {"trace": .., "name": .., "unit": .., "kind": .., "min": .., ..., "nan": N}
// and the whole report {"file": .., "block": N, "first": N, "count": N, "traces": [...]}; numbers with
// 17 significant digits, null for every undefined value.
std::string MeasuredTraceJson(const MeasuredTrace& trace);
std::string MeasurementReportJson(const std::string& path, int block, int64_t first, int64_t count,
                                  std::span<const MeasuredTrace> traces);
// A JSON string of text: quotes, backslashes, control characters and bytes that
// are no UTF-8 escaped (the latter taken as Latin-1).
std::string JsonString(std::string_view text);
// 17 significant digits; null when empty or not finite.
std::string JsonNumber(std::optional<double> value);

}  // namespace kivelo
