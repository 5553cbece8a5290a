#include "ExerciseReader.h"

#include <algorithm>
#include <vector>

namespace kivelo::fuzz {

void ExerciseReader(CWaveFile& file) {
    constexpr int64_t kMaxSamples = 4096;
    const int traces = std::min(file.GetTraceTotalNumber(), 6);
    const int blocks = std::min(file.GetBlockNumber(), 3);
    std::vector<uint8_t> bytes(kMaxSamples * 4 + 16);
    std::vector<ValueText> texts(kMaxSamples);
    std::vector<double> values(kMaxSamples);
    std::string date, time, model;
    HorzInfo horz;
    file.GetModel(model);
    file.GetHorzInfo(horz);
    file.GetChannelMask();
    for (int b = -1; b <= blocks; ++b) {
        file.GetDateTime(b, date, time);
        for (int t = -1; t <= traces; ++t) {
            TraceInfo info;
            file.GetTraceInfo(t, info);
            file.SetBlock(std::max(b, 0));
            file.SetTrace(std::max(t, 0));
            const int64_t n = std::clamp<int64_t>(file.GetBlockSize(), 0, kMaxSamples);
            int64_t out = 0;
            for (int code = 0; code <= 4; ++code) file.ReadData(b, t, 0, n, bytes, out, code);
            // Each trace's text table is 1.3 MB; two traces cover the text paths.
            if (t <= 1) file.ReadText(b, t, 1, n, texts, out);
            file.ReadValues(b, t, 0, n, values, out);
            for (int step : {512, 640, 1024, 256 * 7 + 3}) {
                // Keep the envelope output within the buffer: at most 2 values per group.
                const int64_t count = std::min<int64_t>(n, 1000);
                file.ReadEnvelope(step, b, t, 0, count, bytes, out, 2);
            }
            for (int ratio : {1, 150, 1500}) file.ReadEnvelopeRatio(ratio, b, t, 0, n, bytes, out, 0);
        }
    }
}

}  // namespace kivelo::fuzz
