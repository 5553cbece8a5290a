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
    [[gnu::always_inline]] size_t RunOf(int16_t v, size_t hint) const {
        if (hint < runs_.size()) {
            const Run& r = runs_[hint];
            if (v < r.low) {
                if (hint > 0 && runs_[hint - 1].low <= v) return hint - 1;
            } else if (v <= r.high) {
                return hint;
            } else if (hint + 1 < runs_.size() && v <= runs_[hint + 1].high) {
                return hint + 1;
            }
        }
        return Search(v);
    }
    const Run& At(size_t index) const { return runs_[index]; }

private:
    size_t Search(int16_t v) const;

    std::vector<Run> runs_;
};

}  // namespace kivelo
