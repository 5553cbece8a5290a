#include "display/XyPixelRuns.h"

namespace kivelo {

XyPixelRuns::XyPixelRuns(const std::vector<int32_t>& byDisplayed) : runOfValue_(size_t{1} << 16) {
    for (int v = -32768; v <= 32767; ++v) {
        const int32_t pixel = byDisplayed[static_cast<uint16_t>(v)];
        if (runs_.empty() || runs_.back().pixel != pixel)
            runs_.push_back({static_cast<int16_t>(v), static_cast<int16_t>(v), pixel});
        else runs_.back().high = static_cast<int16_t>(v);
        // At most 65536 runs, one per value.
        runOfValue_[static_cast<uint16_t>(v)] = static_cast<uint16_t>(runs_.size() - 1);
    }
}

}  // namespace kivelo
