#pragma once
// Moving and magnifying one trace vertically by mouse.
#include "display/DisplayTrace.h"
#include "display/ViewArea.h"

namespace kivelo {

// Moves the trace by dy pixels (positive: down).
void ShiftVertically(DisplayTrace& trace, const ViewArea& area, int dy);
// Doubles (in) or halves the vertical zoom so that the plane row `row` keeps
// showing the same value. Refused (false) at 64x going in and 1/128 going out.
bool ZoomVertically(DisplayTrace& trace, const ViewArea& area, int row, bool zoomIn);

}  // namespace kivelo
