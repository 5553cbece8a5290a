#pragma once
// For dense XY figures, whose later pairs mostly paint over what earlier ones
// painted: drawn from the end backward, they leave only a few pixels that the
// earlier runs could reach below the last trace's rank, and those are then
// looked for one by one.
#include <cstdint>
#include <vector>

#include "display/XyStroke.h"

namespace kivelo {

// Whether the layer's painted pixels leave no gap along any row or column and
// cover at least half the rectangle they span: what a dense figure of traces
// around a common centre paints (and a line or a curve does not).
bool Dense(const XyLayer& layer);

// The pixels of a layer's area that lines between some points can paint: the
// rectangles their points span, strictly inside the area (whose first column and
// row are its edges), as lines and their cuts at the edge never leave them.
class XyReach {
public:
    XyReach(int64_t left, int64_t top, int64_t width, int64_t height);
    // Columns x0..x1 and rows y0..y1, in plane coordinates, in either order.
    void AddRectangle(int64_t x0, int64_t x1, int64_t y0, int64_t y1);
    int64_t Count() const { return count_; }
    bool Has(size_t i) const { return marks_[i] != 0; }

private:
    int64_t left_, top_, width_, height_;
    std::vector<uint8_t> marks_;  // row by row, as a layer's codes
    int64_t count_ = 0;
};

}  // namespace kivelo
