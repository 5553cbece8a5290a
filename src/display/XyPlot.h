#pragma once
// Plotting one trace against the X trace inside a square area.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "display/DisplayTrace.h"
#include "display/RasterPlane.h"
#include "display/ViewArea.h"
#include "display/XyAxis.h"
#include "display/XyLine.h"

namespace kivelo {

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

// Columns of X samples for the X trace's scaling.
std::vector<int64_t> XyColumns(const ViewArea& area, const DisplayTrace& xTrace, std::span<const int16_t> xSamples);
// One run of a long figure: the points (columns[i], row of samples[i]) for the
// trace's scaling, joined to each other and to `carry`, the last point of the
// run before (none for the first run), which is then the run's last point.
void DrawXYRun(RasterPlane& plane, const ViewArea& area, const DisplayTrace& trace, std::span<const int64_t> columns,
               std::span<const int16_t> samples, uint32_t colour, std::optional<XyPoint>& carry);

// The plot's axes: columns of X trace values, rows of a trace's values.
XyAxis XyColumnAxis(const ViewArea& area, const DisplayTrace& xTrace);
XyAxis XyRowAxis(const ViewArea& area, const DisplayTrace& trace);

}  // namespace kivelo
