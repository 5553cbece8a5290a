#pragma once
// The Main window: the whole current record with labels, times and cursors.
#include "display/RenderTarget.h"

namespace kivelo {

// full: the whole client area; otherwise only the plane from the trace
// area's corner on. False when nothing was drawn (frame too small).
bool DrawMainWindow(const RenderTarget& target, bool full = true);

// Trace area of a window of W x H (H below the panel) for the Main window.
void LayOutMainArea(ViewArea& area, int width, int height);

enum class RangeResult { Accepted, Refused };
// Upper/lower band values for the selected trace; 0/0 restores the defaults.
// The trace is changed in the main, zoom and history sets alike.
RangeResult SetTraceRange(DisplayModel& model, double upper, double lower);

}  // namespace kivelo
