#pragma once
// One trace's line through a long stretch of XY sample pairs, painted into a
// layer of the area. The pairs that stay on the pixel of the point before draw
// nothing new: they are passed a vector at a time while they stay inside the
// box of values of that pixel, and a point is looked up only where a pair leaves it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "display/XyLine.h"
#include "display/XyPixelRuns.h"

namespace kivelo {

struct XyValueBox {
    int16_t xLow, xHigh, yLow, yHigh;  // closed ranges
};

// Index of the first pair (xs[i], ys[i]) outside the box, or n when all are inside.
// Vectorised for the processor's best instruction set.
size_t FirstPairOutside(const int16_t* xs, const int16_t* ys, size_t n, const XyValueBox& box);

// Pairs i whose line from pair i - 1 may pass a pixel: for some window, the two
// pairs' X values reach from at most xHigh to at least xLow and their Y values
// from at most yHigh to at least yLow. Appends those i in [1, n) to `out`, in order.
// Vectorised for the processor's best instruction set.
void PairsNear(const int16_t* xs, const int16_t* ys, size_t n, std::span<const XyValueBox> windows,
               std::vector<uint32_t>& out);

// The colour codes one thread painted into the area, row by row; 0 where it painted nothing.
struct XyLayer {
    int64_t left = 0, top = 0, width = 0;
    std::vector<uint8_t> codes;
};

struct XyStroke {
    XyStroke(const XyPixelRuns& columnRuns, const XyPixelRuns& rowRuns, const XyBox& box, uint8_t colour)
        : columns(&columnRuns), rows(&rowRuns), pen(box), code(colour) {}
    // Where pair (x, y) goes: its pixel, and the values that stay on that pixel.
    [[gnu::always_inline]] XyPoint Reach(int16_t x, int16_t y) {
        const XyPixelRuns::Run c = columns->RunOf(x), r = rows->RunOf(y);
        box = {c.low, c.high, r.low, r.high};
        return {c.pixel, r.pixel};
    }
    // Draws the line on through the pairs (xs[i], ys[i]) into the layer.
    void Add(const int16_t* xs, const int16_t* ys, size_t n, XyLayer& layer);

    const XyPixelRuns* columns;
    const XyPixelRuns* rows;
    XyPen pen;
    uint8_t code;
    XyValueBox box{};
    bool boxed = false;  // box holds the values of the pen's last point
};

}  // namespace kivelo
