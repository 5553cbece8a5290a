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

    // The run holding v: looked up, not searched, so that no branch depends on
    // where the samples go.
    const Run& RunOf(int16_t v) const { return runs_[runOfValue_[static_cast<uint16_t>(v)]]; }

private:
    std::vector<Run> runs_;
    std::vector<uint16_t> runOfValue_;  // indexed by the value's 16 bits
};

}  // namespace kivelo
