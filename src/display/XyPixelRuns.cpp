#include "display/XyPixelRuns.h"

#include <algorithm>

namespace kivelo {

XyPixelRuns::XyPixelRuns(const std::vector<int32_t>& byDisplayed) {
    for (int v = -32768; v <= 32767; ++v) {
        const int32_t pixel = byDisplayed[static_cast<uint16_t>(v)];
        if (runs_.empty() || runs_.back().pixel != pixel)
            runs_.push_back({static_cast<int16_t>(v), static_cast<int16_t>(v), pixel});
        else runs_.back().high = static_cast<int16_t>(v);
    }
}

size_t XyPixelRuns::Search(int16_t v) const {
    const auto after =
        std::upper_bound(runs_.begin(), runs_.end(), v, [](int16_t x, const Run& r) { return x < r.low; });
    return static_cast<size_t>(after - runs_.begin()) - 1;
}

}  // namespace kivelo
