#include "display/FirstFrameEstimate.h"

#include <algorithm>

namespace kivelo {

int64_t FirstFrameReadBytes(CWaveFile& file, const DisplayModel& model) {
    int64_t perRecord = 0;
    for (int t = 0; t < file.GetTraceTotalNumber() && t < kTraceCount; ++t) {
        TraceInfo info;
        if (file.GetTraceInfo(t, info) == kFileOk && !info.BlockSizes.empty())
            perRecord += static_cast<int64_t>(info.BlockSizes[0]) * std::max(1, info.DataWidth);
    }
    const int thumbs = std::min(model.document.recordCount, model.history.CellsShown());
    return perRecord * (1 + (model.shown[2] ? thumbs : 0));
}

}  // namespace kivelo
