#pragma once
// Where a run of XY sample pairs first leaves a box of values: the pairs inside
// it land on the pixel of the point before and draw nothing new.
#include <cstddef>
#include <cstdint>

namespace kivelo {

struct XyValueBox {
    int16_t xLow, xHigh, yLow, yHigh;  // closed ranges
};

// Index of the first pair (xs[i], ys[i]) outside the box, or n when all are inside.
// Vectorised for the processor's best instruction set.
size_t FirstPairOutside(const int16_t* xs, const int16_t* ys, size_t n, const XyValueBox& box);

}  // namespace kivelo
