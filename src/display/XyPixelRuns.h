#pragma once
// One axis of the XY plot cut into runs of display values that share a pixel.
// The position of a value is monotonic in it, so each run is a closed range of
// values: samples that stay on one pixel are recognised by comparing values.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kivelo {

class XyPixelRuns {
public:
    struct Run {
        int16_t low, high;
        int32_t pixel;
    };

    // byDisplayed: the pixel of every display value, indexed by its 16 bits.
    explicit XyPixelRuns(const std::vector<int32_t>& byDisplayed);

    // Index of the run holding v; `hint`, the run of a nearby value, is tried
    // first (a few hundred runs for a window: they stay in the nearest cache).
    size_t RunOf(int16_t v, size_t hint) const;
    const Run& At(size_t index) const { return runs_[index]; }

private:
    std::vector<Run> runs_;
};

}  // namespace kivelo
