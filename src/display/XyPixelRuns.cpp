#include "display/XyPixelRuns.h"

#include <algorithm>

namespace kivelo {

XyPixelRuns::XyPixelRuns(const XyAxis& axis, int64_t first, int64_t last)
    : axis_(axis), first_(first), byPixel_(static_cast<size_t>(std::max<int64_t>(last - first + 1, 0))) {
    std::vector<bool> seen(byPixel_.size());
    for (int v = -32768; v <= 32767; ++v) {
        const auto i = static_cast<uint64_t>(axis.Pixel(v) - first);
        if (i >= byPixel_.size()) continue;
        Run& run = byPixel_[i];
        const auto value = static_cast<int16_t>(v);
        if (!seen[i]) run = {value, value, static_cast<int32_t>(first + static_cast<int64_t>(i))};
        run.high = value;  // values come in order and a pixel's values follow each other
        seen[i] = true;
    }
}

}  // namespace kivelo
