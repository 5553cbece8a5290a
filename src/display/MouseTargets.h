#pragma once
// What a mouse press in a Main or Zoom window lands on: a trace label, or
// the zoom frame in the Main window, and where dragging that frame leads.
#include <cstdint>

#include "display/DisplayModel.h"
#include "display/RenderCache.h"

namespace kivelo {

// Press in the label column (right of the trace area, below the panel).
bool InLabelColumn(const ViewArea& area, int x, int y);
// Trace whose three label lines hold window row y: traces that are on,
// in order; a logic trace (which has no range to set) gives none.
int TraceAtLabelRow(const TraceSet& set, int y, int lineHeight);

// Press within 3 pixels of the zoom frame's left or right edge, or between
// them in the top or bottom 5 rows of the Main trace area (window coordinates).
bool OnZoomFrame(const ViewArea& mainArea, const ZoomFrameMark& frame, int x, int y);
// Zoom position while the frame is dragged from pressX to x, kept in the record.
double DraggedZoomPosition(const ZoomController& zoom, const ViewArea& mainArea, int64_t recordLength, int pressX,
                           int x);

}  // namespace kivelo
