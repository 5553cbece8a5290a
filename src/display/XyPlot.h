#pragma once
// Plotting one trace against the X trace inside a square area.
#include <cstdint>
#include <span>
#include <vector>

#include "display/DisplayTrace.h"
#include "display/RasterPlane.h"
#include "display/ViewArea.h"

namespace kivelo {

struct XyPoint {
    int64_t x = 0;
    int64_t y = 0;
};

// Plane position of display point (xs, ys) for the X trace's and the trace's scaling.
XyPoint XyPosition(const ViewArea& area, const DisplayTrace& xTrace, const DisplayTrace& trace, int xs, int ys);

// Joins successive points with straight lines; only pixels strictly inside
// the area are written. Nothing for logic traces or the X trace itself.
void DrawXY(RasterPlane& plane, const ViewArea& area, const DisplayTrace& trace, const DisplayTrace& xTrace,
            uint32_t colour);
// Plot columns of the X trace's points, the same for every trace drawn against it.
std::vector<int64_t> XyColumns(const ViewArea& area, const DisplayTrace& xTrace);
// DrawXY with the X trace's columns worked out beforehand (the trace must not be the X trace).
void DrawXY(RasterPlane& plane, const ViewArea& area, const DisplayTrace& trace, std::span<const int64_t> columns,
            uint32_t colour);

}  // namespace kivelo
