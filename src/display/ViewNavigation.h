#pragma once
// Where the wheel, a drag and the keys take the Zoom window's stretch, and
// how window columns and record samples map onto each other. Pure functions
// of the zoom state and the window's trace area.
#include <cstdint>

#include "display/ViewArea.h"
#include "display/ZoomController.h"

namespace kivelo {

// Sample position (fractional) under window column x of a trace area that
// spans `span` samples from `first`; x is clamped to the area.
double SampleAtColumn(const ViewArea& area, int64_t span, int64_t first, double x);
// Window column of a sample position, clamped to the area.
int ColumnOfSample(const ViewArea& area, int64_t span, int64_t first, double sample);

// One wheel notch: the next ratio of the list (`in`) or the previous one,
// keeping sample `anchor` where it is in the Zoom window (or centring the
// stretch on it when it lies outside). False when there is no further ratio.
bool WheelZoom(ZoomController& zoom, int64_t recordLength, double anchor, bool in);
// Moves the stretch by `tenths` tenths of its width (negative: toward the start).
bool ScrollTenths(ZoomController& zoom, int64_t recordLength, int tenths);
// Moves the stretch by whole samples: at least one start unit, in units. False when it cannot move.
bool MoveBySamples(ZoomController& zoom, int64_t recordLength, int64_t samples);
// Samples one column of the Zoom window's area stands for, as the Left/Right
// keys move: a whole number of start units, at least one.
int64_t ColumnStep(const ZoomController& zoom, const ViewArea& zoomArea, int64_t recordLength);
// Shows samples from .. to (either order) at the ratio whose width is nearest
// to the stretch, centred on it.
bool SelectStretch(ZoomController& zoom, int64_t recordLength, double from, double to);

}  // namespace kivelo
