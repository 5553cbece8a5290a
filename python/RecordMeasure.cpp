#include "RecordMeasure.h"

#if KIVELO_HAVE_ANALYSIS
#include "analysis/Measurement.h"
#endif

namespace kivelo::py {

Status MeasureSpan(RecordFile& record, int trace, int block, int64_t first, int64_t count, MeasureResult& out) {
#if KIVELO_HAVE_ANALYSIS
    return record.WithSpan(trace, block, first, count, [&](CWaveFile& file) -> Status {
        TraceMeasurement m;
        std::string error;
        if (!MeasureTrace(file, block, trace, first, count, m, error)) return {Status::kIoError, error, 0};
        out.values.clear();
        for (const MeasurementField& f : MeasurementFields()) out.values.emplace_back(f.key, m.*(f.value));
        out.nan = m.nan;
        return {};
    });
#else
    return {Status::kUnavailable, "measure needs the analysis library", 0};
#endif
}

}  // namespace kivelo::py
