#include "display/DisplayPointLoader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <span>
#include <vector>

namespace kivelo {
namespace {

// A delivered 16-bit value as the display holds it: byte-wide samples in the
// upper byte, offset-binary samples as two's complement.
int16_t AsDisplayed(const DisplayTrace& trace, const uint8_t* bytes) {
    int16_t v;
    std::memcpy(&v, bytes, 2);
    uint16_t u = static_cast<uint16_t>(v);
    if (trace.bytesPerSample == 1) u = static_cast<uint16_t>(u << 8);
    if (!trace.isSigned) u = static_cast<uint16_t>(u + 0x8000);
    return static_cast<int16_t>(u);
}

}  // namespace

int32_t DisplayStepCode(int64_t recordLength, int64_t points) {
    if (points <= 0 || recordLength <= 0) return 512;
    const double s = std::trunc(static_cast<double>(recordLength) / static_cast<double>(points) * 512.0);
    return static_cast<int32_t>(std::clamp(s, 512.0, static_cast<double>(std::numeric_limits<int32_t>::max())));
}

bool LoadDisplayPoints(DisplayTrace& trace, const CWaveFile& file, int record, int32_t step, int64_t start, int points,
                       int channel) {
    trace.pointCount = 0;
    points = std::clamp(points, 0, DisplayTrace::kMaxPoints);
    if (points == 0 || channel < 0 || step < 256 || start < 0) return false;

    const int64_t length = file.GetBlockSize(record, channel);
    int64_t count = static_cast<int64_t>(points) * step / 512;
    count = std::min(count, length - start);
    if (count <= 0) return false;

    // Each reduced chunk may end in one extra pair; bound the output generously.
    const int64_t group = std::max<int64_t>(step / 256, 1);
    const int64_t values = 2 * (count / group + count / std::max<int64_t>(group * 10, 1) + 4) + count / group;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::max<int64_t>(values, points)) * 2);
    int64_t delivered = 0;
    const int rc = file.ReadEnvelope(step, record, channel, start, count, buffer, delivered, kWidth2);
    if (rc != kFileOk) return false;
    delivered = std::clamp<int64_t>(delivered, 0, static_cast<int64_t>(buffer.size() / 2));
    delivered = std::min<int64_t>(delivered, points);
    if (delivered <= 0) return false;

    for (int64_t i = 0; i < delivered; ++i)
        trace.samples[static_cast<size_t>(i)] = AsDisplayed(trace, buffer.data() + 2 * i);
    std::fill(trace.samples.begin() + delivered, trace.samples.begin() + points,
              trace.samples[static_cast<size_t>(delivered - 1)]);
    trace.pointCount = static_cast<uint32_t>(points);
    return true;
}

bool ReadStoredSamples(const CWaveFile& file, int record, int channel, int64_t start, int64_t count, SampleRun& out) {
    if (channel >= 0 && start >= 0 && count > 0) count = std::min(count, file.GetBlockSize(record, channel) - start);
    if (channel < 0 || start < 0 || count <= 0) {
        out.clear();
        return false;
    }
    // Read straight into out, whose storage is kept from run to run: resized from
    // what the run before left, only the difference is filled.
    out.resize(static_cast<size_t>(count) + 8);
    const std::span<uint8_t> bytes(reinterpret_cast<uint8_t*>(out.data()), out.size() * 2);
    int64_t delivered = 0;
    if (file.ReadEnvelope(512, record, channel, start, count, bytes, delivered, kWidth2) != kFileOk) {
        out.clear();
        return false;
    }
    out.resize(static_cast<size_t>(std::clamp<int64_t>(delivered, 0, count)));
    return !out.empty();
}

bool ReadSamples(const DisplayTrace& trace, const CWaveFile& file, int record, int channel, int64_t start,
                 int64_t count, SampleRun& out) {
    if (!ReadStoredSamples(file, record, channel, start, count, out)) return false;
    // AsDisplayed for every value, in place, a loop per step so that each vectorises.
    auto* u = reinterpret_cast<uint16_t*>(out.data());
    if (trace.bytesPerSample == 1)
        for (size_t i = 0; i < out.size(); ++i) u[i] = static_cast<uint16_t>(u[i] << 8);
    if (!trace.isSigned)
        for (size_t i = 0; i < out.size(); ++i) u[i] = static_cast<uint16_t>(u[i] ^ 0x8000);
    return true;
}

}  // namespace kivelo
