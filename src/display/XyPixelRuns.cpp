#include "display/XyPixelRuns.h"

#include <algorithm>
#include <cstdint>

namespace kivelo {

XyPixelRuns::XyPixelRuns(const XyAxis& axis, int64_t first, int64_t last)
    : axis_(axis), first_(first), byPixel_(static_cast<size_t>(std::max<int64_t>(last - first + 1, 0))) {
    // The pixel is monotonic in the value: a pixel's values follow each other.
    uint64_t previous = UINT64_MAX;
    for (int v = -32768; v <= 32767; ++v) {
        const auto i = static_cast<uint64_t>(axis.Pixel(v) - first);
        if (i >= byPixel_.size()) continue;
        const auto value = static_cast<int16_t>(v);
        if (i != previous) byPixel_[i] = {value, value, static_cast<int32_t>(first + static_cast<int64_t>(i))};
        byPixel_[i].high = value;
        previous = i;
    }
}

}  // namespace kivelo
