#include "RecordMeasure.h"

namespace kivelo::py {

Status MeasureSpan(RecordFile& record, int trace, int block, int64_t first, int64_t count, MeasureResult& out) {
    return {Status::kUnavailable, "measure needs the analysis library", 0};
}

}  // namespace kivelo::py
