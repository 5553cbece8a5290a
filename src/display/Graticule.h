#pragma once
// Graticule of a window's trace area, drawn into the plane's graticule layer.
#include "display/RasterPlane.h"
#include "display/ViewArea.h"

namespace kivelo {

// Minor subdivisions of one division `pixels` wide.
int MinorSubdivisions(int pixels);

// Styles: 0 dot grid, 1 edge ticks, 2 centre lines with ticks, 3 dot grid
// without frame, 4 frame alone, 5 dot grid with the frame one pixel outside.
// Returns false (nothing drawn) with fewer than 2 divisions on an axis.
bool DrawGraticule(RasterPlane& plane, const ViewArea& area);

}  // namespace kivelo
