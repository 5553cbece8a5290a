#pragma once
// One trace's line through a long stretch of XY sample pairs, painted into a
// layer of the area from its latest pair backward. The traces are plotted one
// after the other, so a pixel shows the latest trace whose lines reach it: the
// layer keeps that trace's rank, whatever order the lines come in. The pairs that
// stay on the pixel of the point before draw nothing new: they are passed a
// vector at a time while they stay inside the box of values of that pixel, and a
// point is looked up only where a pair leaves it. A block of pairs whose lines
// can only reach pixels of this trace's rank or a later one is passed whole: told
// by the rectangle of its pixels, or, where that holds an earlier rank, by their
// octagon (x + y and x - y between those of its pairs), which a diagonal line's
// block fills far less.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "display/XyAxis.h"
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

// What one thread painted into the area, row by row: at each pixel the rank of the
// latest trace in plotting order whose lines reach it (1 for the first), 0 where none.
// Within a trace every line has the same colour, so that rank is the pixel's
// colour whatever order the lines are drawn in.
struct XyLayer {
    int64_t left = 0, top = 0, width = 0;
    std::vector<uint8_t> codes;
};

// The first of rows y0..y1 (plane coordinates, in order, inside the layer's area)
// that holds a pixel of a rank before `rank` in columns x0..x1 (in order), or y1 + 1
// when every pixel holds `rank` or a later one. Vectorised for the processor's
// best instruction set.
int64_t FirstRowBelowRank(const XyLayer& layer, int64_t x0, int64_t x1, int64_t y0, int64_t y1, uint8_t rank);

// Pairs taken together when looking whether their lines can reach an unpainted
// pixel: a run's pairs from the first on, block j from pair j x kXyBlock.
inline constexpr size_t kXyBlock = 256;

// The pixels of n values on an axis whose pixels fit 16 bits (SixteenBitPixels),
// as its Pixel works them out. Vectorised for the processor's best instruction set.
void XyPixelsOf(const XyAxis& axis, const int16_t* values, size_t n, int16_t* out);

// The pixels along one axis that the lines ending in each block of pairs can
// reach: those of the block's values and of the value before it, cut to first..last.
// Blocks whose joint rectangle is looked at first.
inline constexpr size_t kXyGroup = 8;

struct XyBlockReach {
    std::vector<int64_t> low, high;  // per block; low > high when none
    // Per group of kXyGroup blocks: the least low and greatest high of its blocks
    // (low > high when none of them reaches any pixel).
    std::vector<int64_t> groupLow, groupHigh;
    std::vector<int16_t> lows, highs;  // the blocks' extremes with the value before, reused
    // The X trace's pixels of the run's values, worked out a block at a time when
    // a trace first needs them and kept for the traces after it.
    std::vector<int16_t> pixels;
    std::vector<uint8_t> pixelsKnown;  // per block

    // For the n values of a run. Vectorised for the processor's best instruction set.
    // The smallest and largest values of its whole blocks, when known already (as
    // a summary's pairs, in either order: 2 x (n / kXyBlock) values), are taken as they are.
    void Of(const int16_t* values, size_t n, const XyPixelRuns& runs, int64_t first, int64_t last,
            std::span<const int16_t> wholePairs = {});
    size_t Blocks() const { return low.size(); }
};

struct XyStroke {
    // Blocks spanning more pixels than this are drawn without looking.
    static constexpr int64_t kLookedAt = 256;

    XyStroke(const XyPixelRuns& columnRuns, const XyPixelRuns& rowRuns, const XyBox& box, uint8_t traceRank)
        : columns(&columnRuns), rows(&rowRuns), pen(box), rank(traceRank) {}
    // Where pair (x, y) goes: its pixel, and the values that stay on that pixel.
    [[gnu::always_inline]] XyPoint Reach(int16_t x, int16_t y) {
        const XyPixelRuns::Run c = columns->RunOf(x), r = rows->RunOf(y);
        box = {c.low, c.high, r.low, r.high};
        return {c.pixel, r.pixel};
    }
    // Draws the line through the pairs (xs[i], ys[i]) of a run into the pixels of
    // the layer that hold an earlier rank, passing the blocks of pairs whose lines
    // can reach none. `columns` holds the reach of the run's blocks in X (the X
    // trace's, shared, keeping the X pixels worked out), `rows` in Y (this trace's).
    void AddBackward(const int16_t* xs, const int16_t* ys, size_t n, XyBlockReach& columns, const XyBlockReach& rows,
                     XyLayer& layer);
    // The line from pair (x0, y0) to the next pair (x1, y1), drawn as AddBackward draws it.
    void JoinBackward(int16_t x0, int16_t y0, int16_t x1, int16_t y1, XyLayer& layer);
    // The first pair of a figure is painted by itself, before any line, as the pen does.
    void PaintFirst(int16_t x, int16_t y, XyLayer& layer);

    // Pixel (x, y), inside the area, gets the stroke's rank unless it holds a later one.
    void Paint(int64_t x, int64_t y, XyLayer& layer) const;

    const XyPixelRuns* columns;
    const XyPixelRuns* rows;
    XyPen pen;
    uint8_t rank;
    XyValueBox box{};
    XyBlockReach rowReach;        // for the caller, reused run by run
    std::vector<XyPoint> points;  // a block's points, reused
};

}  // namespace kivelo
