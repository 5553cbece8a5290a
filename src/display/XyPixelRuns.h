#pragma once
// One axis of the XY plot cut into runs of display values that share a pixel.
// The position of a value is monotonic in it, so each run is a closed range of
// values: samples that stay on one pixel are recognised by comparing values.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "display/XyAxis.h"

namespace kivelo {

class XyPixelRuns {
public:
    struct Run {
        int16_t low, high;
        int32_t pixel;
    };

    // The runs of the pixels from `first` to `last` (the area and its edges); a
    // value whose pixel lies beyond them is a run by itself.
    XyPixelRuns(const XyAxis& axis, int64_t first, int64_t last);

    // The run holding v: its pixel worked out, its run looked up by pixel in a
    // table small enough to stay in the processor's cache.
    Run RunOf(int16_t v) const {
        const int64_t pixel = axis_.Pixel(v);
        const auto i = static_cast<uint64_t>(pixel - first_);
        if (i < byPixel_.size()) [[likely]]
            return byPixel_[i];
        return {v, v, static_cast<int32_t>(pixel)};
    }

    const XyAxis& Axis() const { return axis_; }

    // The values low..high such that the pixels of two values a and b span pixel c
    // exactly when min(a, b) <= high and max(a, b) >= low; false when no two do.
    bool Reaching(int64_t c, int16_t& low, int16_t& high) const;

private:
    XyAxis axis_;
    int64_t first_;
    std::vector<Run> byPixel_;
};

}  // namespace kivelo
